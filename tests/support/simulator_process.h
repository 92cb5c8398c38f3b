#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

namespace testing {

inline constexpr int simulatorWaitMs = 5000;

/// Where the build put bodovka-sim.
QString simulatorPath();

/// A running bodovka-sim --headless and the lines it has printed.
class SimulatorProcess
{
public:
    ~SimulatorProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(simulatorWaitMs)) {
                m_process.kill();
                m_process.waitForFinished(simulatorWaitMs);
            }
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
