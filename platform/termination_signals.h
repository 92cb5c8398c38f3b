#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

/// Turns the requests to end the program (SIGINT, SIGTERM, SIGHUP) into a Qt signal
/// delivered in the event loop, so that the program can clean up before it quits. Also
/// ignores SIGPIPE, so that a closed output pipe is a failed write, not sudden death. One
/// instance at a time; the default handlers return when it is destroyed.
class TerminationSignals final : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    /// False when the handlers could not be installed.
    bool isActive() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace platform
