#include "match/match.h"

#include "match/events.h"
#include "match/penalty_entry.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <vector>

namespace match {
namespace {

constexpr qint64 twoMinutes = 120000;

/// A penalty while the game time runs over it.
struct Run
{
    enum State { Out, Waiting, Running, Over };
    State state = Out;
    QList<qint64> parts;
    int part = 0;
    qint64 partStart = 0;
    qint64 overAt = 0;
    bool personal = false;

    qint64 partEnd() const { return partStart + parts[part]; }
    qint64 laterParts() const
    {
        qint64 sum = 0;
        for (qsizetype i = part + 1; i < parts.size(); ++i) {
            sum += parts[i];
        }
        return sum;
    }
};

/// What happens to the penalties from outside, at a game time.
struct Happening
{
    enum Kind { Given, GoalAgainst, EndedByHand };
    qint64 atMs;
    int seq;
    Kind kind;
    int index; ///< the penalty's, or for a goal the penalties given before it
};

/// The team's penalties run over the game time, up to `until`: entries in their order,
/// with the sport's limit of those counting at once.
class Runner
{
public:
    Runner(std::vector<Run> runs, int limit)
        : m_runs(std::move(runs))
        , m_limit(limit)
    {
    }

    void runUntil(qint64 until, const std::vector<Happening> &happenings, std::size_t &next)
    {
        for (;;) {
            Run *natural = nextNaturalEnd();
            const bool outside = next < happenings.size() && happenings[next].atMs <= until;
            if (natural != nullptr && natural->partEnd() <= until
                && (!outside || natural->partEnd() <= happenings[next].atMs)) {
                finishPart(*natural, natural->partEnd());
            } else if (outside) {
                take(happenings[next++]);
            } else {
                return;
            }
        }
    }
    std::vector<Run> &runs() { return m_runs; }

private:
    Run *nextNaturalEnd()
    {
        Run *soonest = nullptr;
        for (Run &r : m_runs) {
            if (r.state == Run::Running
                && (soonest == nullptr || r.partEnd() < soonest->partEnd())) {
                soonest = &r;
            }
        }
        return soonest;
    }
    int counting() const
    {
        return static_cast<int>(std::count_if(m_runs.begin(), m_runs.end(), [](const Run &r) {
            return r.state == Run::Running && !r.personal;
        }));
    }
    bool hasRoom() const { return m_limit == 0 || counting() < m_limit; }
    void startWaiting(qint64 at)
    {
        for (Run &r : m_runs) {
            if (r.state == Run::Waiting && hasRoom()) {
                r.state = Run::Running;
                r.partStart = at;
            }
        }
    }
    void over(Run &r, qint64 at)
    {
        r.state = Run::Over;
        r.overAt = at;
        startWaiting(at);
    }
    void finishPart(Run &r, qint64 at)
    {
        if (r.part + 1 < r.parts.size()) {
            ++r.part;
            r.partStart = at;
        } else {
            over(r, at);
        }
    }
    void take(const Happening &h)
    {
        if (h.kind == Happening::Given) {
            Run &r = m_runs[h.index];
            r.state = r.personal || hasRoom() ? Run::Running : Run::Waiting;
            r.partStart = h.atMs;
        } else if (h.kind == Happening::EndedByHand) {
            Run &r = m_runs[h.index];
            if (r.state == Run::Running || r.state == Run::Waiting) {
                over(r, h.atMs);
            }
        } else {
            Run *soonest = nullptr;
            for (int i = 0; i < h.index; ++i) {
                Run &r = m_runs[i];
                if (r.state == Run::Running && !r.personal && r.parts[r.part] == twoMinutes
                    && (soonest == nullptr || r.partEnd() < soonest->partEnd())) {
                    soonest = &r;
                }
            }
            if (soonest != nullptr) {
                finishPart(*soonest, h.atMs);
            }
        }
    }

    std::vector<Run> m_runs;
    int m_limit;
};

bool firstHalf(int period)
{
    return period <= 1;
}

} // namespace

void Match::apply(const Event &event)
{
    m_time.apply(event);
    const std::optional<Side> side = sideFromCode(event.team);
    const QString &kind = event.kind;
    if (kind == events::clockStart && event.wall.isValid()) {
        m_lastStartWallMs = event.wall.toMSecsSinceEpoch();
    } else if (kind == events::goal && side) {
        m_goals.append({ otherSide(*side), m_time.now(event.elapsedMs), ++m_seq,
                         static_cast<int>(m_entries.size()) });
    } else if (kind == events::teamSettings && side) {
        if (const auto team = events::parseTeam(event.value)) {
            m_teams[index(*side)] = *team;
        }
    } else if (kind == events::sport) {
        m_sport = sportFromName(event.value).value_or(m_sport);
    } else if (kind == events::penalty && side) {
        if (const auto p = events::parsePenalty(event.value)) {
            m_entries.append({ *side, p->number, p->length, p->atMs, ++m_seq, false, {}, 0 });
        }
    } else if (kind == events::penaltyChanged) {
        const auto p = events::parsePenaltyChange(event.value);
        if (p && entry(p->id) != nullptr) {
            m_entries[p->id - 1].number = p->number;
            m_entries[p->id - 1].length = p->length;
        }
    } else if (kind == events::penaltyRemoved || kind == events::penaltyRestored) {
        const auto id = events::parsePenaltyId(event.value);
        if (id && entry(*id) != nullptr) {
            Entry &e = m_entries[*id - 1];
            e.removed = kind == events::penaltyRemoved;
            if (!e.removed) {
                e.endedAtMs.reset();
            }
        }
    } else if (kind == events::penaltyEnded) {
        const auto p = events::parsePenaltyEnd(event.value);
        if (p && entry(p->id) != nullptr) {
            m_entries[p->id - 1].endedAtMs = p->atMs;
            m_entries[p->id - 1].endSeq = ++m_seq;
        }
    } else if (kind == events::timeout && side && event.wall.isValid()) {
        bool ok = false;
        const int seconds = event.value.toInt(&ok);
        if (ok && seconds > 0 && seconds <= 3600) {
            m_timeouts.append({ *side, event.period, event.wall.toMSecsSinceEpoch(), seconds });
        }
    } else if (kind == events::timeoutCancelled && side) {
        for (qsizetype i = m_timeouts.size() - 1; i >= 0; --i) {
            if (m_timeouts[i].side == *side) {
                m_timeouts.removeAt(i);
                break;
            }
        }
    } else if (kind == events::newMatch) {
        m_time.reset();
        m_entries.clear();
        m_goals.clear();
        m_seq = 0;
        m_timeouts.clear();
        m_lastStartWallMs.reset();
    }
}

void Match::addPenaltiesOf(Side side, qint64 gameMs, QList<ShownPenalty> &shown,
                           QList<qint64> &ends) const
{
    const SportRules &r = rules();
    std::vector<Run> runs(m_entries.size());
    std::vector<Happening> happenings;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Entry &e = m_entries[i];
        runs[i].parts = lengthParts(e.length);
        runs[i].personal = r.tenIsPersonal && e.length == u"10";
        if (e.side != side || e.removed || runs[i].parts.isEmpty()) {
            continue;
        }
        const int at = static_cast<int>(i);
        happenings.push_back({ e.atMs, e.seq, Happening::Given, at });
        if (e.endedAtMs) {
            happenings.push_back(
                { std::max(*e.endedAtMs, e.atMs), e.endSeq, Happening::EndedByHand, at });
        }
    }
    for (const Goal &g : m_goals) {
        if (r.goalEndsTwo && g.against == side) {
            happenings.push_back({ g.atMs, g.seq, Happening::GoalAgainst, g.entriesBefore });
        }
    }
    std::sort(happenings.begin(), happenings.end(), [](const Happening &a, const Happening &b) {
        return a.atMs != b.atMs ? a.atMs < b.atMs : a.seq < b.seq;
    });
    std::size_t next = 0;
    Runner now(std::move(runs), r.countingLimit);
    now.runUntil(gameMs, happenings, next);
    // When each would end if nothing else happened: the order they are shown in.
    Runner after = now;
    std::size_t none = happenings.size();
    after.runUntil(std::numeric_limits<qint64>::max(), happenings, none);
    for (std::size_t i = 0; i < now.runs().size(); ++i) {
        const Run &run = now.runs()[i];
        if (run.state != Run::Running && run.state != Run::Waiting) {
            continue;
        }
        const Entry &e = m_entries[static_cast<qsizetype>(i)];
        const bool waiting = run.state == Run::Waiting;
        const qint64 left
            = waiting ? run.laterParts() + run.parts[0] : run.partEnd() - gameMs + run.laterParts();
        shown.append({ static_cast<int>(i) + 1, side, e.number, e.length, left, waiting });
        ends.append(after.runs()[i].overAt);
    }
}

QList<Match::ShownPenalty> Match::penalties(qint64 gameMs) const
{
    QList<ShownPenalty> shown;
    QList<qint64> ends;
    addPenaltiesOf(Side::Home, gameMs, shown, ends);
    addPenaltiesOf(Side::Guest, gameMs, shown, ends);
    QList<qsizetype> order(shown.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        if (shown[a].waiting != shown[b].waiting) {
            return shown[b].waiting;
        }
        return ends[a] != ends[b] ? ends[a] < ends[b] : shown[a].id < shown[b].id;
    });
    QList<ShownPenalty> sorted;
    for (qsizetype i : order) {
        sorted.append(shown[i]);
    }
    return sorted;
}

const Match::Entry *Match::entry(int id) const
{
    return id >= 1 && id <= m_entries.size() ? &m_entries[id - 1] : nullptr;
}

const Match::Timeout *Match::lastTimeout(Side side) const
{
    for (qsizetype i = m_timeouts.size() - 1; i >= 0; --i) {
        if (m_timeouts[i].side == side) {
            return &m_timeouts[i];
        }
    }
    return nullptr;
}

std::optional<qint64> Match::timeoutLeftMs(Side side, qint64 wallMs) const
{
    const Timeout *t = lastTimeout(side);
    if (t == nullptr || (m_lastStartWallMs && *m_lastStartWallMs > t->wallMs)) {
        return std::nullopt;
    }
    return std::max<qint64>(0, t->wallMs + t->seconds * 1000LL - wallMs);
}

int Match::timeoutsTaken(Side side) const
{
    return static_cast<int>(std::count_if(m_timeouts.begin(), m_timeouts.end(),
                                          [side](const Timeout &t) { return t.side == side; }));
}

bool Match::timeoutEnded(Side side, qint64 wallMs) const
{
    return timeoutLeftMs(side, wallMs) == 0;
}

std::optional<QString> Match::refusePenalty(int number, const QString &length) const
{
    return refusePenaltyFields(number, length, rules());
}

std::optional<QString> Match::refusePenaltyChange(int id, int number, const QString &length) const
{
    if (const auto reason = refusePenaltyId(id)) {
        return reason;
    }
    return refusePenalty(number, length);
}

std::optional<QString> Match::refusePenaltyId(int id) const
{
    const Entry *e = entry(id);
    if (e == nullptr || e->removed) {
        return QStringLiteral("Trest #%1 není.").arg(id);
    }
    return std::nullopt;
}

QString Match::refuseTimeout(Side side, int period, qint64 wallMs) const
{
    for (Side s : { Side::Home, Side::Guest }) {
        if (timeoutLeftMs(s, wallMs).value_or(0) > 0) {
            return QStringLiteral("Oddechový čas už běží.");
        }
    }
    const SportRules &r = rules();
    const QString who = Team::byDefault(side).name;
    auto refusal = [&](int allowed, const QString &where) {
        return allowed == 1
                   ? QStringLiteral("%1 už vybrali oddechový čas v tomto %2.").arg(who, where)
                   : QStringLiteral("%1 už vybrali %2 oddechové časy v tomto %3.")
                         .arg(who)
                         .arg(allowed)
                         .arg(where);
    };
    if (r.timeoutsPerMatch > 0 && timeoutsTaken(side) >= r.timeoutsPerMatch) {
        return refusal(r.timeoutsPerMatch, QStringLiteral("zápase"));
    }
    const auto inHalf = std::count_if(m_timeouts.begin(), m_timeouts.end(), [&](const Timeout &t) {
        return t.side == side && firstHalf(t.period) == firstHalf(period);
    });
    if (r.timeoutsPerHalf > 0 && inHalf >= r.timeoutsPerHalf) {
        return refusal(r.timeoutsPerHalf, QStringLiteral("poločase"));
    }
    return QString();
}

Event Match::penaltyEvent(Side side, int number, const QString &length, qint64 gameMs)
{
    Event e;
    e.kind = events::penalty;
    e.team = sideCode(side);
    e.value = events::formatPenalty(number, length, gameMs);
    return e;
}

Event Match::penaltyChangeEvent(int id, int number, const QString &length) const
{
    const Entry *e = entry(id);
    return withValue({}, events::penaltyChanged, e ? sideCode(e->side) : QString(),
                     events::formatPenaltyChange(id, number, length));
}

Event Match::penaltyRemoveEvent(int id) const
{
    const Entry *e = entry(id);
    return withValue({}, events::penaltyRemoved, e ? sideCode(e->side) : QString(),
                     events::formatPenaltyId(id));
}

Event Match::penaltyEndEvent(int id, qint64 gameMs) const
{
    const Entry *e = entry(id);
    return withValue({}, events::penaltyEnded, e ? sideCode(e->side) : QString(),
                     events::formatPenaltyEnd(id, gameMs));
}

Event Match::timeoutEvent(Side side) const
{
    return withValue({}, events::timeout, sideCode(side), QString::number(rules().timeoutSeconds));
}

Event Match::teamEvent(Side side, const Team &team)
{
    Event e;
    e.kind = events::teamSettings;
    e.team = sideCode(side);
    e.value = events::formatTeam(team);
    return e;
}

Event Match::sportEvent(Sport sport)
{
    Event e;
    e.kind = events::sport;
    e.value = rulesOf(sport).name;
    return e;
}

Event Match::withValue(const Event &base, const QString &kind, const QString &team,
                       const QString &value) const
{
    Event e = base;
    e.kind = kind;
    e.team = team;
    e.value = value;
    return e;
}

std::optional<Event> Match::inverseOf(const Event &event) const
{
    const QString &kind = event.kind;
    const std::optional<Side> side = sideFromCode(event.team);
    auto penaltyLine = [&](const QString &k, int id, const QString &value) {
        return withValue(event, k, sideCode(m_entries[id - 1].side), value);
    };
    if (kind == events::penalty && side && events::parsePenalty(event.value)) {
        const int id = static_cast<int>(m_entries.size()) + 1;
        return withValue(event, events::penaltyRemoved, event.team, events::formatPenaltyId(id));
    }
    if (kind == events::penaltyChanged) {
        const auto p = events::parsePenaltyChange(event.value);
        if (p && entry(p->id) != nullptr) {
            const Entry &e = m_entries[p->id - 1];
            return penaltyLine(kind, p->id, events::formatPenaltyChange(p->id, e.number, e.length));
        }
    }
    const int id = kind == events::penaltyEnded
                       ? events::parsePenaltyEnd(event.value).value_or(events::PenaltyValue()).id
                       : events::parsePenaltyId(event.value).value_or(0);
    if (entry(id) != nullptr) {
        const Entry &e = m_entries[id - 1];
        const QString restore = events::formatPenaltyId(id);
        if ((kind == events::penaltyRemoved && !e.removed)
            || (kind == events::penaltyEnded && !e.endedAtMs)) {
            return penaltyLine(events::penaltyRestored, id, restore);
        }
        if (kind == events::penaltyEnded
            || (kind == events::penaltyRestored && !e.removed && e.endedAtMs)) {
            return penaltyLine(events::penaltyEnded, id,
                               events::formatPenaltyEnd(id, *e.endedAtMs));
        }
        if (kind == events::penaltyRestored && e.removed) {
            return penaltyLine(events::penaltyRemoved, id, restore);
        }
    }
    if (kind == events::timeout && side) {
        return withValue(event, events::timeoutCancelled, event.team, QString());
    }
    if (kind == events::teamSettings && side) {
        return withValue(event, kind, event.team, events::formatTeam(team(*side)));
    }
    if (kind == events::sport) {
        return withValue(event, kind, QString(), rules().name);
    }
    return std::nullopt;
}

} // namespace match
