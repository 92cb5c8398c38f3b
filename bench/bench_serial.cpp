// Latency of the serial driver over a pseudo-terminal:
//   SendByte until the byte can be read at the far end;
//   a byte written at the far end until OnReceiveData has it (bounded by the poll period).
// Usage: bench_serial [sends=1000] [receives=200]

#include "link/comdrv32.h"
#include "platform/serial.h"
#include "platform/testing/pty.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

void report(const char *what, std::vector<double> samples, int lost)
{
    if (samples.empty()) {
        std::printf("%s: no samples (%d lost)\n", what, lost);
        return;
    }
    std::sort(samples.begin(), samples.end());
    const double median = samples[samples.size() / 2];
    std::printf("%s: n=%zu median %.1f us, p90 %.1f us, max %.1f us, lost %d\n", what,
        samples.size(), median, samples[samples.size() * 9 / 10], samples.back(), lost);
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
    platform::testing::PseudoTerminal pty;
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
            sendTimes.push_back(microseconds(Clock::now() - start));
        } else {
            ++lost;
        }
    }
    report("SendByte -> far end", sendTimes, lost);

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
            receiveTimes.push_back(microseconds(arrived - start));
        } else {
            ++lost;
        }
    }
    report("far end -> OnReceiveData", receiveTimes, lost);
    driver.Disconnect();
    platform::setSerialPortsDirectory({});
    return 0;
}
