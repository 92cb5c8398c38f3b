// A peer that floods the console's port with random bytes at full speed: the console must
// stay usable throughout and understand the next real reply once the flood is over.

#include "support/console_fixture.h"
#include "support/ports_folder.h"

#include "controls/int_text.h"
#include "controls/push_button.h"
#include "controls/spin.h"
#include "link/protocol.h"
#include "platform/serial.h"
#include "platform/testing/line_flooder.h"
#include "platform/testing/scripted_controller.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using controls::strToInt;

using testing::Console;
using testing::LineFlooder;
using testing::ScriptedController;
using testing::shownTime;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif

// How long the peer floods; a sanitizer build runs too slowly for the full length.
constexpr int floodMs = sanitized ? 3000 : 10000;
// The rounds of checks that must fit into the flood (each needs a few event loop turns).
constexpr int minimumRounds = 3;
// A long preset, so that the rounds of the flood never reach the end of the period.
constexpr int presetMs = 59 * 60000;
const QByteArray settings = QByteArrayLiteral(
    "[Nastaveni]\nMinuty=59\nSekundy=0\nSetiny=0\nPolocas=1\nSirena=5\nPripojeni=1\n");

} // namespace

class TestFaultsFlood final : public QObject
{
    Q_OBJECT

private slots:
    void consoleStaysUsableThroughAFlood();
};

void TestFaultsFlood::consoleStaysUsableThroughAFlood()
{
    const testing::PortsFolder ports;
    QVERIFY(ports.ok());
    ports.linkNowhere(2, 10);
    auto peer = std::make_unique<ScriptedController>(ports.link(1));
    QVERIFY(peer->ok());

    Console::Options options = testing::realPorts();
    options.settings = settings;
    Console c(options);
    QCOMPARE(c.dialogs.texts(), testing::strings("Zařízení nalezeno na COM1"));
    TForm1 &f = *c.form1;
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    const auto expectedNow = [&] {
        return testing::expectedDisplay(presetMs - qint64(c.ticks.now() - quint32(f.Zaklad)));
    };
    const qsizetype boxes = c.dialogs.shown.size();

    LineFlooder flood(peer->master(), floodMs);
    int rounds = 0;
    while (flood.running()) {
        // The clock advances on screen. Garbage that looks like a time block may paint its
        // digits in between; the clock's next tick paints them back.
        c.ticks.advance(1000);
        QTRY_COMPARE_WITH_TIMEOUT(shownTime(f), expectedNow(), 5000);

        // A click sends its bytes, whatever the garbage has put into the fields meanwhile.
        controls::PushButton *button = rounds % 2 == 0 ? f.SkoreButton : f.PolocasButton;
        const QByteArray expected
            = rounds % 2 == 0 ? testing::bytes(
                  devicelink::protocol::setScore(quint8(strToInt(f.DomaciSpinEdit->text())),
                                                 quint8(strToInt(f.HosteSpinEdit->text()))))
                              : testing::bytes(devicelink::protocol::setPeriod(
                                  quint8(strToInt(f.PolocasSpinEdit->text()))));
        const qsizetype before = peer->received().size();
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(peer->receivedFrom(before), expected, 5000);
        if (flood.running()) {
            ++rounds; // only what happened while the flood went on counts
        }
    }
    flood.stop();
    QVERIFY2(rounds >= minimumRounds,
             qPrintable(QStringLiteral("%1 rounds during the flood").arg(rounds)));
    QVERIFY(flood.bytesWritten() > 10000);
    QCOMPARE(c.dialogs.shown.size(), boxes);

    // Stopped, then twelve zero bytes bring the parser back to idle wherever the garbage
    // left it, and the next time block is read exactly.
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QVERIFY(peer->send(QByteArray(12, '\0') + QByteArray::fromHex("dc050403020100")));
    QTRY_VERIFY_WITH_TIMEOUT(shownTime(f) == QStringLiteral("01:23") && f.AktSetiny == 45
                                 && f.AktSekundy == 23 && f.AktMinuty == 1 && f.StavPrijmu == 0,
                             20000);
    QCOMPARE(c.dialogs.shown.size(), boxes);
    peer.reset();
}

QTEST_MAIN(TestFaultsFlood)
#include "tst_faults_flood.moc"
