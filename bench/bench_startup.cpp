// Start-up and memory of the console:
//   - from starting a process until the main window's first paint: the benchmark starts itself
//     again (--child), and the child builds and shows the windows as the program does (offscreen,
//     a fresh settings folder, ports in memory with no device, boxes recorded) and reports the
//     steady-clock time of its first paint;
//   - peak memory (VmHWM) of the real bodovka, copied to a temporary folder and running
//     offscreen for a few seconds with no device on any port.
// Usage: bench_startup [runs=10]

#include "bench/measure.h"
#include "console/settings_file.h"
#include "console/startup.h"
#include "console/unit1.h"
#include "console/unit2.h"
#include "platform/testing/fake_serial.h"
#include "platform/testing/fakes.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

using bench::Clock;

const QString childOption = QStringLiteral("--child");

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

/// Quits at the first paint of the watched window and remembers when it came.
class FirstPaint final : public QObject
{
public:
    qint64 at = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && at == 0) {
            at = nowNs();
            QCoreApplication::exit(0);
        }
        return false;
    }
};

/// The child: the program's own start, as app/main.cpp does it, up to the first paint.
int child(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    console::prepareApplication(app);
    QTemporaryDir settings;
    console::setSettingsFilePath(settings.filePath(QStringLiteral("bodovka.ini")));
    testing::RecordingDialogs dialogs;
    testing::FakeSerial serial;

    const qint64 constructed = nowNs();
    TForm1 form1;
    TForm2 form2(&form1);
    FirstPaint firstPaint;
    form1.installEventFilter(&firstPaint);
    form1.show();
    QTimer::singleShot(10000, &app, [] { QCoreApplication::exit(1); });
    const int result = app.exec();
    console::setSettingsFilePath(QString());
    if (result != 0) {
        return result;
    }
    std::printf("%lld %lld\n", static_cast<long long>(constructed),
                static_cast<long long>(firstPaint.at));
    return 0;
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

/// The real console for `seconds`; its peak memory in KiB, -1 on failure.
long consolePeakKilobytes(int seconds)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("bodovka"));
    if (!dir.isValid() || !QFile::copy(QStringLiteral(BODOVKA_CONSOLE_PATH), program)
        || !QDir(dir.path()).mkdir(QStringLiteral("ports"))) {
        return -1;
    }
    // Every port links to nothing, so neither a real device nor the fixed table is touched.
    for (int n = 1; n <= 10; ++n) {
        QFile::link(dir.filePath(QStringLiteral("none")),
                    dir.filePath(QStringLiteral("ports/COM%1").arg(n)));
    }
    QProcess console;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    console.setProcessEnvironment(environment);
    console.setStandardOutputFile(QProcess::nullDevice());
    console.setStandardErrorFile(QProcess::nullDevice());
    console.start(program, {});
    if (!console.waitForStarted(5000)) {
        return -1;
    }
    runFor(seconds * 1000);
    const long peak
        = console.state() == QProcess::Running ? peakKilobytesOf(console.processId()) : -1;
    console.terminate();
    if (!console.waitForFinished(5000)) {
        console.kill();
        console.waitForFinished(5000);
    }
    return peak;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == childOption) {
        return child(argc, argv);
    }
    QCoreApplication app(argc, argv);
    const int runs = app.arguments().size() > 1 ? app.arguments().at(1).toInt() : 10;

    std::vector<double> fromStart;
    std::vector<double> fromConstruction;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const qint64 started = nowNs();
        process.start(QCoreApplication::applicationFilePath(), { childOption });
        if (!process.waitForFinished(15000) || process.exitCode() != 0) {
            process.kill();
            process.waitForFinished(5000);
            std::fprintf(stderr, "bench_startup: run %d did not paint its window\n", i);
            continue;
        }
        const QList<QByteArray> times = process.readAllStandardOutput().trimmed().split(' ');
        if (times.size() != 2) {
            continue;
        }
        fromStart.push_back(double(times[1].toLongLong() - started) / 1e6);
        fromConstruction.push_back(double(times[1].toLongLong() - times[0].toLongLong()) / 1e6);
    }
    bench::row(QStringLiteral("start-up: process start to first paint of the main window, "
                              "median (%1 runs)")
                   .arg(fromStart.size()),
               bench::number(bench::median(fromStart)) + QStringLiteral(" ms"));
    bench::row(QStringLiteral("start-up: window construction to first paint, median"),
               bench::number(bench::median(fromConstruction)) + QStringLiteral(" ms"));

    const int seconds = 3;
    const long peak = consolePeakKilobytes(seconds);
    bench::row(
        QStringLiteral("peak memory (VmHWM) of bodovka running %1 s, no device").arg(seconds),
        peak < 0 ? QStringLiteral("not measured")
                 : QStringLiteral("%1 MiB").arg(bench::number(peak / 1024.0)));
    return 0;
}
