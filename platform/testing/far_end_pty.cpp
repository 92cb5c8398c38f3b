#include "platform/testing/far_end_pty.h"

#include <QDeadlineTimer>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace testing {

FarEndPty::FarEndPty()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0
        || ptsname_r(m_master, name, sizeof name) != 0) {
        closeMaster();
        return;
    }
    m_slave = QString::fromLocal8Bit(name);
    // Raw before anyone opens the slave, or the line discipline echoes what the master writes.
    termios t {};
    tcgetattr(m_master, &t);
    cfmakeraw(&t);
    tcsetattr(m_master, TCSANOW, &t);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

FarEndPty::~FarEndPty()
{
    closeMaster();
}

void FarEndPty::closeMaster()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

bool FarEndPty::write(const QByteArray &bytes, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    qsizetype done = 0;
    while (done < bytes.size() && m_master >= 0) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (deadline.hasExpired()) {
            break;
        }
        pollfd p { m_master, POLLOUT, 0 };
        ::poll(&p, 1, 10);
    }
    return done == bytes.size();
}

QByteArray FarEndPty::read(qsizetype count, int timeoutMs)
{
    QByteArray result;
    QDeadlineTimer deadline(timeoutMs);
    while (result.size() < count && m_master >= 0 && !deadline.hasExpired()) {
        pollfd p { m_master, POLLIN, 0 };
        if (::poll(&p, 1, int(qMax<qint64>(1, deadline.remainingTime()))) > 0) {
            char buffer[4096];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) {
                result.append(buffer, n);
            }
        }
    }
    return result;
}

} // namespace testing
