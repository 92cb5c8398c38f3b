#include "platform/testing/scripted_controller.h"

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

ScriptedController::ScriptedController(const QString &linkPath)
    : m_linkPath(linkPath)
{
    QString error;
    if (!m_line.open(&error)) {
        qWarning("ScriptedController: %s", qPrintable(error));
        return;
    }
    QFile::remove(linkPath); // a stale link of an earlier, unplugged controller
    if (!QFile::link(m_line.slavePath(), linkPath)) {
        qWarning("ScriptedController: cannot link %s", qPrintable(linkPath));
        return;
    }
    m_notifier = new QSocketNotifier(m_line.masterDescriptor(), QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { readLine(); });
    m_ok = true;
}

ScriptedController::~ScriptedController()
{
    unplug();
}

int ScriptedController::master() const
{
    return int(m_line.masterDescriptor());
}

void ScriptedController::readLine()
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

bool ScriptedController::send(const QByteArray &bytes)
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

void ScriptedController::unplug()
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

} // namespace testing
