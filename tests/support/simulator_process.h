#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>
#include <QTest>

#include <csignal>

namespace testing {

inline constexpr int simulatorWaitMs = 5000;

/// Where the build put bodovka-sim.
QString simulatorPath();

/// Whether a process's error output holds a report of AddressSanitizer, LeakSanitizer or
/// UndefinedBehaviorSanitizer, complete or cut short by a kill (the first line is out first).
inline bool hasSanitizerReport(const QByteArray &errors)
{
    return errors.contains("Sanitizer") || errors.contains("runtime error:");
}

/// A running bodovka-sim --headless and the lines it has printed.
class SimulatorProcess
{
public:
    /// Stops it if it still runs. It must end with 0 on SIGTERM and never crash: a sanitizer
    /// report (a leak found at exit, say) aborts it, and that fails the current test.
    ~SimulatorProcess()
    {
        bool stoppedCleanly = true;
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            stoppedCleanly = m_process.waitForFinished(simulatorWaitMs)
                             && m_process.exitStatus() == QProcess::NormalExit
                             && m_process.exitCode() == 0;
            if (m_process.state() != QProcess::NotRunning) {
                m_process.kill();
                m_process.waitForFinished(simulatorWaitMs);
            }
        }
        // A test may kill it on purpose (a pulled cable); any other signal is a crash. After a
        // crash QProcess gives the signal's number as the exit code.
        const bool crashed
            = m_process.exitStatus() == QProcess::CrashExit && m_process.exitCode() != SIGKILL;
        const QByteArray errors = m_process.readAllStandardError();
        if (!stoppedCleanly || crashed || hasSanitizerReport(errors)) {
            const QByteArray message = "bodovka-sim did not end cleanly; it wrote:\n" + errors;
            QTest::qFail(message.constData(), __FILE__, __LINE__);
        }
    }

    /// Starts it and waits for its first line; true when that line says it is ready.
    bool start(const QStringList &arguments)
    {
        m_process.start(simulatorPath(), QStringList { QStringLiteral("--headless") } + arguments);
        return m_process.waitForStarted(simulatorWaitMs) && waitForLine(QString())
               && m_lines.constFirst().startsWith(QLatin1String("ready "));
    }

    /// Waits until `line` has been printed (any line when empty), bounded.
    bool waitForLine(const QString &line)
    {
        const QDeadlineTimer deadline(simulatorWaitMs);
        for (;;) {
            collect();
            if (line.isEmpty() ? !m_lines.isEmpty() : m_lines.contains(line)) {
                return true;
            }
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning) {
                return false;
            }
            m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
    }

    /// The lines after the first, "ready ...".
    QStringList events()
    {
        collect();
        return m_lines.mid(1);
    }

    /// Waits until it has exited, bounded.
    bool finished()
    {
        return m_process.state() == QProcess::NotRunning
               || m_process.waitForFinished(simulatorWaitMs);
    }

    QString readyLine() const { return m_lines.value(0); }
    QProcess &process() { return m_process; }

private:
    void collect()
    {
        m_partial += QString::fromUtf8(m_process.readAllStandardOutput());
        const qsizetype end = m_partial.lastIndexOf(u'\n');
        if (end >= 0) {
            m_lines += m_partial.first(end).split(u'\n');
            m_partial.remove(0, end + 1);
        }
    }

    QProcess m_process;
    QStringList m_lines;
    QString m_partial;
};

} // namespace testing
