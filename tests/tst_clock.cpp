#include "support/console_fixture.h"
#include "support/paint_counter.h"

#include "console/clock.h"
#include "controls/dsleds.h"
#include "controls/push_button.h"
#include "controls/spin.h"
#include "match/journal.h"
#include "match/journal_reader.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>

using testing::Console;
using testing::PaintCounter;
using testing::shownDigit;
using testing::shownTime;

namespace {

QByteArray settingsWithTime(int minutes, int seconds, int hundredths, int period = 1)
{
    return QStringLiteral("[Nastaveni]\nMinuty=%1\nSekundy=%2\nSetiny=%3\nPolocas=%4\nSirena=5\n")
        .arg(minutes)
        .arg(seconds)
        .arg(hundredths)
        .arg(period)
        .toLatin1();
}

// One tick of the clock's timer, as the message loop would deliver it.
void tick(TForm1 &f)
{
    QVERIFY(QMetaObject::invokeMethod(f.PomTimer, "timeout", Qt::DirectConnection));
}

// Runs an action from the messages that the next tick of a timer processes itself, as an
// operator's click that comes while the tick's handler runs.
class InsideNextTick final : public QObject
{
public:
    InsideNextTick(QTimer *timer, std::function<void()> action)
        : m_action(std::move(action))
    {
        timer->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer && m_action) {
            QTimer::singleShot(0, this, std::exchange(m_action, nullptr));
        }
        return false;
    }

private:
    std::function<void()> m_action;
};

} // namespace

class TestClock final : public QObject
{
    Q_OBJECT

private slots:
    void reading_data();
    void reading();
    void startStopResume();
    void endOfPeriod_data();
    void endOfPeriod();
    void minutesWithinTheHour();
    void lateAndMissedTicksDoNotDrift();
    void replyChangesTheDisplayNotTheCount();
    void clockRunsOnBehindABoxOpenedInsideItsTick();
    void tickRepaintsOnlyChangedDigits();
    void journalHasTheGameTimes();
};

void TestClock::reading_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("elapsed");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("hundredths");

    QTest::newRow("start of 7:00") << 420000 << 0 << 7 << 0 << 0;
    QTest::newRow("1 ms later") << 420000 << 1 << 6 << 59 << 100;
    QTest::newRow("half a hundredth rounds up") << 420000 << 2995 << 6 << 57 << 1;
    QTest::newRow("below half rounds down") << 420000 << 2996 << 6 << 57 << 0;
    QTest::newRow("75 minutes within the hour") << 4500000 << 0 << 15 << 0 << 0;
    QTest::newRow("last millisecond") << 5000 << 4999 << 0 << 0 << 0;
    QTest::newRow("overrun truncates toward zero") << 5000 << 6500 << 0 << 255 << -49;
}

void TestClock::reading()
{
    QFETCH(int, total);
    QFETCH(int, elapsed);
    QFETCH(int, minutes);
    QFETCH(int, seconds);
    QFETCH(int, hundredths);
    const console::ClockReading r = console::readClock(total, elapsed);
    QCOMPARE(r.remaining, total - elapsed);
    QCOMPARE(int(r.minutes), minutes);
    QCOMPARE(int(r.seconds), seconds);
    QCOMPARE(r.hundredths, hundredths);
}

void TestClock::startStopResume()
{
    Console c;
    TForm1 &f = *c.form1;
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QCOMPARE(c.takeSent(), QByteArray::fromHex("a5"));
    QCOMPARE(f.Button1->text(), QStringLiteral("&Stop"));
    QVERIFY(!f.CasButton->isEnabled());
    QVERIFY(f.PomTimer->isActive());
    QCOMPARE(shownTime(f), QStringLiteral("07:00"));

    c.ticks.advance(2500);
    QTRY_COMPARE(shownTime(f), QStringLiteral("06:57"));
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QCOMPARE(c.takeSent(), QByteArray::fromHex("a5d3"));
    QCOMPARE(f.Button1->text(), QStringLiteral("&Start"));
    QVERIFY(f.CasButton->isEnabled());
    QVERIFY(!f.PomTimer->isActive());
    QCOMPARE(f.CasStopu, qint32(c.ticks.now()));
    QCOMPARE(shownTime(f), QStringLiteral("06:57"));
    QCOMPARE((QList<int> { f.AktMinuty, f.AktSekundy, f.AktSetiny }), (QList<int> { 6, 57, 50 }));

    // A ten-second pause moves the base forward: the count goes on from 6:57.5.
    const qint32 baseBefore = f.Zaklad;
    c.ticks.advance(10000);
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QCOMPARE(f.CasStopu, 10000);
    QCOMPARE(f.Zaklad, baseBefore + 10000);
    QCOMPARE(shownTime(f), QStringLiteral("06:57"));
    c.ticks.advance(1000);
    QTRY_COMPARE(shownTime(f), QStringLiteral("06:56"));
    c.ticks.advance(500);
    tick(f);
    QCOMPARE(shownTime(f), QStringLiteral("06:56"));
    c.ticks.advance(1);
    tick(f);
    QCOMPARE(shownTime(f), QStringLiteral("06:55"));
}

void TestClock::endOfPeriod_data()
{
    QTest::addColumn<int>("period");
    QTest::addColumn<QString>("typed"); ///< in the period field, never left, so unchecked
    QTest::addColumn<QString>("nextText");
    QTest::addColumn<int>("next"); ///< held, stored and sent
    QTest::addColumn<int>("digit");
    QTest::newRow("period 1 to 2") << 1 << QString() << QStringLiteral("2") << 2 << 2;
    QTest::newRow("period 3 wraps to 1") << 3 << QString() << QStringLiteral("1") << 1 << 1;
    // Plus 1 wraps round like the platform's integers; the digit keeps its 1.
    QTest::newRow("typed 2147483647 wraps to the lowest integer")
        << 1 << QStringLiteral("2147483647") << QStringLiteral("-2147483648") << 0 << 1;
}

void TestClock::endOfPeriod()
{
    QFETCH(int, period);
    QFETCH(QString, typed);
    QFETCH(QString, nextText);
    QFETCH(int, next);
    QFETCH(int, digit);
    Console::Options options;
    options.settings = settingsWithTime(0, 5, 0, period);
    Console c(options);
    c.dialogs.shown.clear();
    TForm1 &f = *c.form1;
    if (!typed.isEmpty()) {
        f.PolocasSpinEdit->setText(typed);
    }
    QString displayWhileKonec;
    c.dialogs.whileOpen
        = [&](const testing::RecordingDialogs::Shown &) { displayWhileKonec = shownTime(f); };
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QCOMPARE(shownTime(f), QStringLiteral("00:05"));
    c.ticks.advance(1);
    tick(f);
    QCOMPARE(shownTime(f), QStringLiteral("00:04"));
    c.ticks.advance(4000);
    tick(f);
    QCOMPARE(shownTime(f), QStringLiteral("00:00"));
    QVERIFY(c.dialogs.shown.isEmpty());
    c.ticks.advance(998);
    tick(f);
    QVERIFY(c.dialogs.shown.isEmpty());
    c.ticks.advance(1);
    tick(f);

    QCOMPARE(c.dialogs.shown.size(), 1);
    QCOMPARE(c.dialogs.shown[0].text, QStringLiteral("Konec"));
    QVERIFY(c.dialogs.shown[0].ownDialog);
    QCOMPARE(displayWhileKonec, QStringLiteral("00:05"));
    QCOMPARE(f.PolocasSpinEdit->text(), nextText);
    QCOMPARE(shownDigit(f.PolocasDsSevenSegmentDisplay), digit);
    QCOMPARE(int(f.Polocas), next);
    QVERIFY(c.settingsContents().contains(QStringLiteral("Polocas=%1\n").arg(next).toLatin1()));
    // Start, then the period; nothing stops the controller's clock.
    QCOMPARE(c.takeSent(), QByteArray::fromHex("a5d5") + QByteArray(1, char(next)));
    QCOMPARE(f.Button1->text(), QStringLiteral("&Start"));
    QVERIFY(f.CasButton->isEnabled());
    QVERIFY(!f.PomTimer->isActive());
    QCOMPARE((QList<qint32> { f.Zaklad, f.Uplynulo, f.CasStopu, f.CasStartu }),
             (QList<qint32> { 0, 0, 0, 0 }));
    QCOMPARE(f.CelkovyCas, 5000);

    // The next start is a fresh one from the preset.
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QCOMPARE(f.Zaklad, qint32(c.ticks.now()));
    QCOMPARE(shownTime(f), QStringLiteral("00:05"));
}

void TestClock::minutesWithinTheHour()
{
    Console::Options options;
    options.settings = settingsWithTime(75, 0, 0);
    Console c(options);
    QCOMPARE(shownTime(*c.form1), QStringLiteral("75:00")); // the preset as stored
    QTest::mouseClick(c.form1->Button1, Qt::LeftButton);
    QCOMPARE(shownTime(*c.form1), QStringLiteral("15:00"));
    c.ticks.advance(1);
    tick(*c.form1);
    QCOMPARE(shownTime(*c.form1), QStringLiteral("14:59"));
}

void TestClock::lateAndMissedTicksDoNotDrift()
{
    Console::Options options;
    options.settings = settingsWithTime(60, 0, 0);
    Console c(options);
    TForm1 &f = *c.form1;
    QRandomGenerator random(8122026);
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    qint64 elapsed = 0;
    while (elapsed < 3599000) {
        // Ticks come late, or are missed several at a time.
        const int step = random.bounded(2) ? random.bounded(1, 40) : random.bounded(40, 2500);
        elapsed += step;
        c.ticks.advance(quint32(step));
        tick(f);
        QCOMPARE(shownTime(f), testing::expectedDisplay(3600000 - elapsed));
    }
    QVERIFY(c.dialogs.shown.size() == 1); // only the scan's box: the period has not ended
}

void TestClock::replyChangesTheDisplayNotTheCount()
{
    Console c;
    TForm1 &f = *c.form1;
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    c.ticks.advance(10000);
    tick(f);
    QCOMPARE(shownTime(f), QStringLiteral("06:50"));
    f.PomTimer->stop(); // hold the display still while the reply comes in
    c.reply(QByteArray::fromHex("dc000003000500"));
    QVERIFY(c.waitForReplies());
    QCOMPARE(shownTime(f), QStringLiteral("05:03"));
    QCOMPARE(f.CelkovyCas, 420000);
    c.ticks.advance(1000);
    tick(f);
    QCOMPARE(shownTime(f), QStringLiteral("06:49"));
}

void TestClock::clockRunsOnBehindABoxOpenedInsideItsTick()
{
    Console c;
    TForm1 &f = *c.form1;
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    const qsizetype boxes = c.dialogs.shown.size();
    bool runningBehindTheBox = false;
    c.dialogs.whileOpen = [&](const testing::RecordingDialogs::Shown &) {
        c.ticks.advance(2000);
        runningBehindTheBox = QTest::qWaitFor([&] { return shownTime(f) == u"06:58"; });
    };
    InsideNextTick click(f.PomTimer, [&] { f.NacistVseButton->click(); });
    QTRY_COMPARE(c.dialogs.shown.size(), boxes + 1);
    QVERIFY(runningBehindTheBox);
}

void TestClock::tickRepaintsOnlyChangedDigits()
{
    Console c;
    TForm1 &f = *c.form1;
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    c.ticks.advance(1);
    tick(f);
    f.PomTimer->stop();
    PaintCounter minutes;
    PaintCounter units;
    f.CasDesMinDsSevenSegmentDisplay->installEventFilter(&minutes);
    f.CasJedSekDsSevenSegmentDisplay->installEventFilter(&units);
    for (int i = 0; i < 99; ++i) {
        c.ticks.advance(10);
        tick(f); // all within 6:59
    }
    QCOMPARE(units.paints, 0);
    c.ticks.advance(10);
    tick(f); // 6:58
    QCOMPARE(units.paints, 1);
    QCOMPARE(minutes.paints, 0);
}

void TestClock::journalHasTheGameTimes()
{
    Console c;
    TForm1 &f = *c.form1;
    f.DomaciSpinEdit->setText(QStringLiteral("1"));
    QTest::mouseClick(f.SkoreButton, Qt::LeftButton);
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    c.ticks.advance(2500);
    tick(f);
    QTest::mouseClick(f.Button1, Qt::LeftButton);

    QFile file(f.journal().filePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList lines;
    for (const match::Event &e : match::readEvents(file.readAll())) {
        lines << QStringLiteral("%1 %2 %3 %4 %5 %6:%7")
                     .arg(e.kind, e.team, e.shown, match::formatElapsed(e.elapsedMs), e.value)
                     .arg(e.home)
                     .arg(e.guest);
    }
    QCOMPARE(lines,
             testing::strings("start programu  07:00 00:00.00 07:00.00 5 0:0",
                              "spojení  07:00 00:00.00 COM1 0:0", "gól D 07:00 00:00.00 1 1:0",
                              "start  07:00 00:00.00 07:00 1:0", "stop  06:57 00:02.50 06:57 1:0"));
}

QTEST_MAIN(TestClock)
#include "tst_clock.moc"
