// Latency of the serial driver over a pseudo-terminal:
//   SendByte until the byte can be read at the far end;
//   a byte written at the far end until OnReceiveData has it (bounded by the poll period).
// Usage: bench_serial [sends=1000] [receives=200]

#include "bench/measure.h"
#include "link/comdrv32.h"
#include "platform/serial.h"
#include "platform/testing/far_end_pty.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <vector>

namespace {

using bench::Clock;

void report(const QString &what, const std::vector<double> &samples, int lost)
{
    const QString lostText = lost == 0 ? QString() : QStringLiteral(", %1 lost").arg(lost);
    if (samples.empty()) {
        bench::row(what, QStringLiteral("no samples") + lostText);
        return;
    }
    // Milliseconds once the median reaches one, for readability.
    const bool inMs = bench::median(samples) >= 1000;
    const auto shown = [inMs](double us) { return bench::number(inMs ? us / 1000 : us); };
    bench::row(what + QStringLiteral(", median / p90 / max (n=%1)").arg(samples.size()),
               QStringLiteral("%1 / %2 / %3 %4")
                       .arg(shown(bench::median(samples)), shown(bench::quantile(samples, 0.9)),
                            shown(bench::largest(samples)),
                            inMs ? QStringLiteral("ms") : QStringLiteral("µs"))
                   + lostText);
}

void spinFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int sends = args.size() > 1 ? args[1].toInt() : 1000;
    const int receives = args.size() > 2 ? args[2].toInt() : 200;

    QTemporaryDir dir;
    const QString ports = dir.filePath(QStringLiteral("ports"));
    testing::FarEndPty pty;
    if (!dir.isValid() || !QDir().mkpath(ports) || !pty.ok()
        || !QFile::link(pty.slave(), ports + QStringLiteral("/COM1"))) {
        std::fprintf(stderr, "cannot set up a pseudo-terminal as COM1\n");
        return 1;
    }
    platform::setSerialPortsDirectory(QFile::encodeName(ports).toStdString());

    TCommPortDriver driver;
    if (!driver.Connect()) {
        std::fprintf(stderr, "Connect failed\n");
        return 1;
    }

    std::vector<double> sendTimes;
    int lost = 0;
    for (int i = 0; i < sends; ++i) {
        const auto start = Clock::now();
        driver.SendByte(quint8(i));
        if (pty.read(1, 1000).size() == 1) {
            sendTimes.push_back(bench::microseconds(Clock::now() - start));
        } else {
            ++lost;
        }
    }
    report(QStringLiteral("SendByte to the pty master"), sendTimes, lost);

    // The far end writes at a random moment of the poll period, as a real device would.
    Clock::time_point arrived;
    bool got = false;
    QEventLoop waiting;
    driver.OnReceiveData = [&](QObject *, const quint8 *, qint32) {
        arrived = Clock::now();
        got = true;
        waiting.quit();
    };
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &waiting, &QEventLoop::quit);
    std::vector<double> receiveTimes;
    lost = 0;
    for (int i = 0; i < receives; ++i) {
        spinFor(int(QRandomGenerator::global()->bounded(driver.ComPortPollingDelay())));
        got = false;
        const auto start = Clock::now();
        pty.write(QByteArray(1, char(i)));
        guard.start(1000);
        if (!got) {
            waiting.exec();
        }
        guard.stop();
        if (got) {
            receiveTimes.push_back(bench::microseconds(arrived - start));
        } else {
            ++lost;
        }
    }
    report(QStringLiteral("pty master write to OnReceiveData (polled every %1 ms)")
               .arg(driver.ComPortPollingDelay()),
           receiveTimes, lost);
    driver.Disconnect();
    platform::setSerialPortsDirectory({});
    return 0;
}
