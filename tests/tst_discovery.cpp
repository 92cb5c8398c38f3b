#include "support/console_fixture.h"

#include "controls/push_button.h"
#include "controls/spin.h"
#include "link/comdrv32.h"

#include <QTest>
#include <QTimer>
#include <QToolButton>

using testing::Console;
using Shown = testing::RecordingDialogs::Shown;

namespace {

QStringList openedPorts(const testing::FakeSerial &serial)
{
    QStringList names;
    for (const auto &call : serial.callsNamed(QStringLiteral("open"))) {
        names.append(call.device + (call.ok ? QString() : QStringLiteral("-")));
    }
    return names;
}

QStringList allPorts()
{
    QStringList names;
    for (int n = 1; n <= 10; ++n) {
        names.append(QStringLiteral("COM%1").arg(n));
    }
    return names;
}

// Closes the time dialog as soon as it opens, which activates the main window again, and
// waits for that activation: it puts the stored period back into the field.
bool activateAgainThroughTimeDialog(Console &c)
{
    c.form1->PolocasSpinEdit->setText(QStringLiteral("3"));
    QTimer::singleShot(0, c.form2.get(), [&c] { c.form2->ZrusitButton->click(); });
    QTest::mouseClick(c.form1->CasButton, Qt::LeftButton);
    return QTest::qWaitFor(
        [&c] { return c.form1->PolocasSpinEdit->text() != QStringLiteral("3"); });
}

} // namespace

class TestDiscovery final : public QObject
{
    Q_OBJECT

private slots:
    void controllerOnCom3();
    void firstScanAfterTheFirstPaint_data();
    void firstScanAfterTheFirstPaint();
    void noPortAtAll();
    void silentPortsAskAndCancel();
    void silentPortsRetryWithNewDriver();
    void lateAnswerIsNotTakenForTheNextPort();
    void replyAfterScanIsReadFromItsHeader();
    void retestFindsTheControllerAgain();
    void buttonsWorkDuringTheScan();
    void closingAbandonsTheScan();
};

void TestDiscovery::controllerOnCom3()
{
    Console::Options options;
    options.ports
        = QStringList { QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3") };
    options.controllerPort = QStringLiteral("COM3");
    Console c(options);
    TForm1 &f = *c.form1;
    QCOMPARE(c.dialogs.shown.size(), 1);
    const Shown &box = c.dialogs.shown[0];
    QCOMPARE(box.text, QStringLiteral("Zařízení nalezeno na COM3"));
    QCOMPARE(box.caption, QStringLiteral("Připojení"));
    QCOMPARE(box.icon, platform::MsgIcon::Information);
    QCOMPARE(f.StavSpojeni, 1u);
    QVERIFY(f.Port->Connected());
    QCOMPARE(f.Port->ComPort(), pnCOM3);
    // COM4 ... COM10 are never touched.
    QCOMPARE(openedPorts(c.serial), (QStringList { QStringLiteral("COM1"), QStringLiteral("COM2"),
                                                   QStringLiteral("COM3") }));
    for (const auto &call : c.serial.callsNamed(QStringLiteral("write"))) {
        QCOMPARE(call.bytes, QByteArray(1, char(0xCC)));
    }
    QCOMPARE(c.serial.callsNamed(QStringLiteral("write")).size(), 3);
    QCOMPARE(c.serial.callsNamed(QStringLiteral("close")).size(), 2);
    // 9600 bit/s, 8 data bits, no parity, one stop bit, no flow control.
    const auto block
        = testing::FakeSerial::blockOf(c.serial.callsNamed(QStringLiteral("setCommState")).last());
    QCOMPARE(block.BaudRate, 9600u);
    QCOMPARE(block.ByteSize, quint8(8));
    QCOMPARE(block.Parity, quint8(0));
    QCOMPARE(block.StopBits, quint8(0));
    QCOMPARE(block.flags, platform::dcbBinary);
    QCOMPARE(c.ticks.sleptMs(), 100u);
}

// Counts the window's paints; eats them while `eat` is set, as for a window the system has not
// drawn yet.
struct Paints final : QObject
{
    bool eat = true;
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint && !eat;
        return event->type() == QEvent::Paint && eat;
    }
};

// The scan's first probe waits until the window is drawn, however late the system draws it;
// a window never drawn (started minimized) scans all the same.
void TestDiscovery::firstScanAfterTheFirstPaint_data()
{
    QTest::addColumn<bool>("drawn");
    QTest::newRow("drawn late") << true;
    QTest::newRow("never drawn") << false;
}

void TestDiscovery::firstScanAfterTheFirstPaint()
{
    QFETCH(bool, drawn);
    Console::Options options;
    options.show = false;
    Console c(options);
    Paints paints;
    c.form1->installEventFilter(&paints);
    if (drawn) {
        QTimer::singleShot(200, c.form1.get(), [&] {
            paints.eat = false;
            c.form1->update();
        });
    }
    int paintsAtProbe = -1;
    c.serial.onWrite = [&, answer = c.serial.onWrite](auto handle, const QByteArray &bytes) {
        paintsAtProbe = paintsAtProbe < 0 ? paints.count : paintsAtProbe;
        answer(handle, bytes);
    };
    c.showAndScan();
    QCOMPARE(c.form1->StavSpojeni, 1u);
    QCOMPARE(paintsAtProbe > 0, drawn);
}

void TestDiscovery::noPortAtAll()
{
    Console::Options options;
    options.ports.clear();
    Console c(options);
    QCOMPARE(c.dialogs.shown.size(), 1);
    QCOMPARE(c.dialogs.shown[0].text, QStringLiteral("Chyba inicializace portu."));
    QCOMPARE(c.dialogs.shown[0].caption, QStringLiteral("Bodovka"));
    QCOMPARE(c.dialogs.shown[0].icon, platform::MsgIcon::Warning);
    QCOMPARE(c.form1->StavSpojeni, 0u);
    QStringList tried;
    for (const QString &port : allPorts()) {
        tried.append(port + QLatin1Char('-'));
    }
    QCOMPARE(openedPorts(c.serial), tried);

    // The next activation scans again, and now finds the controller.
    c.serial.present.insert(QStringLiteral("COM1"));
    c.ticks.setAutoAdvance(250);
    QVERIFY(activateAgainThroughTimeDialog(c));
    QTRY_COMPARE(c.form1->StavSpojeni, 1u);
    QCOMPARE(c.dialogs.shown.last().text, QStringLiteral("Zařízení nalezeno na COM1"));
}

void TestDiscovery::silentPortsAskAndCancel()
{
    Console::Options options;
    options.ports = allPorts();
    options.controllerPort.clear();
    Console c(options);
    QCOMPARE(c.dialogs.shown.size(), 1);
    const Shown &box = c.dialogs.shown[0];
    QCOMPARE(box.text, QStringLiteral("Zařízení nerozpoznáno. Opakovat?"));
    QCOMPARE(box.caption, QStringLiteral("Bodovka"));
    QCOMPARE(box.icon, platform::MsgIcon::Question);
    QCOMPARE(box.buttons, platform::MsgButtons::RetryCancel);
    QCOMPARE(c.form1->StavSpojeni, 2u);
    QCOMPARE(openedPorts(c.serial), allPorts());
    QVERIFY(!c.form1->Port->Connected());
    QCOMPARE(c.form1->Port->ComPort(), pnCOM10);

    // Given up: activation no longer scans.
    const qsizetype opens = c.serial.callsNamed(QStringLiteral("open")).size();
    QVERIFY(activateAgainThroughTimeDialog(c));
    QCOMPARE(c.serial.callsNamed(QStringLiteral("open")).size(), opens + 1); // the time is sent
    QCOMPARE(c.dialogs.shown.size(), 1);
}

void TestDiscovery::silentPortsRetryWithNewDriver()
{
    Console::Options options;
    options.ports = QStringList { QStringLiteral("COM2") };
    options.controllerPort.clear();
    options.show = false;
    Console c(options);
    QList<TCommPortDriver *> drivers;
    c.serial.onOpen = [&](const QString &, platform::SerialHandle) {
        if (drivers.isEmpty() || drivers.last() != c.form1->Port) {
            drivers.append(c.form1->Port);
        }
    };
    c.dialogs.answers = { platform::MsgResult::Retry, platform::MsgResult::Cancel };
    c.showAndScan();
    QTRY_COMPARE(c.dialogs.shown.size(), 2);
    QCOMPARE(c.dialogs.texts(), QStringList(2, QStringLiteral("Zařízení nerozpoznáno. Opakovat?")));
    QCOMPARE(drivers.size(), 2);
    QVERIFY(drivers[0] != drivers[1]);
    QCOMPARE(drivers[0]->parent(), c.form1.get()); // earlier drivers stay with the window
    QCOMPARE(c.form1->StavSpojeni, 2u);
    QCOMPARE(c.ticks.sleptMs(), 200u);
}

void TestDiscovery::lateAnswerIsNotTakenForTheNextPort()
{
    Console::Options options;
    options.ports = QStringList { QStringLiteral("COM1"), QStringLiteral("COM2") };
    options.controllerPort.clear();
    options.show = false;
    Console c(options);
    // COM1's answer turns up only after its window has closed, as COM2 is being opened.
    c.serial.onOpen = [&](const QString &device, platform::SerialHandle) {
        if (device == QStringLiteral("COM2")) {
            c.form1->PrijmiBajt(0xDC);
        }
    };
    c.showAndScan();
    QCOMPARE(c.dialogs.texts(), QStringList { QStringLiteral("Zařízení nerozpoznáno. Opakovat?") });
    QCOMPARE(c.form1->StavSpojeni, 2u);
}

void TestDiscovery::replyAfterScanIsReadFromItsHeader()
{
    Console c;
    QCOMPARE(c.form1->StavPrijmu, 0);
    // Settings: siren 6, period 3, guest 12, home 45; then the time 04:05.06 without a header.
    c.reply(QByteArray::fromHex("fc060302010504") + QByteArray::fromHex("060005000400"));
    QVERIFY(c.waitForReplies());
    TForm1 &f = *c.form1;
    QCOMPARE((QList<int> { f.Sirena, f.Polocas, f.SkoreHoste, f.SkoreDomaci }),
             (QList<int> { 6, 3, 12, 45 }));
    QCOMPARE((QList<int> { f.AktMinuty, f.AktSekundy, f.AktSetiny }), (QList<int> { 4, 5, 6 }));
    QCOMPARE(testing::shownTime(f), QStringLiteral("04:05"));
    QCOMPARE(testing::shownScore(f), QStringLiteral("45:12"));
    QCOMPARE(f.StavPrijmu, 0);
}

void TestDiscovery::retestFindsTheControllerAgain()
{
    Console c;
    TCommPortDriver *first = c.form1->Port;
    c.ticks.setAutoAdvance(250);
    QTest::mouseClick(c.form1->SpeedButton2, Qt::LeftButton);
    QTRY_COMPARE(c.dialogs.shown.size(), 2);
    QCOMPARE(c.dialogs.shown.last().text, QStringLiteral("Zařízení nalezeno na COM1"));
    QVERIFY(!first->Connected());
    QVERIFY(c.form1->Port != first);
    QVERIFY(c.form1->Port->Connected());
    QCOMPARE(c.form1->StavSpojeni, 1u);
    QCOMPARE(openedPorts(c.serial), QStringList(2, QStringLiteral("COM1")));
}

void TestDiscovery::buttonsWorkDuringTheScan()
{
    Console::Options options;
    options.ports = QStringList { QStringLiteral("COM1") };
    options.controllerPort.clear();
    options.show = false;
    Console c(options);
    bool clicked = false;
    c.serial.onOpen = [&](const QString &, platform::SerialHandle) {
        // The operator sends the score and presses the re-test button while the scan waits.
        QTimer::singleShot(0, c.form1.get(), [&] {
            c.form1->DomaciSpinEdit->setText(QStringLiteral("4"));
            QTest::mouseClick(c.form1->SkoreButton, Qt::LeftButton);
            QTest::mouseClick(c.form1->SpeedButton2, Qt::LeftButton);
            clicked = true;
        });
    };
    c.ticks.setAutoAdvance(20);
    c.form1->show();
    QTRY_VERIFY_WITH_TIMEOUT(!c.dialogs.shown.isEmpty(), 10000);
    QVERIFY(clicked);
    const auto writes = c.serial.callsNamed(QStringLiteral("write"));
    QByteArray sent;
    for (const auto &w : writes) {
        sent += w.bytes;
    }
    QCOMPARE(sent, QByteArray::fromHex("ccca00000400"));
    // The second press found a scan under way and started none inside it.
    QCOMPARE(c.dialogs.shown.size(), 1);
    QCOMPARE(c.serial.callsNamed(QStringLiteral("open")).size(), 10);
}

void TestDiscovery::closingAbandonsTheScan()
{
    Console::Options options;
    options.ports = allPorts();
    options.controllerPort.clear();
    options.show = false;
    Console c(options);
    c.serial.onOpen = [&](const QString &device, platform::SerialHandle) {
        if (device == QStringLiteral("COM2")) {
            QTimer::singleShot(0, c.form1.get(), [&] { c.form1->close(); });
        }
    };
    c.ticks.setAutoAdvance(250);
    c.form1->show();
    QTRY_VERIFY(!c.form1->isVisible());
    // The scan gives up as soon as it looks again: COM2 is closed and nothing further opened.
    QTRY_VERIFY(!c.form1->Port->Connected());
    QCOMPARE(openedPorts(c.serial),
             (QStringList { QStringLiteral("COM1"), QStringLiteral("COM2") }));
    QVERIFY(c.dialogs.shown.isEmpty());
    QVERIFY(!c.form1->Port->Connected());
}

QTEST_MAIN(TestDiscovery)
#include "tst_discovery.moc"
