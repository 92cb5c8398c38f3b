#pragma once

#include "platform/pseudoterminal.h"

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
class PtyController final
{
public:
    /// Opens a new pseudo-terminal and links its slave at `linkPath` (e.g. ".../ports/COM1").
    explicit PtyController(const QString &linkPath);
    ~PtyController();
    PtyController(const PtyController &) = delete;
    PtyController &operator=(const PtyController &) = delete;

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

    platform::PseudoTerminalDevice m_line;
    QString m_linkPath;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_received;
    int m_probes = 0;
    bool m_ok = false;
};

/// Writes random bytes to a descriptor as fast as it takes them, on a thread of its own,
/// until the time is up or it is stopped.
class LineFlooder final
{
public:
    LineFlooder(int fd, int durationMs, quint32 seed = 1);
    ~LineFlooder();
    LineFlooder(const LineFlooder &) = delete;
    LineFlooder &operator=(const LineFlooder &) = delete;

    bool running() const { return m_running.load(); }
    /// Stops the flood and waits for its thread.
    void stop();
    quint64 bytesWritten() const { return m_written.load(); }

private:
    void run(int fd, int durationMs, quint32 seed);

    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_running { true };
    std::atomic<quint64> m_written { 0 };
    std::thread m_thread;
};

} // namespace testing
