#include "support/com_port_pty.h"
#include "support/console_fixture.h"
#include "support/ports_folder.h"
#include "support/simulator_process.h"

#include "controls/push_button.h"
#include "controls/spin.h"
#include "link/comdrv32.h"
#include "platform/serial.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <list>
#include <memory>

using testing::Console;
using testing::realPorts;
using testing::SimulatorProcess;

class TestEndToEnd final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void scanFindsTheSimulatorBehindSilentPorts();
    void noPortAtAll();
    void silentPortsAskAgain();
    void everyCommandReachesTheScoreboard();

private:
    void linkNowhere(int from, int to) { m_ports->linkNowhere(from, to); }
    bool linkSilent(int n);
    bool startSimulator(int n);

    std::unique_ptr<testing::PortsFolder> m_ports;
    std::list<testing::ComPortPty> m_silent;
    std::unique_ptr<SimulatorProcess> m_simulator;
};

void TestEndToEnd::init()
{
    m_ports = std::make_unique<testing::PortsFolder>();
    QVERIFY(m_ports->ok());
}

void TestEndToEnd::cleanup()
{
    m_simulator.reset();
    m_silent.clear();
    m_ports.reset();
}

bool TestEndToEnd::linkSilent(int n)
{
    return m_silent.emplace_back(*m_ports, n).linked();
}

bool TestEndToEnd::startSimulator(int n)
{
    m_simulator = std::make_unique<SimulatorProcess>();
    return m_simulator->start({ QStringLiteral("--dir"), m_ports->path(), QStringLiteral("--port"),
                                QStringLiteral("COM%1").arg(n) });
}

void TestEndToEnd::scanFindsTheSimulatorBehindSilentPorts()
{
    QVERIFY(linkSilent(1));
    QVERIFY(linkSilent(2));
    QVERIFY(startSimulator(3));
    linkNowhere(4, 10);
    Console c(realPorts());
    QCOMPARE(c.dialogs.texts(), testing::strings("Zařízení nalezeno na COM3"));
    QCOMPARE(c.form1->StavSpojeni, 1u);
    QVERIFY(c.form1->Port->Connected());
    QCOMPARE(c.form1->Port->ComPort(), pnCOM3);
    // Each silent port got exactly one probe.
    for (auto &silent : m_silent) {
        QCOMPARE(silent.read(1, 1000), QByteArray::fromHex("cc"));
    }
    QVERIFY(m_simulator->waitForLine(QStringLiteral("probe")));
}

void TestEndToEnd::noPortAtAll()
{
    linkNowhere(1, 10);
    Console c(realPorts());
    QCOMPARE(c.dialogs.texts(), testing::strings("Chyba inicializace portu."));
    QCOMPARE(c.form1->StavSpojeni, 0u);
}

void TestEndToEnd::silentPortsAskAgain()
{
    QVERIFY(linkSilent(1));
    linkNowhere(2, 10);
    Console c(realPorts(false));
    c.dialogs.answers = { platform::MsgResult::Retry, platform::MsgResult::Cancel };
    c.showAndScan();
    QTRY_COMPARE(c.dialogs.shown.size(), 2);
    QCOMPARE(c.dialogs.texts(), testing::strings("Zařízení nerozpoznáno. Opakovat?",
                                                 "Zařízení nerozpoznáno. Opakovat?"));
    QCOMPARE(c.form1->StavSpojeni, 2u);
    QCOMPARE(m_silent.front().read(2, 1000), QByteArray::fromHex("cccc"));
}

void TestEndToEnd::everyCommandReachesTheScoreboard()
{
    QVERIFY(startSimulator(1));
    linkNowhere(2, 10);
    Console c(realPorts());
    QCOMPARE(c.form1->StavSpojeni, 1u);
    TForm1 &f = *c.form1;
    SimulatorProcess &sim = *m_simulator;

    f.DomaciSpinEdit->setText(QStringLiteral("5"));
    f.HosteSpinEdit->setText(QStringLiteral("3"));
    QTest::mouseClick(f.SkoreButton, Qt::LeftButton);
    QVERIFY(sim.waitForLine(QStringLiteral("score home=5 guest=3")));
    f.PolocasSpinEdit->setText(QStringLiteral("2"));
    QTest::mouseClick(f.PolocasButton, Qt::LeftButton);
    QVERIFY(sim.waitForLine(QStringLiteral("period 2")));
    f.SirenaSpinEdit->setText(QStringLiteral("7"));
    QTest::mouseClick(f.SirenaButton, Qt::LeftButton);
    QVERIFY(sim.waitForLine(QStringLiteral("siren 7")));

    QTimer::singleShot(0, c.form2.get(), [&] {
        c.form2->MinutySpinEdit->setText(QStringLiteral("10"));
        QTest::mouseClick(c.form2->NastavitButton, Qt::LeftButton);
    });
    QTest::mouseClick(f.CasButton, Qt::LeftButton);
    QVERIFY(sim.waitForLine(QStringLiteral("time 10:00.00")));

    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QVERIFY(sim.waitForLine(QStringLiteral("start")));
    // The console's own fields are changed before the read-back brings the scoreboard's back.
    f.DomaciSpinEdit->setText(QStringLiteral("9"));
    f.SirenaSpinEdit->setText(QStringLiteral("1"));
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QVERIFY(sim.waitForLine(QStringLiteral("stop")));
    QVERIFY(sim.waitForLine(QStringLiteral("readback")));
    QTRY_COMPARE(f.DomaciSpinEdit->text(), QStringLiteral("5"));
    QCOMPARE(f.SirenaSpinEdit->text(), QStringLiteral("7"));
    QCOMPARE(f.PolocasSpinEdit->text(), QStringLiteral("2"));
    QCOMPARE(f.HosteSpinEdit->text(), QStringLiteral("3"));
    QTRY_COMPARE(f.StavPrijmu, 0); // the time block behind the settings was read too
    QVERIFY(f.AktMinuty == 9 || f.AktMinuty == 10);

    const qsizetype before = sim.events().size();
    QTest::mouseClick(f.NastavitVseButton, Qt::LeftButton);
    QTRY_COMPARE(sim.events().size(), before + 4);
    QCOMPARE(sim.events().mid(before),
             testing::strings("time 10:00.00", "score home=5 guest=3", "period 2", "siren 7"));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_end_to_end.moc"
