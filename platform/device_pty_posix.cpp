#include "platform/device_pty.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/inotify.h>
#endif

namespace platform {
namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

bool addFlags(int fd, int statusFlags, int descriptorFlags)
{
    const int status = fcntl(fd, F_GETFL);
    const int descriptor = fcntl(fd, F_GETFD);
    return status >= 0 && descriptor >= 0 && fcntl(fd, F_SETFL, status | statusFlags) == 0
           && fcntl(fd, F_SETFD, descriptor | descriptorFlags) == 0;
}

} // namespace

DevicePty::~DevicePty()
{
    close();
}

bool DevicePty::open(QString *error)
{
    close();
    auto fail = [&](const char *what) {
        *error = systemError(what);
        close();
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        return fail("posix_openpt");
    }
    if (grantpt(m_master) != 0) {
        return fail("grantpt");
    }
    if (unlockpt(m_master) != 0) {
        return fail("unlockpt");
    }
    std::array<char, 128> name {};
    if (ptsname_r(m_master, name.data(), name.size()) != 0) {
        return fail("ptsname");
    }
    m_slavePath = QString::fromLocal8Bit(name.data());
    m_slave = ::open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        return fail("open slave");
    }
    // Raw before anyone talks: otherwise the line discipline echoes the console's bytes.
    termios tio {};
    if (tcgetattr(m_slave, &tio) != 0) {
        return fail("tcgetattr");
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(m_slave, TCSANOW, &tio) != 0) {
        return fail("tcsetattr");
    }
    if (!addFlags(m_master, O_NONBLOCK, FD_CLOEXEC)) {
        return fail("fcntl");
    }
#ifdef __linux__
    // Without a watch nothing is lost but the release of an abandoned exclusive mode.
    m_slaveWatch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_slaveWatch >= 0
        && inotify_add_watch(m_slaveWatch, name.data(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        ::close(m_slaveWatch);
        m_slaveWatch = -1;
    }
#endif
    return true;
}

DevicePty::SlaveRelease DevicePty::releaseAbandonedSlave()
{
    if (m_slaveWatch < 0 || m_slave < 0) {
        return SlaveRelease::NotNeeded;
    }
    // The events only wake this up: what counts is the state of the line now.
    std::array<char, 4096> events {};
    while (::read(m_slaveWatch, events.data(), events.size()) > 0) { }
#ifdef TIOCGEXCL
    int exclusive = 0;
    if (ioctl(m_slave, TIOCGEXCL, &exclusive) != 0 || exclusive == 0) {
        return SlaveRelease::NotNeeded;
    }
    // A console that holds the line also holds its lock: then the mode is that console's.
    if (flock(m_slave, LOCK_SH | LOCK_NB) != 0) {
        return SlaveRelease::LockBusy;
    }
    flock(m_slave, LOCK_UN);
    return ioctl(m_slave, TIOCNXCL) == 0 ? SlaveRelease::Released : SlaveRelease::NotNeeded;
#else
    return SlaveRelease::NotNeeded;
#endif
}

void DevicePty::close()
{
    if (m_slaveWatch >= 0) {
        ::close(m_slaveWatch);
        m_slaveWatch = -1;
    }
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

std::optional<QByteArray> DevicePty::readAvailable(QString *error)
{
    QByteArray result;
    std::array<char, 4096> buffer {};
    for (;;) {
        const ssize_t n = ::read(m_master, buffer.data(), buffer.size());
        if (n > 0) {
            result.append(buffer.data(), n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return result;
        }
        // End of file or EIO: the slave side is gone, which our own slave descriptor
        // should prevent; the line is no longer usable.
        if (result.isEmpty()) {
            *error = n == 0 ? QStringLiteral("the line was hung up") : systemError("read");
            return std::nullopt;
        }
        return result;
    }
}

qint64 DevicePty::write(const QByteArray &bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + written, bytes.size() - written);
        if (n > 0) {
            written += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break; // the other end's input queue is full
        } else {
            return -1;
        }
    }
    return written;
}

} // namespace platform
