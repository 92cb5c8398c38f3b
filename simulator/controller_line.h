#pragma once

#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace platform {
class DevicePty;
}

namespace simulator {

class ScoreboardController;

/// Connects the controller to the master side of its pseudo-terminal: feeds it what the
/// console sends, writes its answers back at once, and keeps its clock and siren moving
/// while they are busy.
class ControllerLine final : public QObject
{
    Q_OBJECT

public:
    ControllerLine(ScoreboardController &controller, platform::DevicePty &line,
                   QObject *parent = nullptr);

signals:
    /// One line per command received and per change of the clock or the siren.
    void event(const QString &text);
    /// The controller's state may have changed.
    void changed();
    /// The line cannot be used any longer.
    void failed(const QString &reason);

private:
    void readLine();
    void tick();
    void publish();
    void releaseAbandonedSlave();

    ScoreboardController &m_controller;
    platform::DevicePty &m_line;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_timer;
    QTimer m_releaseAgain;
    int m_releaseTries = 0;
};

} // namespace simulator
