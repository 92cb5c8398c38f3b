#pragma once

#include "match/event.h"
#include "match/game_time.h"
#include "match/sport_rules.h"
#include "match/team.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace match {

/// The match's state beside the score: teams, sport, penalties, timeouts and the game time.
/// It is built from the journal's events alone, the same way live and when a journal is
/// replayed, so a resumed match is the match that was. Penalties run on the game time, timeouts
/// on the wall clock; what is left of either is computed from the time asked for, never counted.
class Match
{
public:
    /// A penalty not yet over, as it stands at a game time.
    struct ShownPenalty
    {
        int id = 0;
        Side side = Side::Home;
        int number = 0;
        QString length;
        qint64 leftMs = 0;    ///< to its end; for a waiting one, its whole length
        bool waiting = false; ///< the team already has as many counting as the sport allows

        bool operator==(const ShownPenalty &) const = default;
    };

    /// Takes one journal event; kinds it does not know and malformed values change nothing.
    void apply(const Event &event);

    const Team &team(Side side) const { return m_teams[index(side)]; }
    Sport sport() const { return m_sport; }
    const SportRules &rules() const { return rulesOf(m_sport); }
    const GameTime &gameTime() const { return m_time; }

    /// The penalties not over at the game time: the running ones in the order they end, then
    /// the waiting ones in the order they would end if nothing else happened; ties by id.
    QList<ShownPenalty> penalties(qint64 gameMs) const;
    /// What is left of the team's last timeout at the wall time (ms since the epoch): counting
    /// down, then 0 once it has run out; none when there is none or the clock has run since.
    std::optional<qint64> timeoutLeftMs(Side side, qint64 wallMs) const;
    int timeoutsTaken(Side side) const;
    /// The team's last timeout has run out and the clock has not run since.
    bool timeoutEnded(Side side, qint64 wallMs) const;

    // Why an action is refused (in Czech), checked before its event is built; none or empty
    // when it is allowed.
    std::optional<QString> refusePenalty(int number, const QString &length) const;
    std::optional<QString> refusePenaltyChange(int id, int number, const QString &length) const;
    /// For taking a penalty away or ending it: it has to be there.
    std::optional<QString> refusePenaltyId(int id) const;
    QString refuseTimeout(Side side, int period, qint64 wallMs) const;

    // The events of the operator's actions: kind, team and value; the console fills in the
    // rest as for every line it journals.
    static Event penaltyEvent(Side side, int number, const QString &length, qint64 gameMs);
    Event penaltyChangeEvent(int id, int number, const QString &length) const;
    Event penaltyRemoveEvent(int id) const;
    Event penaltyEndEvent(int id, qint64 gameMs) const;
    Event timeoutEvent(Side side) const;
    static Event teamEvent(Side side, const Team &team);
    static Event sportEvent(Sport sport);

    /// The event that takes `event` back, asked before `event` is applied; none for kinds that
    /// cannot be taken back this way.
    std::optional<Event> inverseOf(const Event &event) const;

    bool operator==(const Match &) const = default;

private:
    struct Entry
    {
        Side side = Side::Home;
        int number = 0;
        QString length;
        qint64 atMs = 0;
        int seq = 0;
        bool removed = false;
        std::optional<qint64> endedAtMs; ///< ended by hand
        int endSeq = 0;

        bool operator==(const Entry &) const = default;
    };
    struct Goal
    {
        Side against = Side::Home;
        qint64 atMs = 0;
        int seq = 0;
        int entriesBefore = 0; ///< it ends only penalties given before it

        bool operator==(const Goal &) const = default;
    };
    struct Timeout
    {
        Side side = Side::Home;
        int period = 0;
        qint64 wallMs = 0;
        int seconds = 0;

        bool operator==(const Timeout &) const = default;
    };

    static std::size_t index(Side side) { return side == Side::Home ? 0 : 1; }
    void addPenaltiesOf(Side side, qint64 gameMs, QList<ShownPenalty> &shown,
                        QList<qint64> &ends) const;
    const Entry *entry(int id) const;
    const Timeout *lastTimeout(Side side) const;
    Event withValue(const Event &base, const QString &kind, const QString &team,
                    const QString &value) const;

    std::array<Team, 2> m_teams { Team::byDefault(Side::Home), Team::byDefault(Side::Guest) };
    Sport m_sport = Sport::Other;
    GameTime m_time;
    QList<Entry> m_entries; ///< every penalty given, by id - 1
    QList<Goal> m_goals;
    int m_seq = 0; ///< the order of penalty and goal lines
    QList<Timeout> m_timeouts;
    std::optional<qint64> m_lastStartWallMs; ///< the last start of the clock
};

} // namespace match
