// The live feed of the real console window (offscreen), with event clients on a thread of their
// own, so that what the console spends is measured apart from what the clients spend:
//   - latency from a score sent through the window's button to the event at a local client;
//   - CPU time of the console's thread with the clock running, with 0, 10 and 64 clients.
// The settings file lives in a temporary folder and switches the feed on at a free port;
// boxes are recorded, the controller answers on COM1 in memory.
// Usage: bench_feed [changes=200] [seconds=5]

#include "bench/controller_on_fakes.h"
#include "bench/measure.h"
#include "console/settings_file.h"
#include "console/startup.h"
#include "console/unit1.h"
#include "console/unit2.h"
#include "controls/push_button.h"
#include "controls/spin.h"
#include "feed/server.h"
#include "platform/testing/fake_serial.h"
#include "platform/testing/fakes.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <time.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace {

using bench::Clock;

double threadCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

/// Event-stream clients, living on their own thread: each reads everything and counts the events.
class Clients final : public QObject
{
public:
    void open(quint16 port, int count)
    {
        for (int i = 0; i < count; ++i) {
            auto *socket = new QTcpSocket(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                const Clock::time_point now = Clock::now();
                const qsizetype ends = socket->readAll().count("\n\n");
                if (ends > 0) {
                    const QMutexLocker lock(&m_mutex);
                    m_arrivals.push_back(now);
                    events += int(ends);
                }
            });
            // Each from a loopback address of its own, as screens in a hall are: the feed keeps
            // only a few streams per address.
            socket->bind(QHostAddress(QStringLiteral("127.0.1.%1").arg(i + 1)));
            socket->connectToHost(QHostAddress::LocalHost, port);
            socket->write("GET /events HTTP/1.1\r\nHost: localhost\r\n\r\n");
        }
    }

    void close() { qDeleteAll(findChildren<QTcpSocket *>()); }

    Clock::time_point lastArrival()
    {
        const QMutexLocker lock(&m_mutex);
        return m_arrivals.empty() ? Clock::time_point() : m_arrivals.back();
    }

    std::atomic<int> events { 0 }; ///< events and beats received by all clients together

private:
    QMutex m_mutex;
    std::vector<Clock::time_point> m_arrivals;
};

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFor(const std::function<bool()> &done, int ms = 10000)
{
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
    }
    return done();
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

} // namespace

int main(int argc, char *argv[])
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    console::prepareApplication(app);
    const QStringList args = app.arguments();
    const int changes = args.size() > 1 ? args.at(1).toInt() : 200;
    const int seconds = args.size() > 2 ? args.at(2).toInt() : 5;

    QTemporaryDir settings;
    const QString path = settings.filePath(QStringLiteral("bodovka.ini"));
    console::setSettingsFilePath(path);
    const quint16 port = freePort();
    QFile ini(path);
    if (!ini.open(QIODevice::WriteOnly)
        || ini.write("[Nastaveni]\nMinuty=7\nSekundy=0\nSetiny=0\nPolocas=1\nSirena=5\n"
                     "Pripojeni=1\n[Vysilani]\nPort="
                     + QByteArray::number(port) + "\n")
               < 0) {
        std::fprintf(stderr, "bench_feed: cannot write %s\n", qPrintable(path));
        return 1;
    }
    ini.close();
    testing::RecordingDialogs dialogs;
    testing::FakeSerial serial;
    bench::answerProbesOnCom1(serial);

    TForm1 form1;
    TForm2 form2(&form1);
    form1.show();
    if (form1.feed() == nullptr || !waitFor([&] { return !dialogs.shown.isEmpty(); }, 15000)) {
        std::fprintf(stderr, "bench_feed: the feed or the scan did not start: %s\n",
                     qPrintable(dialogs.texts().join(QStringLiteral(", "))));
        return 1;
    }
    feed::Server &server = *form1.feed();

    QThread thread;
    auto *clients = new Clients;
    clients->moveToThread(&thread);
    thread.start();
    auto connectClients = [&](int count) {
        QMetaObject::invokeMethod(
            clients, [clients, port, count] { clients->open(port, count); },
            Qt::BlockingQueuedConnection);
        return waitFor([&] { return server.streamCount() == count && clients->events >= count; });
    };
    auto closeClients = [&] {
        QMetaObject::invokeMethod(
            clients, [clients] { clients->close(); }, Qt::BlockingQueuedConnection);
        waitFor([&] { return server.streamCount() == 0; });
        clients->events = 0;
    };

    // Latency: one client; each score sent through the window's button is one event.
    std::vector<double> latencies;
    if (connectClients(1)) {
        for (int i = 1; i <= changes; ++i) {
            form1.DomaciSpinEdit->setText(QString::number(i % 100));
            const int before = clients->events;
            const Clock::time_point sent = Clock::now();
            form1.SkoreButton->click();
            if (!waitFor([&] { return clients->events > before; }, 5000)) {
                break;
            }
            latencies.push_back(bench::microseconds(clients->lastArrival() - sent));
            runFor(5);
        }
    }
    closeClients();
    bench::row(QStringLiteral("score sent to the event at a local client, median / largest "
                              "(%1 changes)")
                   .arg(latencies.size()),
               QStringLiteral("%1 / %2 µs")
                   .arg(bench::number(bench::median(latencies)),
                        bench::number(bench::largest(latencies))));

    for (const int count : { 0, 10, 64 }) {
        if (!connectClients(count)) {
            bench::row(QStringLiteral("%1 event clients").arg(count),
                       QStringLiteral("could not connect them all"));
            continue;
        }
        runFor(200);
        const int eventsBefore = clients->events;
        const double cpuBefore = threadCpuSeconds();
        const Clock::time_point wallBefore = Clock::now();
        form1.Button1->click();
        runFor(seconds * 1000);
        form1.Button1->click();
        const double cpu = threadCpuSeconds() - cpuBefore;
        const double wall = bench::milliseconds(Clock::now() - wallBefore) / 1000.0;
        const int events = clients->events - eventsBefore;
        closeClients();
        bench::row(
            QStringLiteral("clock running %1 s with %2 event clients: CPU of the console's "
                           "thread, share of one core (events received)")
                .arg(seconds)
                .arg(count),
            QStringLiteral("%1 % (%2)").arg(bench::number(100.0 * cpu / wall, 2)).arg(events));
    }

    QMetaObject::invokeMethod(
        clients, [clients] { delete clients; }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    console::setSettingsFilePath(QString());
    return 0;
}
