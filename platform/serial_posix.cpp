#include "platform/serial.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <filesystem>
#include <map>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

#ifdef __linux__
namespace detail {
// serial_speed_linux.cpp: rates without a B constant (14400, 56000).
bool setCustomLineSpeed(int fd, std::uint32_t baud);
} // namespace detail
#endif

namespace {

namespace fs = std::filesystem;

// A byte that cannot be handed to the device within this time is not written: a stuck line
// (flow control held off, nobody reading a pseudo-terminal) must not freeze the program.
constexpr std::chrono::milliseconds writeWait(250);

std::string portsDirectoryOverride;

std::string findPortsDirectory()
{
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        return (exe.parent_path() / "ports").string();
    }
    if (QCoreApplication::instance()) {
        return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString() + "/ports";
    }
    return "ports";
}

// The executable does not move while it runs: its folder is looked up once, not per port.
const std::string &defaultPortsDirectory()
{
    static const std::string directory = findPortsDirectory();
    return directory;
}

int toFd(SerialHandle handle)
{
    // Never fd 0: a closed port (handle 0) must not write to standard input.
    if (handle <= 0 || handle > INT_MAX) {
        return -1;
    }
    const int fd = static_cast<int>(handle);
    return fcntl(fd, F_GETFD) == -1 ? -1 : fd;
}

speed_t standardSpeed(std::uint32_t baud)
{
    switch (baud) {
    case 50:
        return B50;
    case 75:
        return B75;
    case 110:
        return B110;
    case 134:
        return B134;
    case 150:
        return B150;
    case 200:
        return B200;
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 1800:
        return B1800;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return B0;
    }
}

// What a read or write of a device that has gone away fails with: an unplugged USB adapter,
// a pseudo-terminal whose other end was closed.
bool goneError(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

bool hungUp(int fd)
{
    pollfd p { fd, POLLIN, 0 };
    int ready;
    do {
        ready = ::poll(&p, 1, 0);
    } while (ready < 0 && errno == EINTR);
    return ready < 0 || (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// Modem lines do not exist on a pseudo-terminal; the ioctl fails there and that is fine.
void setModemLine(int fd, int line, bool on)
{
    ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line);
}

void ignoreSigpipe()
{
    static const bool done = [] {
        struct sigaction current
        {
        };
        if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            signal(SIGPIPE, SIG_IGN);
        }
        return true;
    }();
    (void)done;
}

class PosixSerial final : public SerialBackend
{
    // How a port was found at open, to leave it so at close: a stale link or a scan may open a
    // terminal that another program uses.
    struct FoundState
    {
        termios settings {};
        bool exclusive = false;
    };
    std::map<int, FoundState> m_found;
    bool m_gone = false; // of the last failed read or write

public:
    SerialHandle open(const std::string &deviceName) override
    {
        ignoreSigpipe();
        const std::string path = serialDevicePath(deviceName);
        if (path.empty()) {
            return invalidSerialHandle;
        }
        int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return invalidSerialHandle;
        }
        if (fd == 0) {
            const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 1);
            ::close(fd);
            if (moved < 0) {
                return invalidSerialHandle;
            }
            fd = moved;
        }
        FoundState found;
        if (!isatty(fd) || tcgetattr(fd, &found.settings) != 0) {
            ::close(fd);
            return invalidSerialHandle;
        }
#ifdef TIOCGEXCL
        int exclusive = 0;
        found.exclusive = ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
#endif
        // Root passes TIOCEXCL; the lock is what keeps a second console off the port. The lock
        // comes first: a port that another program holds is left as it was, never exclusive.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return invalidSerialHandle;
        }
        if (ioctl(fd, TIOCEXCL) != 0) {
            flock(fd, LOCK_UN);
            ::close(fd);
            return invalidSerialHandle;
        }
        m_found[fd] = found;
        return fd;
    }

    bool setCommState(SerialHandle handle, const DeviceControlBlock &block) override
    {
        const int fd = toFd(handle);
        termios t {};
        if (fd < 0 || tcgetattr(fd, &t) != 0) {
            return false;
        }
        cfmakeraw(&t);
        t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR);
        tcflag_t line = CREAD | CLOCAL;
        switch (block.ByteSize) {
        case 5:
            line |= CS5;
            break;
        case 6:
            line |= CS6;
            break;
        case 7:
            line |= CS7;
            break;
        case 8:
            line |= CS8;
            break;
        default:
            return false;
        }
        switch (block.Parity) {
        case 0:
            break;
        case 1:
            line |= PARENB | PARODD;
            break;
        case 2:
            line |= PARENB;
            break;
#ifdef CMSPAR
        case 3:
            line |= PARENB | PARODD | CMSPAR;
            break;
        case 4:
            line |= PARENB | CMSPAR;
            break;
#endif
        default:
            return false;
        }
        switch (block.StopBits) {
        case 0:
            break;
        case 1: // one and a half: the nearest termios has is two
        case 2:
            line |= CSTOPB;
            break;
        default:
            return false;
        }
        const std::uint32_t rts = block.flags & dcbRtsControlMask;
        if ((block.flags & dcbOutxCtsFlow) || rts == dcbRtsControlHandshake) {
            line |= CRTSCTS;
        }
        tcflag_t lineMask = CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS;
#ifdef CMSPAR
        lineMask |= CMSPAR;
#endif
        t.c_cflag = (t.c_cflag & ~lineMask) | line;
        if (block.flags & dcbOutX) {
            t.c_iflag |= IXON;
        }
        if (block.flags & dcbInX) {
            t.c_iflag |= IXOFF;
        }
        t.c_cc[VSTART] = static_cast<cc_t>(block.XonChar);
        t.c_cc[VSTOP] = static_cast<cc_t>(block.XoffChar);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;

        const speed_t speed = standardSpeed(block.BaudRate);
#ifndef __linux__
        if (speed == B0) {
            return false;
        }
#endif
        if (speed != B0) {
            cfsetispeed(&t, speed);
            cfsetospeed(&t, speed);
        }
        if (tcsetattr(fd, TCSANOW, &t) != 0) {
            return false;
        }
        bool ok = true;
#ifdef __linux__
        if (speed == B0) {
            ok = detail::setCustomLineSpeed(fd, block.BaudRate);
        }
#endif
        const std::uint32_t dtr = block.flags & dcbDtrControlMask;
        setModemLine(fd, TIOCM_DTR, dtr != 0);
        if (rts != dcbRtsControlHandshake) {
            setModemLine(fd, TIOCM_RTS, rts == dcbRtsControlEnable);
        }
        // tcsetattr succeeds when any part of the change took. A device that cannot do the
        // line format keeps its own (a pseudo-terminal is always 8 bits without parity):
        // the rest is applied, the call reports failure.
        termios check {};
        if (tcgetattr(fd, &check) != 0 || (check.c_cflag & lineMask) != (line & lineMask)
            || (speed != B0 && cfgetospeed(&check) != speed)) {
            ok = false;
        }
        return ok;
    }

    // Queue sizes and time-outs have no termios counterpart: reads never wait and writes
    // wait at most writeWait.
    bool setupComm(SerialHandle handle, std::uint32_t, std::uint32_t) override
    {
        return toFd(handle) >= 0;
    }

    bool setCommTimeouts(SerialHandle handle, const CommTimeouts &) override
    {
        return toFd(handle) >= 0;
    }

    bool purge(SerialHandle handle, std::uint32_t flags) override
    {
        const int fd = toFd(handle);
        if (fd < 0) {
            return false;
        }
        const bool output = flags & (purgeTxAbort | purgeTxClear);
        const bool input = flags & (purgeRxAbort | purgeRxClear);
        if (output && input) {
            return tcflush(fd, TCIOFLUSH) == 0;
        }
        if (output) {
            return tcflush(fd, TCOFLUSH) == 0;
        }
        if (input) {
            return tcflush(fd, TCIFLUSH) == 0;
        }
        return true;
    }

    bool read(SerialHandle handle, void *buffer, std::uint32_t max, std::uint32_t *got) override
    {
        *got = 0;
        m_gone = false;
        const int fd = toFd(handle);
        if (fd < 0) {
            return false;
        }
        if (max == 0) {
            m_gone = hungUp(fd);
            return !m_gone;
        }
        for (;;) {
            const ssize_t n = ::read(fd, buffer, max);
            if (n > 0) {
                *got = static_cast<std::uint32_t>(n);
                return true;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            // In raw mode an empty queue reads as 0 bytes, or EAGAIN before the line
            // settings are applied; a hung-up device reads as 0 bytes or EIO.
            if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
                m_gone = hungUp(fd);
                return !m_gone;
            }
            m_gone = goneError(errno);
            return false;
        }
    }

    bool write(SerialHandle handle, const void *data, std::uint32_t size,
               std::uint32_t *written) override
    {
        *written = 0;
        m_gone = false;
        const int fd = toFd(handle);
        if (fd < 0) {
            return false;
        }
        const auto *bytes = static_cast<const unsigned char *>(data);
        const auto deadline = std::chrono::steady_clock::now() + writeWait;
        std::uint32_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd, bytes + done, size - done);
            if (n > 0) {
                done += static_cast<std::uint32_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                m_gone = goneError(errno);
                break;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                break;
            }
            pollfd p { fd, POLLOUT, 0 };
            const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno != EINTR) {
                break;
            }
            if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
                m_gone = true;
                break;
            }
        }
        *written = done;
        return done == size;
    }

    bool close(SerialHandle handle) override
    {
        const int fd = toFd(handle);
        if (fd < 0) {
            return false;
        }
        // Left as found: a hung-up device refuses this, and that is fine.
        if (const auto found = m_found.find(fd); found != m_found.end()) {
            tcsetattr(fd, TCSANOW, &found->second.settings);
            if (!found->second.exclusive) {
                ioctl(fd, TIOCNXCL);
            }
            m_found.erase(found);
        } else {
            ioctl(fd, TIOCNXCL);
        }
        flock(fd, LOCK_UN);
        return ::close(fd) == 0;
    }

    bool deviceGone() const override
    {
        return m_gone;
    }
};

PosixSerial posixSerial;
SerialBackend *current = &posixSerial;

} // namespace

SerialBackend &serialBackend()
{
    return *current;
}

void setSerialBackend(SerialBackend *backend)
{
    current = backend ? backend : &posixSerial;
}

void setSerialPortsDirectory(const std::string &directory)
{
    portsDirectoryOverride = directory;
}

std::string serialPortsDirectory()
{
    return portsDirectoryOverride.empty() ? defaultPortsDirectory() : portsDirectoryOverride;
}

std::string serialDevicePath(const std::string &deviceName)
{
    // clang-format off
    static const char *const table[] = {
        "/dev/ttyS0",
        "/dev/ttyS1",
        "/dev/ttyUSB0",
        "/dev/ttyUSB1",
        "/dev/ttyUSB2",
        "/dev/ttyUSB3",
        "/dev/ttyACM0",
        "/dev/ttyACM1",
        "/dev/ttyACM2",
        "/dev/ttyACM3",
    };
    // clang-format on
    const int number = serialPortNumber(deviceName);
    if (number == 0) {
        return {};
    }
    // A link in the ports folder wins, even a dangling one: the operator chose it.
    std::error_code error;
    const fs::path link = fs::path(serialPortsDirectory()) / deviceName;
    if (fs::exists(fs::symlink_status(link, error))) {
        return link.string();
    }
    if (number <= static_cast<int>(std::size(table))) {
        return table[number - 1];
    }
    return {};
}

} // namespace platform
