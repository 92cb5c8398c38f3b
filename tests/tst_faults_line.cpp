// Faults of the serial line, with the real console window on pseudo-terminals: the cable
// pulled in the middle of a game and plugged back, a port that vanishes while the scan probes
// it, a second console that wants the port the first one holds, and a console killed while it
// holds the simulator's line. The other consoles run under an ordinary account, as an
// operator's do.

#include "support/console_fixture.h"
#include "support/ordinary_user.h"
#include "support/ports_folder.h"
#include "support/simulator_process.h"

#include "controls/push_button.h"
#include "controls/spin.h"
#include "link/comdrv32.h"
#include "platform/serial.h"
#include "platform/testing/scripted_controller.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

using platform::SerialHandle;
using testing::Console;
using testing::realPorts;
using testing::ScriptedController;
using testing::shownTime;
using testing::SimulatorProcess;

namespace {

constexpr int presetMs = 7 * 60000; // the preset of a fresh settings file
constexpr int helperWaitMs = 10000;

/// The system's serial ports, with the reads and writes on each handle counted.
class CountingSerial final : public platform::SerialBackend
{
public:
    explicit CountingSerial(platform::SerialBackend &real)
        : m_real(real)
    {
        platform::setSerialBackend(this);
    }
    ~CountingSerial() override { platform::setSerialBackend(nullptr); }

    QHash<SerialHandle, int> reads;
    QHash<SerialHandle, int> writes;
    QHash<SerialHandle, int> writtenBytes;

    SerialHandle open(const std::string &name) override { return m_real.open(name); }
    bool setCommState(SerialHandle h, const platform::DeviceControlBlock &block) override
    {
        return m_real.setCommState(h, block);
    }
    bool setupComm(SerialHandle h, std::uint32_t in, std::uint32_t out) override
    {
        return m_real.setupComm(h, in, out);
    }
    bool setCommTimeouts(SerialHandle h, const platform::CommTimeouts &timeouts) override
    {
        return m_real.setCommTimeouts(h, timeouts);
    }
    bool purge(SerialHandle h, std::uint32_t flags) override { return m_real.purge(h, flags); }
    bool read(SerialHandle h, void *buffer, std::uint32_t max, std::uint32_t *got) override
    {
        ++reads[h];
        return m_real.read(h, buffer, max, got);
    }
    bool write(SerialHandle h, const void *data, std::uint32_t size,
               std::uint32_t *written) override
    {
        ++writes[h];
        const bool ok = m_real.write(h, data, size, written);
        writtenBytes[h] += int(*written);
        return ok;
    }
    bool close(SerialHandle h) override { return m_real.close(h); }
    bool deviceGone() const override { return m_real.deviceGone(); }

private:
    platform::SerialBackend &m_real;
};

/// Runs the helper that opens a port with the console's driver in a process of its own,
/// under an ordinary account.
QString openInAnotherProcess(const QString &portsDir, int port)
{
    QProcess helper;
    if (!testing::runAsOrdinaryUser(helper)) {
        return QStringLiteral("no ordinary account to run it under");
    }
    helper.start(QStringLiteral(BODOVKA_FAULT_HELPER),
                 { QStringLiteral("open-port"), portsDir, QString::number(port) });
    if (!helper.waitForFinished(helperWaitMs)) {
        helper.kill();
        helper.waitForFinished(helperWaitMs);
        return QStringLiteral("no answer");
    }
    // A crash (a sanitizer report aborts it, also after its answer) is no answer.
    if (helper.exitStatus() != QProcess::NormalExit) {
        return QStringLiteral("crashed: ") + QString::fromUtf8(helper.readAllStandardError());
    }
    return QString::fromUtf8(helper.readAllStandardOutput()).trimmed();
}

} // namespace

class TestFaultsLine final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void cablePulledAndPluggedBack();
    void portVanishesWhileTheScanWaits();
    void secondConsoleCannotTakeThePort();
    void killedConsoleLeavesTheSimulatorFree();

private:
    QString portsDir() const { return m_ports->ports(); }
    QString portLink(int n) const { return m_ports->link(n); }
    void linkNowhere(int from, int to) { m_ports->linkNowhere(from, to); }
    bool startSimulator(int n);

    std::unique_ptr<testing::PortsFolder> m_ports;
    std::unique_ptr<SimulatorProcess> m_simulator;
};

void TestFaultsLine::init()
{
    m_ports = std::make_unique<testing::PortsFolder>();
    QVERIFY(m_ports->ok());
    QVERIFY(testing::openToEveryone(m_ports->path()));
}

void TestFaultsLine::cleanup()
{
    m_simulator.reset();
    m_ports.reset();
}

bool TestFaultsLine::startSimulator(int n)
{
    m_simulator = std::make_unique<SimulatorProcess>();
    if (m_simulator->start({ QStringLiteral("--dir"), m_ports->path(), QStringLiteral("--port"),
                             QStringLiteral("COM%1").arg(n) })) {
        return testing::openToEveryone(portLink(n));
    }
    qWarning("bodovka-sim: %s", m_simulator->process().readAllStandardError().constData());
    return false;
}

void TestFaultsLine::cablePulledAndPluggedBack()
{
    QVERIFY(startSimulator(1));
    linkNowhere(2, 10);
    Console c(realPorts(false));
    CountingSerial serial(platform::serialBackend());
    c.showAndScan();
    QCOMPARE(c.dialogs.texts(), testing::strings("Zařízení nalezeno na COM1"));
    TForm1 &f = *c.form1;
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QVERIFY(m_simulator->waitForLine(QStringLiteral("start")));
    // What the count-down should show now, by the test clock.
    const auto expectedNow = [&] {
        return testing::expectedDisplay(presetMs - qint64(c.ticks.now() - quint32(f.Zaklad)));
    };

    // The cable is pulled: the controller is gone at once, its end of the line with it.
    m_simulator->process().kill();
    QVERIFY(m_simulator->finished());
    // Its port goes with it, as a USB adapter's device does. (The killed simulator leaves its
    // link behind, and the number of its pseudo-terminal may soon belong to someone else.)
    QVERIFY(QFile::remove(portLink(1)));
    linkNowhere(1, 1);
    const qsizetype boxes = c.dialogs.shown.size();

    // The clock goes on and keeps being drawn.
    for (int second = 0; second < 3; ++second) {
        c.ticks.advance(1000);
        QTRY_COMPARE(shownTime(f), expectedNow());
    }
    QCOMPARE(shownTime(f), QStringLiteral("06:57"));

    // The driver lets go of the dead port at its first failed read. Every send fails,
    // quietly, without a write, and the message loop keeps turning.
    QTRY_VERIFY(!f.Port->Connected());
    QTimer heartbeat;
    QSignalSpy beats(&heartbeat, &QTimer::timeout);
    heartbeat.start(0);
    const auto writesBefore = serial.writes;
    for (controls::PushButton *button :
         { f.SkoreButton, f.PolocasButton, f.SirenaButton, f.NastavitVseButton }) {
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QCOMPARE(serial.writes, writesBefore);
    QCOMPARE(c.dialogs.shown.size(), boxes);
    QTRY_VERIFY(beats.count() >= 100);

    // Plugged back: a new line behind the same port name. The next command reaches it
    // without the plug button, and the clock goes on.
    QVERIFY(startSimulator(1));
    f.DomaciSpinEdit->setText(QStringLiteral("4"));
    f.HosteSpinEdit->setText(QStringLiteral("2"));
    QTest::mouseClick(f.SkoreButton, Qt::LeftButton);
    QVERIFY(m_simulator->waitForLine(QStringLiteral("score home=4 guest=2")));
    QCOMPARE(c.dialogs.shown.size(), boxes);
    QCOMPARE(f.Button1->text(), QStringLiteral("&Stop"));
    c.ticks.advance(1000);
    QTRY_COMPARE(shownTime(f), expectedNow());
}

void TestFaultsLine::portVanishesWhileTheScanWaits()
{
    // COM1 answers its probe by going away; the controller is on COM2.
    ScriptedController vanishing(portLink(1));
    QVERIFY(vanishing.ok());
    vanishing.answerProbes = false;
    vanishing.onReceived = [&](const QByteArray &) { vanishing.unplug(); };
    QVERIFY(startSimulator(2));
    linkNowhere(3, 10);

    Console c(realPorts());
    QCOMPARE(vanishing.probes(), 1);
    QCOMPARE(c.dialogs.texts(), testing::strings("Zařízení nalezeno na COM2"));
    QCOMPARE(c.form1->Port->ComPort(), pnCOM2);
    QTest::mouseClick(c.form1->SirenaButton, Qt::LeftButton);
    QVERIFY(m_simulator->waitForLine(QStringLiteral("siren 5")));
}

void TestFaultsLine::secondConsoleCannotTakeThePort()
{
    if (!testing::ordinaryUserAvailable()) {
        QSKIP("run as root without an account \"nobody\" for the second console");
    }
    QVERIFY(startSimulator(1));
    linkNowhere(2, 10);
    Console c(realPorts());
    QCOMPARE(c.form1->StavSpojeni, 1u);

    QCOMPARE(openInAnotherProcess(portsDir(), 1), QStringLiteral("refused"));

    // The first console still owns a working line.
    c.form1->PolocasSpinEdit->setText(QStringLiteral("3"));
    QTest::mouseClick(c.form1->PolocasButton, Qt::LeftButton);
    QVERIFY(m_simulator->waitForLine(QStringLiteral("period 3")));
    QTest::mouseClick(c.form1->Button1, Qt::LeftButton);
    QVERIFY(m_simulator->waitForLine(QStringLiteral("start")));

    // Once the first console has let go, the port opens for anyone.
    c.form1->close();
    QCOMPARE(openInAnotherProcess(portsDir(), 1), QStringLiteral("opened"));
}

void TestFaultsLine::killedConsoleLeavesTheSimulatorFree()
{
    QProcess killed;
    if (!testing::runAsOrdinaryUser(killed)) {
        QSKIP("run as root without an account \"nobody\" for the consoles");
    }
    QVERIFY(startSimulator(1));
    killed.start(QStringLiteral(BODOVKA_FAULT_HELPER),
                 { QStringLiteral("hold-port"), portsDir(), QStringLiteral("1") });
    QVERIFY(killed.waitForReadyRead(helperWaitMs));
    QCOMPARE(killed.readAllStandardOutput(), QByteArray("opened\n"));
    killed.kill();
    QVERIFY(killed.waitForFinished(helperWaitMs));
    QCOMPARE(killed.exitCode(), SIGKILL);
    const QByteArray errors = killed.readAllStandardError();
    QVERIFY2(!testing::hasSanitizerReport(errors), errors.constData());

    // The kernel left its exclusive mode on the line, which the simulator keeps open; the next
    // console gets the line all the same.
    QTRY_COMPARE_WITH_TIMEOUT(openInAnotherProcess(portsDir(), 1), QStringLiteral("opened"), 10000);
}

QTEST_MAIN(TestFaultsLine)
#include "tst_faults_line.moc"
