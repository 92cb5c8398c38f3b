#include "platform/testing/fakes.h"
#include "simulator/controller.h"
#include "support/bytes.h"

#include <QTest>

using simulator::ScoreboardController;

using testing::bytes;
using testing::FakeTicks;
using namespace Qt::StringLiterals;

namespace {

/// Everything a command may change, in one comparable line.
QString state(const ScoreboardController &c)
{
    return QStringLiteral("%1 %2 home=%3 guest=%4 period=%5 siren=%6%7")
        .arg(c.timeText(), c.running() ? QStringLiteral("running") : QStringLiteral("stopped"))
        .arg(c.home())
        .arg(c.guest())
        .arg(c.period())
        .arg(c.sirenLength())
        .arg(c.sirenSounding() ? QStringLiteral(" sounding") : QString());
}

const QString initial = QStringLiteral("07:00.00 stopped home=0 guest=0 period=1 siren=5");

} // namespace

class TestSimController final : public QObject
{
    Q_OBJECT

private slots:
    void command_data();
    void command();
    void splitAnywhere_data();
    void splitAnywhere();
    void readBack();
    void countDownToZeroAndSiren();
    void stopHoldsTheTime();
    void lateUpdateReportsInOrder();
    void startAtZeroBeginsNewPeriod();
    void setTimeWhileRunning();
    void noSirenWhenLengthIsZero();
    void tickCountWraps();
};

void TestSimController::command_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("after");

    QTest::newRow("probe") << bytes({ 0xCC }) << bytes({ 0xDC }) << QStringList { u"probe"_s }
                           << initial;
    QTest::newRow("set time") << bytes({ 0xEA, 5, 4, 3, 2, 1, 0 }) << QByteArray()
                              << QStringList { u"time 01:23.45"_s }
                              << "01:23.45 stopped home=0 guest=0 period=1 siren=5";
    QTest::newRow("set time, digits clamped")
        << bytes({ 0xEA, 12, 9, 0xFF, 7, 10, 200 }) << QByteArray()
        << QStringList { u"time 99:59.99 (clamped)"_s }
        << "99:59.99 stopped home=0 guest=0 period=1 siren=5";
    QTest::newRow("set score, guest first")
        << bytes({ 0xCA, 2, 1, 7, 0 }) << QByteArray() << QStringList { u"score home=7 guest=12"_s }
        << "07:00.00 stopped home=7 guest=12 period=1 siren=5";
    QTest::newRow("set score, digits clamped")
        << bytes({ 0xCA, 10, 0, 0, 0xCC }) << QByteArray()
        << QStringList { u"score home=90 guest=9 (clamped)"_s }
        << "07:00.00 stopped home=90 guest=9 period=1 siren=5";
    QTest::newRow("set period") << bytes({ 0xD5, 3 }) << QByteArray()
                                << QStringList { u"period 3"_s }
                                << "07:00.00 stopped home=0 guest=0 period=3 siren=5";
    QTest::newRow("period taken as sent")
        << bytes({ 0xD5, 200 }) << QByteArray() << QStringList { u"period 200"_s }
        << "07:00.00 stopped home=0 guest=0 period=200 siren=5";
    QTest::newRow("set siren") << bytes({ 0xDA, 9 }) << QByteArray() << QStringList { u"siren 9"_s }
                               << "07:00.00 stopped home=0 guest=0 period=1 siren=9";
    QTest::newRow("start") << bytes({ 0xA5 }) << QByteArray() << QStringList { u"start"_s }
                           << "07:00.00 running home=0 guest=0 period=1 siren=5";
    QTest::newRow("start and stop") << bytes({ 0xA5, 0xA5 }) << QByteArray()
                                    << QStringList { u"start"_s, u"stop"_s } << initial;
    QTest::newRow("command codes as payload")
        << bytes({ 0xD5, 0xCC, 0xDA, 0xA5 }) << QByteArray()
        << QStringList { u"period 204"_s, u"siren 165"_s }
        << "07:00.00 stopped home=0 guest=0 period=204 siren=165";
    QTest::newRow("unknown bytes ignored")
        << bytes({ 0x00, 0x41, 0xDC, 0xFC, 0xCC }) << bytes({ 0xDC })
        << QStringList { u"ignored 0x00"_s, u"ignored 0x41"_s, u"ignored 0xdc"_s, u"ignored 0xfc"_s,
                         u"probe"_s }
        << initial;
    QTest::newRow("unfinished payload waits")
        << bytes({ 0xEA, 1, 2, 3 }) << QByteArray() << QStringList() << initial;
    QTest::newRow("several answers in one read")
        << bytes({ 0xCC, 0xDA, 2, 0xCC }) << bytes({ 0xDC, 0xDC })
        << QStringList { u"probe"_s, u"siren 2"_s, u"probe"_s }
        << "07:00.00 stopped home=0 guest=0 period=1 siren=2";
}

void TestSimController::command()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, events);
    QFETCH(QString, after);
    FakeTicks ticks;
    ScoreboardController controller;
    QCOMPARE(controller.receive(input), answer);
    QCOMPARE(controller.takeEvents(), events);
    QCOMPARE(state(controller), after);
}

void TestSimController::splitAnywhere_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("every command")
        << bytes({ 0xEA, 5, 4, 3, 2, 1, 0, 0xCA, 2, 1, 7, 0, 0xD5, 2, 0xDA, 7, 0xCC, 0xD3 });
    QTest::newRow("payload that looks like commands")
        << bytes({ 0xCA, 0xD3, 0xCC, 0xEA, 0xA5, 0xCC });
}

void TestSimController::splitAnywhere()
{
    QFETCH(QByteArray, input);
    FakeTicks ticks;
    ScoreboardController whole;
    const QByteArray answer = whole.receive(input);
    const QStringList events = whole.takeEvents();

    for (qsizetype cut = 1; cut < input.size(); ++cut) {
        ScoreboardController split;
        QByteArray answerSplit = split.receive(input.first(cut));
        answerSplit += split.receive(input.sliced(cut));
        QCOMPARE(answerSplit, answer);
        QCOMPARE(split.takeEvents(), events);
        QCOMPARE(state(split), state(whole));
    }
    ScoreboardController byteByByte;
    QByteArray answerBytes;
    for (char c : input) {
        answerBytes += byteByByte.receive(QByteArray(1, c));
    }
    QCOMPARE(answerBytes, answer);
    QCOMPARE(state(byteByByte), state(whole));
}

void TestSimController::readBack()
{
    FakeTicks ticks;
    ScoreboardController controller;
    controller.receive(bytes({ 0xEA, 5, 4, 3, 2, 1, 0, 0xCA, 2, 1, 7, 0, 0xD5, 2, 0xDA, 7 }));
    // Settings block: siren, period, guest units, tens, home units, tens; then the time
    // block's six digits without a header.
    QCOMPARE(controller.receive(bytes({ 0xD3 })),
             bytes({ 0xFC, 7, 2, 2, 1, 7, 0, 5, 4, 3, 2, 1, 0 }));
    QCOMPARE(controller.takeEvents().constLast(), QStringLiteral("readback"));

    // While running, the time read back is the time remaining at that moment.
    controller.receive(bytes({ 0xA5 }));
    ticks.advance(1234);
    QCOMPARE(controller.receive(bytes({ 0xD3 })).sliced(7),
             bytes({ 1, 2, 2, 2, 1, 0 })); // 01:23.45 less 1.234 s: 01:22.21
}

void TestSimController::countDownToZeroAndSiren()
{
    FakeTicks ticks;
    ScoreboardController controller;
    controller.receive(bytes({ 0xEA, 0, 0, 5, 0, 0, 0, 0xDA, 3 }));
    controller.takeEvents();
    controller.receive(bytes({ 0xA5 }));
    QVERIFY(controller.busy());

    ticks.advance(1);
    controller.update();
    QCOMPARE(controller.timeText(), QStringLiteral("00:04.99"));
    ticks.advance(4989);
    controller.update();
    QCOMPARE(controller.timeText(), QStringLiteral("00:00.01"));
    QVERIFY(!controller.sirenSounding());

    ticks.advance(10);
    controller.update();
    QCOMPARE(state(controller),
             QStringLiteral("00:00.00 stopped home=0 guest=0 period=1 siren=3 sounding"));
    QCOMPARE(controller.takeEvents(), (QStringList { u"start"_s, u"time up"_s, u"siren on"_s }));

    ticks.advance(2999);
    controller.update();
    QVERIFY(controller.sirenSounding());
    ticks.advance(1);
    controller.update();
    QVERIFY(!controller.sirenSounding());
    QVERIFY(!controller.busy());
    QCOMPARE(controller.takeEvents(), QStringList { u"siren off"_s });

    ticks.advance(60000);
    controller.update();
    QCOMPARE(controller.timeText(), QStringLiteral("00:00.00"));
    QVERIFY(controller.takeEvents().isEmpty());
}

void TestSimController::stopHoldsTheTime()
{
    FakeTicks ticks;
    ScoreboardController controller;
    controller.receive(bytes({ 0xA5 }));
    ticks.advance(2500);
    controller.receive(bytes({ 0xA5 }));
    QCOMPARE(controller.timeText(), QStringLiteral("06:57.50"));
    QVERIFY(!controller.running());

    ticks.advance(10000);
    controller.update();
    QCOMPARE(controller.timeText(), QStringLiteral("06:57.50"));

    controller.receive(bytes({ 0xA5 }));
    ticks.advance(500);
    controller.update();
    QCOMPARE(controller.timeText(), QStringLiteral("06:57.00"));
    QCOMPARE(controller.takeEvents(), (QStringList { u"start"_s, u"stop"_s, u"start"_s }));
}

void TestSimController::lateUpdateReportsInOrder()
{
    FakeTicks ticks;
    ScoreboardController controller;
    controller.receive(bytes({ 0xEA, 0, 0, 1, 0, 0, 0, 0xDA, 2, 0xA5 }));
    controller.takeEvents();
    ticks.advance(10000);
    // The next command finds the period over and the siren done.
    QCOMPARE(controller.receive(bytes({ 0xCC })), bytes({ 0xDC }));
    QCOMPARE(controller.takeEvents(),
             (QStringList { u"time up"_s, u"siren on"_s, u"siren off"_s, u"probe"_s }));
}

void TestSimController::startAtZeroBeginsNewPeriod()
{
    FakeTicks ticks;
    ScoreboardController controller;
    controller.receive(bytes({ 0xEA, 0, 0, 2, 0, 0, 0, 0xDA, 0, 0xA5 }));
    ticks.advance(2000);
    controller.update();
    QCOMPARE(controller.timeText(), QStringLiteral("00:00.00"));
    QVERIFY(!controller.running());

    controller.receive(bytes({ 0xA5 }));
    QVERIFY(controller.running());
    QCOMPARE(controller.timeText(), QStringLiteral("00:02.00"));

    // With no time set there is nothing to count.
    controller.receive(bytes({ 0xA5, 0xEA, 0, 0, 0, 0, 0, 0, 0xA5 }));
    QVERIFY(!controller.running());
    QCOMPARE(controller.takeEvents().constLast(), QStringLiteral("start"));
}

void TestSimController::setTimeWhileRunning()
{
    FakeTicks ticks;
    ScoreboardController controller;
    controller.receive(bytes({ 0xA5 }));
    ticks.advance(30000);
    controller.receive(bytes({ 0xEA, 0, 0, 0, 0, 2, 0 }));
    QVERIFY(controller.running());
    ticks.advance(1000);
    controller.update();
    QCOMPARE(controller.timeText(), QStringLiteral("01:59.00"));
}

void TestSimController::noSirenWhenLengthIsZero()
{
    FakeTicks ticks;
    ScoreboardController controller;
    controller.receive(bytes({ 0xEA, 0, 0, 1, 0, 0, 0, 0xDA, 0, 0xA5 }));
    controller.takeEvents();
    ticks.advance(1000);
    controller.update();
    QCOMPARE(controller.takeEvents(), QStringList { u"time up"_s });
    QVERIFY(!controller.sirenSounding());
    QVERIFY(!controller.busy());
}

void TestSimController::tickCountWraps()
{
    FakeTicks ticks(0xFFFFFF00u);
    ScoreboardController controller;
    controller.receive(bytes({ 0xEA, 0, 0, 1, 0, 0, 0, 0xDA, 1, 0xA5 }));
    ticks.advance(0x200); // past the wrap: 512 ms later
    controller.update();
    QCOMPARE(controller.timeText(), QStringLiteral("00:00.48"));
    ticks.advance(488);
    controller.update();
    QVERIFY(controller.sirenSounding());
    ticks.advance(1000);
    controller.update();
    QVERIFY(!controller.sirenSounding());
}

QTEST_APPLESS_MAIN(TestSimController)
#include "tst_sim_controller.moc"
