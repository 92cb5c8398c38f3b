#include "platform/testing/pty_controller.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <random>
#include <vector>

#include <poll.h>
#include <unistd.h>

namespace testing {

namespace {
constexpr char probe = char(0xCC);
constexpr char probeAnswer = char(0xDC);
constexpr int sendWaitMs = 5000;
} // namespace

PtyController::PtyController(const QString &linkPath)
    : m_linkPath(linkPath)
{
    QString error;
    if (!m_line.open(&error)) {
        qWarning("PtyController: %s", qPrintable(error));
        return;
    }
    QFile::remove(linkPath); // a stale link of an earlier, unplugged controller
    if (!QFile::link(m_line.slavePath(), linkPath)) {
        qWarning("PtyController: cannot link %s", qPrintable(linkPath));
        return;
    }
    m_notifier = new QSocketNotifier(m_line.masterDescriptor(), QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { readLine(); });
    m_ok = true;
}

PtyController::~PtyController()
{
    unplug();
}

int PtyController::master() const
{
    return int(m_line.masterDescriptor());
}

void PtyController::readLine()
{
    if (!m_line.isOpen()) {
        return;
    }
    QString error;
    const std::optional<QByteArray> bytes = m_line.readAvailable(&error);
    if (!bytes) {
        m_notifier->setEnabled(false); // a dead line would wake the notifier forever
        return;
    }
    m_received += *bytes;
    const int newProbes = int(bytes->count(probe));
    m_probes += newProbes;
    if (newProbes > 0 && answerProbes) {
        send(QByteArray(newProbes, probeAnswer));
    }
    if (onReceived) {
        onReceived(*bytes);
    }
}

bool PtyController::send(const QByteArray &bytes)
{
    const int fd = master();
    const QDeadlineTimer deadline(sendWaitMs);
    qsizetype done = 0;
    while (fd >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            break;
        }
        if (deadline.hasExpired()) {
            break;
        }
        pollfd p { fd, POLLOUT, 0 };
        ::poll(&p, 1, 10);
    }
    return done == bytes.size();
}

void PtyController::unplug()
{
    if (m_notifier) {
        // Perhaps called from the notifier's own signal: it goes once that has returned.
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_line.isOpen()) {
        m_line.close();
        // The port stays linked, to nothing: without a link the port name would open the
        // system's own device, and the number of the pseudo-terminal is free for others.
        if (QFileInfo(m_linkPath).symLinkTarget() == m_line.slavePath()) {
            QFile::remove(m_linkPath);
            QFile::link(m_linkPath + QStringLiteral(".unplugged"), m_linkPath);
        }
    }
}

LineFlooder::LineFlooder(int fd, int durationMs, quint32 seed)
    : m_thread([this, fd, durationMs, seed] { run(fd, durationMs, seed); })
{
}

LineFlooder::~LineFlooder()
{
    stop();
}

void LineFlooder::stop()
{
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void LineFlooder::run(int fd, int durationMs, quint32 seed)
{
    std::mt19937 random(seed);
    std::vector<unsigned char> chunk(4096);
    const QDeadlineTimer deadline(durationMs);
    while (!m_stop && !deadline.hasExpired()) {
        for (auto &b : chunk) {
            b = static_cast<unsigned char>(random());
        }
        size_t done = 0;
        while (done < chunk.size() && !m_stop && !deadline.hasExpired()) {
            const ssize_t n = ::write(fd, chunk.data() + done, chunk.size() - done);
            if (n > 0) {
                done += size_t(n);
                m_written += quint64(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                // The console's input queue is full: wait for it to read, but look at the
                // clock and the stop request often.
                pollfd p { fd, POLLOUT, 0 };
                ::poll(&p, 1, 5);
            } else {
                m_running = false;
                return; // the line is gone
            }
        }
    }
    m_running = false;
}

} // namespace testing
