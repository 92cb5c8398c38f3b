#include "match/events.h"
#include "match/journal_line.h"
#include "match/journal_reader.h"
#include "match/match.h"
#include "match/penalty_entry.h"

#include <QMap>
#include <QRandomGenerator>
#include <QTest>

using namespace match;

namespace {

const qint64 wall0 = QDateTime(QDate(2026, 12, 9), QTime(18, 0)).toMSecsSinceEpoch();

Event line(const QString &kind, const QString &team, const QString &value, qint64 elapsed = 0,
           qint64 wall = wall0, int period = 1)
{
    return { QDateTime::fromMSecsSinceEpoch(wall),
             period,
             {},
             static_cast<qint32>(elapsed),
             kind,
             team,
             value,
             0,
             0 };
}

/// The penalties as "id:left", waiting ones "id:wleft", in the order shown.
QString shown(const Match &m, qint64 g)
{
    QStringList parts;
    for (const auto &p : m.penalties(g)) {
        parts << QString::number(p.id) + QLatin1String(p.waiting ? ":w" : ":")
                     + QString::number(p.leftMs);
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestMatchRules final : public QObject
{
    Q_OBJECT

private slots:
    void randomGameReplays();
    void penalties_data();
    void penalties();
    void timeouts_data();
    void timeouts();
    void timeoutRunsOnTheWallClock();
    void entry_data();
    void entry();
    void inverse_data();
    void inverse();
    void team_data();
    void team();
};

// Starts, stops, time corrections and period ends with penalties along the way: what is left of
// each penalty is its length minus the clock's running time since it was given, plus what the
// corrections re-added, counted here without the game time. Time re-added before a penalty's
// end by hand shows it again. Then the journal replays it all.
void TestMatchRules::randomGameReplays()
{
    QRandomGenerator random(2026);
    Match m;
    std::vector<Event> log;
    qint64 wall = wall0;
    qint64 preset = 600000;
    qint64 elapsed = 0;
    int period = 1;
    bool running = false;
    bool started = false;
    QMap<int, qint64> left; // id -> expected left
    QMap<int, qint64> over; // id -> shown while left is above: when ended (by hand), or never
    int ids = 0;
    auto take = [&](const QString &kind, const QString &team, const QString &value) {
        wall += random.bounded(1, 100000);
        log.push_back(line(kind, team, value, elapsed, wall, period));
        m.apply(log.back());
    };
    take(events::programStart, {}, QStringLiteral("10:00.00 5"));
    take(events::sport, {}, QStringLiteral("házená"));
    take(events::teamSettings, QStringLiteral("H"), QStringLiteral("SOK #1e90ff Sokol Brno"));
    for (int step = 0; step < 3000; ++step) {
        const int action = random.bounded(9);
        if (action == 0 && !running) {
            running = started = true;
            take(events::clockStart, {}, {});
        } else if (action == 1 && running) {
            running = false;
            take(events::clockStop, {}, {});
        } else if (action == 2 && running) {
            const qint64 played = std::min<qint64>(random.bounded(1, 3000) * 10, preset - elapsed);
            elapsed += played;
            for (qint64 &l : left) {
                l -= played;
            }
            if (elapsed == preset) {
                take(events::periodEnd, {}, QString::number(++period));
                elapsed = 0;
                running = started = false;
            }
        } else if (action == 3 && !running) {
            const qint64 next = random.bounded(1, 1200) * 500;
            for (qint64 &l : left) {
                l += started ? next - (preset - elapsed) : 0;
            }
            preset = next;
            elapsed = 0;
            take(events::timeSet, {},
                 formatPreset(next / 60000, next / 1000 % 60, next / 10 % 100));
        } else if (action == 4) {
            left[++ids] = 120000;
            const qint64 g = m.gameTime().now(elapsed);
            take(events::penalty, QStringLiteral("D"),
                 events::formatPenalty(7, QStringLiteral("2"), g));
        } else if (action == 5) {
            take(events::goal, QStringLiteral("H"), QString::number(step));
        } else if (action == 7 && ids > 0) {
            const int id = random.bounded(1, ids + 1);
            const qint64 g = m.gameTime().now(elapsed);
            take(step % 2 ? events::penaltyRemoved : events::penaltyEnded, {},
                 step % 2 ? events::formatPenaltyId(id) : events::formatPenaltyEnd(id, g));
            const qint64 never = qint64(1) << 62;
            over[id] = step % 2 || over.value(id) == never ? never : left[id];
        } else if (action == 8) {
            take(events::timeoutCancelled, QStringLiteral("H"), {});
        } else if (action == 6 && m.refuseTimeout(Side::Guest, period, wall + 1).isEmpty()) {
            take(events::timeout, QStringLiteral("H"), QStringLiteral("60"));
        }
        QMap<int, qint64> expected;
        for (auto it = left.cbegin(); it != left.cend(); ++it) {
            if (it.value() > std::max<qint64>(0, over.value(it.key())) && it.value() <= 120000) {
                expected.insert(it.key(), it.value());
            }
        }
        QMap<int, qint64> actual;
        for (const auto &p : m.penalties(m.gameTime().now(elapsed))) {
            actual.insert(p.id, p.leftMs);
        }
        QCOMPARE(actual, expected);
    }
    QVERIFY(ids > 100 && period > 3);

    QByteArray journal = journalHeader();
    for (const Event &e : log) {
        journal += journalLine(e);
    }
    Match replayed;
    for (const Event &e : readEvents(journal)) {
        replayed.apply(e);
    }
    QCOMPARE(readEvents(journal).size(), log.size());
    QVERIFY(replayed == m);
}

void TestMatchRules::penalties_data()
{
    QTest::addColumn<QString>("script"); // "D1 2 @0" given, "GH @t" goal, "E1 @t" ended, "R1"
    QTest::addColumn<qint64>("at");
    QTest::addColumn<QString>("expected");

    QTest::newRow("florbal: a goal against ends the 2' that ends soonest")
        << "florbal; D1 2 @0; D2 2 @10000; H3 2 @0; GH @30000" << 30000LL << "3:90000 2:100000";
    QTest::newRow("házená: no goal ends a penalty")
        << "házená; D1 2 @0; GH @30000" << 30000LL << "1:90000";
    QTest::newRow("florbal: not a 5', nor an own goal")
        << "florbal; D1 5 @0; D2 2 @0; GD @5000; GH @10000" << 10000LL << "1:290000";
    QTest::newRow("futsal: the 2' ends") << "futsal; D1 2 @0; GH @5000" << 5000LL << "";
    QTest::newRow("hokej: a third waits")
        << "hokej; D1 2 @0; D2 5 @0; D3 2 @10000" << 60000LL << "1:60000 2:240000 3:w120000";
    QTest::newRow("hokej: it starts when one ends")
        << "hokej; D1 2 @0; D2 5 @0; D3 2 @10000" << 130000LL << "3:110000 2:170000";
    QTest::newRow("hokej: a goal ends one, the waiting one starts at the goal")
        << "hokej; D1 2 @0; D2 2 @0; D3 2 @0; GH @10000" << 10000LL << "2:110000 3:120000";
    QTest::newRow("hokej: a personal 10' neither counts nor waits")
        << "hokej; D1 2 @0; D2 10 @0; D3 2 @0; D4 2 @0" << 0LL
        << "1:120000 3:120000 2:600000 4:w120000";
    QTest::newRow("florbal: 2+2, the second part starts at the goal")
        << "florbal; D1 2+2 @0; GH @30000" << 100000LL << "1:50000";
    QTest::newRow("florbal: 2+2 without a goal") << "florbal; D1 2+2 @0" << 200000LL << "1:40000";
    QTest::newRow("hokej: ended by hand frees a place")
        << "hokej; D1 5 @0; D2 5 @0; D3 2 @0; E1 @60000" << 60000LL << "3:120000 2:240000";
    QTest::newRow("hokej: removed as if never given")
        << "hokej; D1 2 @0; D2 2 @0; D3 2 @0; R1" << 0LL << "2:120000 3:120000";
    QTest::newRow("florbal: a goal ends only penalties given before it")
        << "florbal; GH @30000; D1 2 @10000" << 30000LL << "1:100000";
}

void TestMatchRules::penalties()
{
    QFETCH(QString, script);
    QFETCH(qint64, at);
    Match m;
    for (const QString &step : script.split(QStringLiteral("; "))) {
        const QStringList w = step.split(QLatin1Char(' '));
        const QString team = w[0].mid(0, 1);
        if (w.size() == 1 && team != u"R") {
            m.apply(line(events::sport, {}, step));
        } else if (team == u"G") {
            m.apply(line(events::goal, w[0].mid(1), QStringLiteral("1"), w[1].mid(1).toLongLong()));
        } else if (team == u"E" || team == u"R") {
            m.apply(line(team == u"E" ? events::penaltyEnded : events::penaltyRemoved, {},
                         QLatin1Char('#') + step.mid(1)));
        } else {
            m.apply(line(events::penalty, team, step.mid(1)));
        }
    }
    QTEST(shown(m, at), "expected");
}

void TestMatchRules::timeouts_data()
{
    QTest::addColumn<QString>("sport");
    QTest::addColumn<QString>("taken"); // side and period, each 100 s after the last
    QTest::addColumn<QString>("refused");

    auto row = [](const char *sport, const char *taken, const char *refused) {
        QTest::addRow("%s %s", sport, taken) << sport << taken << QString::fromUtf8(refused);
    };
    row("házená", "D1 D1 D2 H2 D2", "Domácí už vybrali 3 oddechové časy v tomto zápase.");
    row("házená", "D2 D3 D2", "Domácí už vybrali 2 oddechové časy v tomto poločase.");
    row("florbal", "D1 H1 H2", "Hosté už vybrali oddechový čas v tomto zápase.");
    row("futsal", "D1 D2 D2", "Domácí už vybrali oddechový čas v tomto poločase.");
    row("jiný", "D1 H1 H1", "Oddechový čas už běží."); // 10 s after the guests' first
}

void TestMatchRules::timeouts()
{
    QFETCH(QString, sport);
    QFETCH(QString, taken);
    QFETCH(QString, refused);
    Match m;
    m.apply(line(events::sport, {}, sport));
    const QStringList each = taken.split(QLatin1Char(' '));
    qint64 wall = wall0;
    for (int i = 0; i < each.size(); ++i) {
        const Side side = each[i][0] == u'D' ? Side::Home : Side::Guest;
        const int period = each[i].mid(1).toInt();
        QCOMPARE(m.refuseTimeout(side, period, wall), i + 1 < each.size() ? QString() : refused);
        Event e = m.timeoutEvent(side);
        e.wall = QDateTime::fromMSecsSinceEpoch(wall);
        e.period = period;
        m.apply(e);
        wall += i + 2 == each.size() && sport == u"jiný" ? 10000 : 100000;
    }
}

void TestMatchRules::timeoutRunsOnTheWallClock()
{
    Match m;
    m.apply(line(events::sport, {}, QStringLiteral("florbal")));
    m.apply(line(events::timeout, QStringLiteral("H"), QStringLiteral("30")));
    QCOMPARE(m.timeoutLeftMs(Side::Guest, wall0 + 12340), 17660);
    QVERIFY(!m.timeoutEnded(Side::Guest, wall0 + 29999)
            && m.timeoutEnded(Side::Guest, wall0 + 30000));
    QCOMPARE(m.timeoutLeftMs(Side::Home, wall0), std::nullopt);
    m.apply(line(events::clockStart, {}, {}, 0, wall0 + 40000));
    QCOMPARE(m.timeoutLeftMs(Side::Guest, wall0 + 40000), std::nullopt);
    m.apply(line(events::timeoutCancelled, QStringLiteral("H"), {}));
    QCOMPARE(m.timeoutsTaken(Side::Guest), 0);
}

void TestMatchRules::entry_data()
{
    QTest::addColumn<QString>("sport");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected"); // "D 12 2" or the reason

    auto row = [](const char *sport, const char *typed, const char *expected) {
        QTest::addRow("%s %s", sport, typed) << sport << typed << QString::fromUtf8(expected);
    };
    const char *hint
        = "Zadejte D nebo H, číslo hráče a případně délku trestu, např. D12 nebo H7 5.";
    row("florbal", "D12", "D 12 2"); // the sport's first length
    row("florbal", "H7 5", "H 7 5");
    row("hokej", "D4 2+2", "D 4 2+2");
    row("hokej", " h 9  10 ", "H 9 10");
    row("jiný", "d0", "D 0 2");
    row("jiný", "H99 10", "H 99 10");
    row("florbal", "D12 7", "Florbal zná tresty 2, 2+2, 5, 10.");
    row("házená", "D12 5", "Házená zná tresty 2.");
    row("jiný", "D100", "Číslo hráče je 0 až 99.");
    row("jiný", "", hint);
    row("jiný", "12 2", hint);
    row("jiný", "H 5x", hint);
    row("jiný", "D-1", hint);
}

void TestMatchRules::entry()
{
    QFETCH(QString, sport);
    QFETCH(QString, typed);
    const auto parsed = parsePenaltyEntry(typed, rulesOf(*sportFromName(sport)));
    const auto *e = std::get_if<PenaltyEntry>(&parsed);
    QTEST(e ? QStringLiteral("%1 %2 %3").arg(sideCode(e->side)).arg(e->number).arg(e->length)
            : std::get<QString>(parsed),
          "expected");
}

void TestMatchRules::inverse_data()
{
    QTest::addColumn<Event>("event");
    QTest::newRow("trest") << line(events::penalty, QStringLiteral("H"), QStringLiteral("3 2 @0"));
    QTest::newRow("změněn") << line(events::penaltyChanged, {}, QStringLiteral("#1 8 2+2"));
    QTest::newRow("zrušen") << line(events::penaltyRemoved, {}, QStringLiteral("#2"));
    QTest::newRow("ukončen") << line(events::penaltyEnded, {}, QStringLiteral("#1 @1000"));
    QTest::newRow("tým") << line(events::teamSettings, QStringLiteral("D"),
                                 QStringLiteral("- - A"));
    QTest::newRow("sport") << line(events::sport, {}, QStringLiteral("házená"));
    QTest::newRow("oddechový čas")
        << line(events::timeout, QStringLiteral("D"), QStringLiteral("30"));
}

// Every action taken back leaves what is shown as it was.
void TestMatchRules::inverse()
{
    QFETCH(Event, event);
    Match m;
    m.apply(line(events::sport, {}, QStringLiteral("hokej")));
    for (const char *v : { "1 5 @0", "2 2 @0", "3 2 @0" }) {
        m.apply(line(events::penalty, QStringLiteral("D"), QString::fromLatin1(v)));
    }
    auto state = [](const Match &x) {
        return shown(x, 2000) + events::formatTeam(x.team(Side::Home)) + x.rules().name
               + QString::number(x.timeoutsTaken(Side::Home));
    };
    const QString before = state(m);
    const std::optional<Event> back = m.inverseOf(event);
    QVERIFY(back.has_value());
    m.apply(event);
    QVERIFY(state(m) != before);
    m.apply(*back);
    QCOMPARE(state(m), before);
}

void TestMatchRules::team_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected"); // formatTeam of what is read; empty: refused
    auto row = [](const char *value, const char *expected) {
        QTest::newRow(value) << QString::fromUtf8(value) << QString::fromUtf8(expected);
    };
    row("SOK #1e90ff Sokol  Brno", "SOK #1e90ff Sokol  Brno");
    row("- - Domácí", "- - Domácí");
    row("SOK #1E90FF Sokol", "");
    row("SOK #1e90f Sokol", "");
    row("SOKOL - Sokol", "");
    row("SOK  - Sokol", "");
    row("S\tK - Sokol", "");
    row("SOK - Sokol\n", "");
    row("SOK -", "");
}

void TestMatchRules::team()
{
    QFETCH(QString, value);
    const std::optional<Team> team = events::parseTeam(value);
    QTEST(team ? events::formatTeam(*team) : QString(), "expected");
}

QTEST_GUILESS_MAIN(TestMatchRules)
#include "tst_match_rules.moc"
