#include "match/events.h"
#include "match/journal.h"
#include "match/journal_line.h"
#include "match/journal_reader.h"
#include "match/sheet.h"
#include "platform/testing/fake_ticks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace match;

namespace {

const QByteArray bom("\xEF\xBB\xBF");
const QByteArray header("čas;poločas;hra;uplynulo;událost;tým;hodnota;skóre");

/// A journal written by hand: the header, then each row after a wall time one second apart.
QByteArray journal(const QStringList &rows, const QByteArray &eol = "\r\n", bool withBom = true)
{
    QByteArray bytes = (withBom ? bom : QByteArray()) + header + eol;
    for (int i = 0; i < rows.size(); ++i) {
        bytes += QStringLiteral("2026-12-09T18:30:%1.250+01:00;").arg(10 + i).toUtf8()
                 + rows[i].toUtf8() + eol;
    }
    return bytes;
}

const QString begin = QStringLiteral("1;07:00;00:00.00;start programu;;07:00.00 5;0:0");
const QString start = QStringLiteral("1;06:00;01:00.00;start;;06:00;0:0");
const QString goal = QStringLiteral("1;05:00;02:03.45;gól;D;1;1:0");
const QString stop = QStringLiteral("1;04:00;03:00.00;stop;;04:00;1:0");
const QString end = QStringLiteral("2;04:00;03:00.00;konec programu;;;1:2");

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Event line(const QString &kind, const QString &value = QString())
{
    Event e;
    e.kind = kind;
    e.value = value;
    return e;
}

} // namespace

class TestJournal final : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void lineRoundTrip();
    void fileAppearsWithTheGame();
    void keepsLinesWhileTheFolderCannotBeMade();
    void sheet();
};

void TestJournal::read_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("clean");
    QTest::addColumn<bool>("running");
    QTest::addColumn<QString>("score"); // period home guest siren preset-minutes elapsed

    QTest::newRow("bom, crlf, clean close") << journal({ begin, start, goal, stop, end }) << true
                                            << 5 << true << false << "2 1 2 5 7 180000";
    QTest::newRow("no bom, lf") << journal({ begin, goal }, "\n", false) << true << 2 << false
                                << false << "1 1 0 5 7 123450";
    QTest::newRow("torn last line")
        << journal({ begin }) + goal.toUtf8().prepend("2026-12-09T18:31:00.000+01:00;") << true << 1
        << false << false << "1 0 0 5 7 0";
    QTest::newRow("short last line") << journal({ begin, QStringLiteral("1;05:00;02:03.45;gól") })
                                     << true << 1 << false << false << "1 0 0 5 7 0";
    QTest::newRow("unknown kind") << journal({ begin, QStringLiteral("3;01:00;09:00.00;žlutá;H;7;"
                                                                     "5:5") })
                                  << true << 1 << false << false << "1 0 0 5 7 0";
    QTest::newRow("damaged field") << journal({ begin, QStringLiteral("1;05:00;2:3;gól;D;1;1:0") })
                                   << true << 1 << false << false << "1 0 0 5 7 0";
    QTest::newRow("running at the end")
        << journal({ begin, start, goal }) << true << 3 << false << true << "1 1 0 5 7 123450";
    QTest::newRow("time set ends the run")
        << journal({ start, QStringLiteral("1;08:00;00:00.00;nastavení času;;08:00.00;0:0") })
        << true << 2 << false << false << "1 0 0 0 8 0";
    QTest::newRow("foreign csv") << QByteArray("a;b;c\r\n1;2;3\r\n") << false << 0 << false << false
                                 << "0 0 0 0 0 0";
    QTest::newRow("garbage") << QByteArray("\xEF\xBB\x00\xFF\"\";;\n\"", 9) << false << 0 << false
                             << false << "0 0 0 0 0 0";
    QTest::newRow("empty") << QByteArray() << false << 0 << false << false << "0 0 0 0 0 0";
}

void TestJournal::read()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QFETCH(int, count);
    QFETCH(bool, clean);
    QFETCH(bool, running);
    QFETCH(QString, score);

    const JournalState state = readJournal(bytes);
    QCOMPARE(state.valid, valid);
    QCOMPARE(int(readEvents(bytes).size()), count);
    QCOMPARE(state.cleanClose, clean);
    QCOMPARE(state.running, running);
    QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6")
                 .arg(state.period)
                 .arg(state.home)
                 .arg(state.guest)
                 .arg(state.siren)
                 .arg(state.presetMinutes)
                 .arg(state.elapsedMs),
             score);
    QCOMPARE(state.firstWall.isValid(), count > 0);
    if (running) {
        QCOMPARE(state.runningSince,
                 QDateTime::fromString(QStringLiteral("2026-12-09T18:30:11.250+01:00"),
                                       Qt::ISODateWithMs));
        QCOMPARE(state.elapsedAtStartMs, 60000);
    }
}

void TestJournal::lineRoundTrip()
{
    Event e = line(events::settingsNotWritten, QStringLiteral("disk; \"plný\"\r\nznovu"));
    e.wall = QDateTime(QDate(2026, 12, 9), QTime(18, 30, 12, 345), Qt::OffsetFromUTC, -5400);
    e.period = 2;
    e.shown = QStringLiteral("03:07");
    e.elapsedMs = 3'723'459; // past 59 minutes, hundredths truncated
    e.team = QStringLiteral("H");
    e.home = 3;
    e.guest = 12;
    const QByteArray line = journalLine(e);
    QVERIFY(line.endsWith("\r\n"));
    QVERIFY(line.startsWith("2026-12-09T18:30:12.345-01:30;2;03:07;62:03.45;"));
    QCOMPARE(journalHeader(), bom + header + "\r\n");

    const std::vector<Event> back = readEvents(journalHeader() + line);
    QCOMPARE(back.size(), size_t(1));
    QCOMPARE(back[0].wall, e.wall);
    QCOMPARE(back[0].value, e.value);
    QCOMPARE(back[0].elapsedMs, 3'723'450);
    QCOMPARE(QStringList({ back[0].shown, back[0].team, back[0].kind }),
             QStringList({ e.shown, e.team, e.kind }));
    QCOMPARE(QList<int>({ back[0].period, back[0].home, back[0].guest }), QList<int>({ 2, 3, 12 }));
}

void TestJournal::fileAppearsWithTheGame()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("zapasy"));
    QDateTime now(QDate(2026, 12, 9), QTime(18, 29, 59, 500));
    const auto clock = [&now] { return now = now.addSecs(1); };

    Journal closedAtOnce(folder, clock);
    closedAtOnce.record(line(events::programStart, QStringLiteral("07:00.00 5")));
    closedAtOnce.record(line(events::programEnd));
    QVERIFY(!QFileInfo::exists(folder));

    for (const QString &name :
         { QStringLiteral("2026-12-09 18-30.csv"), QStringLiteral("2026-12-09 18-30 (2).csv") }) {
        now = QDateTime(QDate(2026, 12, 9), QTime(18, 29, 59, 500));
        Journal journal(folder, clock);
        journal.record(line(events::programStart, QStringLiteral("07:00.00 5")));
        journal.record(line(events::connection, QStringLiteral("COM3")));
        QVERIFY(!QFileInfo::exists(folder + QLatin1Char('/') + name));
        now = now.addSecs(60);
        QVERIFY(journal.record(line(events::goal, QStringLiteral("1"))));
        QCOMPARE(journal.filePath(), QDir(folder).filePath(name));
        const QByteArray bytes = bytesOf(journal.filePath());
        QVERIFY(bytes.startsWith(journalHeader()));
        QCOMPARE(readEvents(bytes).size(), size_t(3));
        QCOMPARE(readJournal(bytes).firstWall,
                 QDateTime(QDate(2026, 12, 9), QTime(18, 30, 0, 500)));
    }
    const QString newest = Journal::newestJournal(folder);
    QCOMPARE(newest, QDir(folder).filePath(QStringLiteral("2026-12-09 18-30 (2).csv")));

    // After a crash cut its last line, the console goes on in the same file.
    QFile cut(newest);
    QVERIFY(cut.open(QIODevice::Append) && cut.write("2026-12-09T18:31:05.000+01:00;1;05") > 0);
    cut.close();
    Journal resumed(folder, clock);
    resumed.record(line(events::programStart, QStringLiteral("07:00.00 5")));
    resumed.resume(newest);
    QVERIFY(resumed.record(line(events::resumed)));
    QCOMPARE(resumed.events().size(), size_t(5));
    QCOMPARE(readEvents(bytesOf(newest)).size(), size_t(5));
}

void TestJournal::keepsLinesWhileTheFolderCannotBeMade()
{
    testing::FakeTicks ticks; // the retries wait on it, not on the wall clock
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("zapasy"));
    QFile obstacle(folder);
    QVERIFY(obstacle.open(QIODevice::WriteOnly));
    obstacle.close();

    Journal journal(folder);
    journal.record(line(events::programStart, QStringLiteral("07:00.00 5")));
    QVERIFY(!journal.record(line(events::goal, QStringLiteral("1"))));
    QVERIFY(!journal.writing());
    QVERIFY(!journal.lastError().isEmpty());
    QVERIFY(!journal.record(line(events::clockStart, QStringLiteral("07:00"))));

    QVERIFY(obstacle.remove());
    QVERIFY(journal.flushPending());
    QVERIFY(journal.writing());
    QVERIFY(journal.record(line(events::clockStop, QStringLiteral("06:00"))));
    QStringList kinds;
    for (const Event &e : readEvents(bytesOf(journal.filePath()))) {
        kinds.append(e.kind);
    }
    QCOMPARE(kinds, QStringList({ events::programStart, events::goal, events::clockStart,
                                  events::clockStop }));
}

void TestJournal::sheet()
{
    Event e = line(events::goal, QStringLiteral("1"));
    e.elapsedMs = 83'990;
    e.home = 1;
    const QString page = QString::fromUtf8(sheetHtml({ e }, QStringLiteral("A<&>B"), QString()));
    QVERIFY(page.contains(QStringLiteral("<td>01:23</td><td>A&lt;&amp;&gt;B</td><td>1:0</td>")));
    QVERIFY(!page.contains(QStringLiteral("A<&>B")));
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
