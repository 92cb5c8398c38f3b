#pragma once

#include "platform/device_pty.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QSocketNotifier;

namespace testing {

/// A scripted scoreboard controller at the far end of a pseudo-terminal (POSIX only), for
/// tests and benchmarks: its slave is linked as a port, it answers every probe 0xCC with
/// 0xDC and records every byte the console sends. It reads in the event loop of the thread
/// that made it, so it answers while a scan keeps processing events.
class ScriptedController final
{
public:
    /// Opens a new pseudo-terminal and links its slave at `linkPath` (e.g. ".../ports/COM1").
    explicit ScriptedController(const QString &linkPath);
    ~ScriptedController();
    ScriptedController(const ScriptedController &) = delete;
    ScriptedController &operator=(const ScriptedController &) = delete;

    bool ok() const { return m_ok; }
    QString linkPath() const { return m_linkPath; }
    /// The master side; -1 once the cable is pulled.
    int master() const;

    /// Everything received so far, probes included.
    QByteArray received() const { return m_received; }
    /// The bytes received from `from` on.
    QByteArray receivedFrom(qsizetype from) const { return m_received.mid(from); }
    int probes() const { return m_probes; }

    /// Whether probes are answered (the default).
    bool answerProbes = true;
    /// Called with each batch received, after it has been recorded.
    std::function<void(const QByteArray &)> onReceived;

    /// Sends bytes to the console; false when the line did not take them all.
    bool send(const QByteArray &bytes);

    /// Pulls the cable: closes both sides of the pseudo-terminal, so the console's end hangs
    /// up, and links the port to nothing. May be called from onReceived.
    void unplug();

private:
    void readLine();

    platform::DevicePty m_line;
    QString m_linkPath;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_received;
    int m_probes = 0;
    bool m_ok = false;
};

} // namespace testing
