// Start-up and memory of the console against the bare window (bench/bare_window.cpp: a window
// of the main window's size with its nine digits and nothing else). Both are real processes,
// copied to a temporary folder whose ports/COM1..COM10 link to a missing file (no device on any
// port: the scan gives up at once and shows its box), started one after the other in turn,
// offscreen unless QT_QPA_PLATFORM says otherwise, with BODOVKA_STARTUP_REPORT set:
//   - the program itself reports when its main window's first paint pass is over (app/main.cpp),
//     so no poll competes with it for the CPU: from exec (this benchmark's steady clock just
//     before the start, against the steady-clock stamp that the program prints) and from the
//     first line of main() (the time the program prints);
//   - peak memory (VmHWM) of each, read one second after that paint, just before it is ended.
// One start of each comes first and is not counted: it writes the console's settings file.
// Then the console is also set against the bare window with texts (bare_window --texts).
// Usage: bench_startup [runs=15]

#include "bench/measure.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

using bench::Clock;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

/// Peak resident memory of a running process, in KiB; -1 when it cannot be read.
long peakKilobytesOf(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    static const QRegularExpression peak(QStringLiteral("VmHWM:\\s*(\\d+)\\s*kB"));
    const auto match = peak.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Start
{
    double fromExecMs;
    double fromMainMs;
    long peakKilobytes;
};

/// Starts `program`, waits for its report of the first paint, lets it run one second more and
/// reads its peak memory before ending it; nothing when it does not report within 15 s.
std::optional<Start> startOnce(const QString &program, const QStringList &arguments = {})
{
    static const QRegularExpression report(
        QStringLiteral("startup: first paint ([0-9.]+) ms after main\\(\\) began \\(steady "
                       "(\\d+) ns\\)"));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("BODOVKA_STARTUP_REPORT"), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setReadChannel(QProcess::StandardError);

    const qint64 started = nowNs();
    process.start(program, arguments);
    std::optional<Start> result;
    QString errors;
    const qint64 deadline = started + qint64(15) * 1000 * 1000 * 1000;
    while (!result && nowNs() < deadline
           && process.waitForReadyRead(int(qMax<qint64>(1, (deadline - nowNs()) / 1000000)))) {
        errors += QString::fromLocal8Bit(process.readAllStandardError());
        const auto match = report.match(errors);
        if (match.hasMatch()) {
            result = Start { double(match.captured(2).toLongLong() - started) / 1e6,
                             match.captured(1).toDouble(), -1 };
        }
    }
    if (result) {
        runFor(1000);
        result->peakKilobytes = peakKilobytesOf(process.processId());
    } else {
        std::fprintf(stderr, "bench_startup: %s did not report its first paint\n%s",
                     qPrintable(program), qPrintable(errors));
    }
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    return result;
}

struct Samples
{
    std::vector<double> fromExecMs;
    std::vector<double> fromMainMs;
    std::vector<double> peakMiB;

    void add(const std::optional<Start> &start)
    {
        if (start) {
            fromExecMs.push_back(start->fromExecMs);
            fromMainMs.push_back(start->fromMainMs);
            if (start->peakKilobytes >= 0) {
                peakMiB.push_back(start->peakKilobytes / 1024.0);
            }
        }
    }
};

/// "console / bare unit = ratio x", from the medians.
QString against(const std::vector<double> &console, const std::vector<double> &bare,
                const QString &unit)
{
    const double a = bench::median(console);
    const double b = bench::median(bare);
    return QStringLiteral("%1 / %2 %3 = %4x")
        .arg(bench::number(a), bench::number(b), unit,
             b > 0 ? bench::number(a / b, 2) : QStringLiteral("?"));
}

} // namespace

int main(int argc, char *argv[])
{
    bench::preferOffscreen();
    QCoreApplication app(argc, argv);
    const int runs = app.arguments().size() > 1 ? app.arguments().at(1).toInt() : 15;

    QTemporaryDir dir;
    const QString console = dir.filePath(QStringLiteral("bodovka"));
    const QString bare = dir.filePath(QStringLiteral("bare_window"));
    if (!dir.isValid() || !QFile::copy(QStringLiteral(BODOVKA_CONSOLE_PATH), console)
        || !QFile::copy(QStringLiteral(BODOVKA_BARE_WINDOW_PATH), bare)
        || !QDir(dir.path()).mkdir(QStringLiteral("ports"))) {
        bench::row(QStringLiteral("start-up against the bare window"),
                   QStringLiteral("not measured: no temporary folder"));
        return 1;
    }
    // Every port links to nothing, so neither a real device nor the fixed table is touched.
    for (int n = 1; n <= 10; ++n) {
        QFile::link(dir.filePath(QStringLiteral("none")),
                    dir.filePath(QStringLiteral("ports/COM%1").arg(n)));
    }

    const QStringList texts { QStringLiteral("--texts") };
    startOnce(console);
    startOnce(bare);
    Samples consoleSamples;
    Samples bareSamples;
    Samples textSamples;
    for (int i = 0; i < runs; ++i) {
        consoleSamples.add(startOnce(console));
        bareSamples.add(startOnce(bare));
        textSamples.add(startOnce(bare, texts));
    }

    const QString counts = QStringLiteral("median of %1 / %2 starts in turn")
                               .arg(consoleSamples.fromExecMs.size())
                               .arg(bareSamples.fromExecMs.size());
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    bench::row(QStringLiteral("start-up: process start to the main window's first paint, "
                              "console / bare window, %1 (%2; target ≤ 1.05x)")
                   .arg(counts, platform),
               against(consoleSamples.fromExecMs, bareSamples.fromExecMs, QStringLiteral("ms")));
    bench::row(QStringLiteral("start-up: first line of main() to the main window's first paint, "
                              "console / bare window, %1 (%2; target ≤ 1.05x)")
                   .arg(counts, platform),
               against(consoleSamples.fromMainMs, bareSamples.fromMainMs, QStringLiteral("ms")));
    bench::row(QStringLiteral("peak memory (VmHWM) 1 s after the first paint, console / bare "
                              "window, median (%1; target ≤ 1.05x)")
                   .arg(platform),
               against(consoleSamples.peakMiB, bareSamples.peakMiB, QStringLiteral("MiB")));
    // The same against the bare window with two captions: the part of the gap that is the cost
    // of showing any text at all.
    bench::row(QStringLiteral("start-up: process start to the main window's first paint, "
                              "console / bare window with texts, %1 (%2)")
                   .arg(counts, platform),
               against(consoleSamples.fromExecMs, textSamples.fromExecMs, QStringLiteral("ms")));
    bench::row(QStringLiteral("peak memory (VmHWM) 1 s after the first paint, console / bare "
                              "window with texts, median (%1)")
                   .arg(platform),
               against(consoleSamples.peakMiB, textSamples.peakMiB, QStringLiteral("MiB")));
    return 0;
}
