// The real bodovka-sim over its pseudo-terminal, driven the way the console drives it.

#include "support/bytes.h"
#include "support/simulator_process.h"

#include "platform/device_pty.h"
#include "simulator/controller.h"
#include "simulator/controller_line.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

using simulator::ControllerLine;
using simulator::ScoreboardController;

using namespace Qt::StringLiterals;
using testing::bytes;

namespace {

constexpr int waitMs = 5000;

/// The console's end of the line: the linked port opened as a raw tty.
class RawTty
{
public:
    ~RawTty() { close(); }

    bool open(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio {};
        if (m_fd < 0 || tcgetattr(m_fd, &tio) != 0) {
            return false;
        }
        cfmakeraw(&tio);
        return tcsetattr(m_fd, TCSANOW, &tio) == 0;
    }

    void close()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

    bool send(const QByteArray &data)
    {
        return ::write(m_fd, data.constData(), data.size()) == data.size();
    }

    /// Reads until `count` bytes have come or `ms` have passed.
    QByteArray read(qsizetype count, int ms = waitMs)
    {
        QByteArray result;
        const QDeadlineTimer deadline(ms);
        while (result.size() < count && !deadline.hasExpired()) {
            pollfd p { m_fd, POLLIN, 0 };
            if (poll(&p, 1, int(deadline.remainingTime())) > 0 && (p.revents & POLLIN)) {
                char buffer[64];
                const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
                if (n > 0) {
                    result.append(buffer, n);
                }
            }
        }
        return result;
    }

private:
    int m_fd = -1;
};

using Simulator = testing::SimulatorProcess;

} // namespace

class TestSimulatorPty final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void answersOverTheLine();
    void clockAndSirenRunOnTheirOwn();
    void consoleMayCloseAndReopen();
    void signalRemovesLink_data();
    void signalRemovesLink();
    void secondSimulatorRefusesLiveLink();
    void otherPortAndStaleLink();
    void refusesWhatIsNoLink();
    void lockDroppedLateIsReleased();

private:
    QString portPath(const QString &name = QStringLiteral("COM1")) const
    {
        return m_dir->filePath(QStringLiteral("ports/") + name);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSimulatorPty::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSimulatorPty::answersOverTheLine()
{
    Simulator sim;
    QVERIFY2(sim.start({ QStringLiteral("--dir"), m_dir->path() }), qPrintable(sim.readyLine()));
    const QString target = QFileInfo(portPath()).symLinkTarget();
    QVERIFY(target.startsWith("/dev/"_L1));
    QCOMPARE(sim.readyLine(), QStringLiteral("ready COM1 %1 -> %2").arg(portPath(), target));

    RawTty tty;
    QVERIFY(tty.open(portPath()));
    QVERIFY(tty.send(bytes({ 0xCC })));
    QCOMPARE(tty.read(1), bytes({ 0xDC }));

    // A payload split over two writes; the first half alone gets no answer.
    QVERIFY(tty.send(bytes({ 0xEA, 5, 4, 3 })));
    QCOMPARE(tty.read(1, 100), QByteArray());
    QVERIFY(tty.send(bytes({ 2, 1, 0, 0xCA, 2, 1, 7, 0, 0xD5, 2, 0xDA, 7, 0x41, 0xD3 })));
    QCOMPARE(tty.read(13), bytes({ 0xFC, 7, 2, 2, 1, 7, 0, 5, 4, 3, 2, 1, 0 }));
    QCOMPARE(tty.read(1, 200), QByteArray()); // exactly thirteen bytes

    QVERIFY(sim.waitForLine(QStringLiteral("readback")));
    QCOMPARE(sim.events(),
             (QStringList { u"probe"_s, u"time 01:23.45"_s, u"score home=7 guest=12"_s,
                            u"period 2"_s, u"siren 7"_s, u"ignored 0x41"_s, u"readback"_s }));
}

void TestSimulatorPty::clockAndSirenRunOnTheirOwn()
{
    Simulator sim;
    QVERIFY(sim.start({ QStringLiteral("--dir"), m_dir->path() }));
    RawTty tty;
    QVERIFY(tty.open(portPath()));
    QVERIFY(tty.send(bytes({ 0xEA, 0, 2, 0, 0, 0, 0, 0xDA, 1, 0xA5 })));
    QVERIFY(sim.waitForLine(QStringLiteral("siren off")));
    QCOMPARE(sim.events(), (QStringList { u"time 00:00.20"_s, u"siren 1"_s, u"start"_s,
                                          u"time up"_s, u"siren on"_s, u"siren off"_s }));
    QVERIFY(tty.send(bytes({ 0xD3 })));
    QCOMPARE(tty.read(13).sliced(7), bytes({ 0, 0, 0, 0, 0, 0 }));
}

void TestSimulatorPty::consoleMayCloseAndReopen()
{
    Simulator sim;
    QVERIFY(sim.start({ QStringLiteral("--dir"), m_dir->path() }));
    for (int round = 0; round < 3; ++round) {
        RawTty tty;
        QVERIFY(tty.open(portPath()));
        QVERIFY(tty.send(bytes({ 0xCC })));
        QCOMPARE(tty.read(1), bytes({ 0xDC }));
    }
    QCOMPARE(sim.process().state(), QProcess::Running);
}

void TestSimulatorPty::signalRemovesLink_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestSimulatorPty::signalRemovesLink()
{
    QFETCH(int, signalNumber);
    Simulator sim;
    QVERIFY(sim.start({ QStringLiteral("--dir"), m_dir->path() }));
    QVERIFY(QFileInfo(portPath()).isSymLink());
    QCOMPARE(::kill(pid_t(sim.process().processId()), signalNumber), 0);
    QVERIFY(sim.finished());
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo(portPath()).isSymLink());
}

void TestSimulatorPty::secondSimulatorRefusesLiveLink()
{
    Simulator first;
    QVERIFY(first.start({ QStringLiteral("--dir"), m_dir->path() }));
    const QString target = QFileInfo(portPath()).symLinkTarget();

    Simulator second;
    QVERIFY(!second.start({ QStringLiteral("--dir"), m_dir->path() }));
    QVERIFY(second.finished());
    QCOMPARE(second.process().exitCode(), 1);
    QVERIFY(second.process().readAllStandardError().contains("already links to"));

    QCOMPARE(QFileInfo(portPath()).symLinkTarget(), target);
    RawTty tty;
    QVERIFY(tty.open(portPath()));
    QVERIFY(tty.send(bytes({ 0xCC })));
    QCOMPARE(tty.read(1), bytes({ 0xDC }));
}

void TestSimulatorPty::otherPortAndStaleLink()
{
    // Left over by a simulator that was killed: it points to nothing and is replaced.
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("ports"))));
    QVERIFY(QFile::link(QStringLiteral("/dev/pts/no-such-terminal"), portPath(u"COM3"_s)));

    Simulator sim;
    QVERIFY(sim.start({ QStringLiteral("--port"), QStringLiteral("com3"), QStringLiteral("--dir"),
                        m_dir->path() }));
    QVERIFY(sim.readyLine().startsWith(QStringLiteral("ready COM3 ") + portPath(u"COM3"_s)));
    QVERIFY(QFileInfo::exists(portPath(u"COM3"_s)));
    QVERIFY(!QFileInfo(portPath()).isSymLink());
    RawTty tty;
    QVERIFY(tty.open(portPath(u"COM3"_s)));
    QVERIFY(tty.send(bytes({ 0xCC })));
    QCOMPARE(tty.read(1), bytes({ 0xDC }));
}

void TestSimulatorPty::refusesWhatIsNoLink()
{
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("ports"))));
    QFile file(portPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("mine");
    file.close();

    Simulator sim;
    QVERIFY(!sim.start({ QStringLiteral("--dir"), m_dir->path() }));
    QVERIFY(sim.finished());
    QCOMPARE(sim.process().exitCode(), 1);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("mine"));
}

void TestSimulatorPty::lockDroppedLateIsReleased()
{
#if !defined(TIOCGEXCL) || !defined(__linux__)
    QSKIP("needs the exclusive mode's state and close notifications (Linux)");
#else
    platform::DevicePty line;
    QString error;
    QVERIFY2(line.open(&error), qPrintable(error));
    ScoreboardController controller;
    ControllerLine session(controller, line);
    // A console dies: the kernel tells of its close while its lock is still held.
    const QByteArray slave = QFile::encodeName(line.slavePath());
    const int console = ::open(slave.constData(), O_RDWR | O_NOCTTY);
    const auto closeConsole = qScopeGuard([console] { ::close(console); });
    QVERIFY(flock(console, LOCK_EX | LOCK_NB) == 0 && ioctl(console, TIOCEXCL) == 0);
    ::close(::open(slave.constData(), O_RDWR | O_NOCTTY));
    pollfd notified { int(line.slaveClosedDescriptor()), POLLIN, 0 };
    QTRY_COMPARE_WITH_TIMEOUT(::poll(&notified, 1, 0), 0, 5000); // the simulator looked once
    int exclusive = 0;
    QVERIFY(ioctl(console, TIOCGEXCL, &exclusive) == 0 && exclusive != 0);
    flock(console, LOCK_UN); // the kernel drops the lock a moment later
    QTRY_VERIFY_WITH_TIMEOUT(ioctl(console, TIOCGEXCL, &exclusive) == 0 && exclusive == 0, 5000);
#endif
}

QTEST_GUILESS_MAIN(TestSimulatorPty)
#include "tst_simulator_pty.moc"
