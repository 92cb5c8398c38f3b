#include "simulator/controller_line.h"

#include "platform/device_pty.h"
#include "platform/errors.h"
#include "simulator/controller.h"

#include <QSocketNotifier>

namespace simulator {

namespace {

constexpr int releasePauseMs = 20;
constexpr int releaseTries = 50;

} // namespace

ControllerLine::ControllerLine(ScoreboardController &controller, platform::DevicePty &line,
                               QObject *parent)
    : QObject(parent)
    , m_controller(controller)
    , m_line(line)
{
    m_notifier = new QSocketNotifier(line.masterDescriptor(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ControllerLine::readLine);
    // A console killed while it held the line would otherwise lock out the next one.
    if (line.slaveClosedDescriptor() >= 0) {
        auto *closed
            = new QSocketNotifier(line.slaveClosedDescriptor(), QSocketNotifier::Read, this);
        connect(closed, &QSocketNotifier::activated, this, [this] {
            m_releaseTries = 0;
            releaseAbandonedSlave();
        });
        m_releaseAgain.setSingleShot(true);
        m_releaseAgain.setInterval(releasePauseMs);
        connect(&m_releaseAgain, &QTimer::timeout, this, &ControllerLine::releaseAbandonedSlave);
    }
    // The display shows hundredths at most; the siren is timed from the tick count anyway.
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &ControllerLine::tick);
}

void ControllerLine::releaseAbandonedSlave()
{
    platform::guarded([this] {
        // A killed console's lock may still be on its way out: look again shortly, for about
        // a second; a console that lives holds it for longer and keeps its mode.
        using Release = platform::DevicePty::SlaveRelease;
        if (m_line.releaseAbandonedSlave() == Release::LockBusy
            && ++m_releaseTries < releaseTries) {
            m_releaseAgain.start();
        }
    });
}

void ControllerLine::readLine()
{
    platform::guarded([&] {
        QString error;
        const std::optional<QByteArray> received = m_line.readAvailable(&error);
        if (!received) {
            m_notifier->setEnabled(false); // a dead line would wake the notifier forever
            emit failed(error);
            return;
        }
        const QByteArray answer = m_controller.receive(*received);
        if (!answer.isEmpty()) {
            const qint64 written = m_line.write(answer);
            if (written < answer.size()) {
                emit event(QStringLiteral("answer lost: %1 of %2 bytes not sent")
                               .arg(answer.size() - std::max<qint64>(written, 0))
                               .arg(answer.size()));
            }
        }
        publish();
    });
}

void ControllerLine::tick()
{
    platform::guarded([&] {
        m_controller.update();
        publish();
    });
}

void ControllerLine::publish()
{
    for (const QString &text : m_controller.takeEvents()) {
        emit event(text);
    }
    if (m_controller.busy() && !m_timer.isActive()) {
        m_timer.start();
    } else if (!m_controller.busy()) {
        m_timer.stop();
    }
    emit changed();
}

} // namespace simulator
