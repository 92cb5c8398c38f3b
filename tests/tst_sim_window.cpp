#include "controls/dsleds.h"
#include "platform/testing/fakes.h"
#include "simulator/controller.h"
#include "simulator/window.h"
#include "support/bytes.h"

#include <QTest>

using simulator::placeBesideConsole;
using simulator::ScoreboardController;
using simulator::ScoreboardWindow;

using testing::bytes;
using testing::FakeTicks;

namespace {

const QStringList digitNames {
    QStringLiteral("minuteTens"),  QStringLiteral("minuteUnits"), QStringLiteral("secondTens"),
    QStringLiteral("secondUnits"), QStringLiteral("period"),      QStringLiteral("homeTens"),
    QStringLiteral("homeUnits"),   QStringLiteral("guestTens"),   QStringLiteral("guestUnits"),
};

} // namespace

class TestSimWindow final : public QObject
{
    Q_OBJECT

private slots:
    void showsTheScoreboard_data();
    void showsTheScoreboard();
    void sirenLampFollowsTheSiren();
    void placedWhereTheConsoleDoesNotCoverIt_data();
    void placedWhereTheConsoleDoesNotCoverIt();
};

void TestSimWindow::showsTheScoreboard_data()
{
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<QList<int>>("digits"); // in the order of digitNames

    QTest::newRow("power on") << QByteArray() << QList<int> { 0, 7, 0, 0, 1, 0, 0, 0, 0 };
    QTest::newRow("everything set") << bytes({ 0xEA, 0, 0, 5, 4, 2, 1, 0xCA, 2, 1, 7, 0, 0xD5, 2 })
                                    << QList<int> { 1, 2, 4, 5, 2, 0, 7, 1, 2 };
    QTest::newRow("period above 9")
        << bytes({ 0xD5, 12 }) << QList<int> { 0, 7, 0, 0, 12, 0, 0, 0, 0 };
}

void TestSimWindow::showsTheScoreboard()
{
    QFETCH(QByteArray, commands);
    QFETCH(QList<int>, digits);
    FakeTicks ticks;
    ScoreboardController controller;
    ScoreboardWindow window(controller);
    window.show();
    controller.receive(commands);
    window.refresh();
    for (qsizetype i = 0; i < digitNames.size(); ++i) {
        const auto *digit = window.findChild<TdsSevenSegmentDisplay *>(digitNames[i]);
        QVERIFY2(digit, qPrintable(digitNames[i]));
        QCOMPARE(digit->Segments(), controls::digitSegments(digits[i]));
    }
    for (const char *dot : { "colonUpper", "colonLower" }) {
        QVERIFY(window.findChild<TdsLed *>(QLatin1String(dot))->LedOn());
    }
}

void TestSimWindow::sirenLampFollowsTheSiren()
{
    FakeTicks ticks;
    ScoreboardController controller;
    ScoreboardWindow window(controller);
    window.show();
    auto *lamp = window.findChild<TdsLed *>(QStringLiteral("siren"));
    QVERIFY(lamp);

    controller.receive(bytes({ 0xEA, 0, 0, 1, 0, 0, 0, 0xDA, 2, 0xA5 }));
    window.refresh();
    QVERIFY(!lamp->LedOn());
    ticks.advance(1000);
    controller.update();
    window.refresh();
    QVERIFY(lamp->LedOn());
    ticks.advance(2000);
    controller.update();
    window.refresh();
    QVERIFY(!lamp->LedOn());
}

void TestSimWindow::placedWhereTheConsoleDoesNotCoverIt_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QPoint>("position");
    // The console, 787 x 618, centred: on 1920 x 1050 it spans x 566 to 1352, y 215 to 832.
    QTest::newRow("wide screen: right of the console")
        << QRect(0, 0, 1920, 1050) << QPoint(1369, 215);
    QTest::newRow("screen away from the origin") << QRect(1920, 0, 1920, 1050) << QPoint(3289, 215);
    // 1080 x 1920: x 146 to 932, y 650 to 1267.
    QTest::newRow("portrait screen: below the console")
        << QRect(0, 0, 1080, 1920) << QPoint(146, 1284);
    // 1280 x 1024: no room around the console; the corner it covers least.
    QTest::newRow("small screen: bottom right corner")
        << QRect(0, 0, 1280, 1024) << QPoint(830, 604);
}

void TestSimWindow::placedWhereTheConsoleDoesNotCoverIt()
{
    QFETCH(QRect, screen);
    QTEST(placeBesideConsole(screen, QSize(450, 420), QSize(787, 618)), "position");
}

QTEST_MAIN(TestSimWindow)
#include "tst_sim_window.moc"
