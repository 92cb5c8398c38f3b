#pragma once

#include "match/event.h"

#include <QtGlobal>

namespace match {

/// The one time base of the penalties: the game's played time in ms, from the console's own
/// clock. It is the periods before this one, plus this period's elapsed time, plus what the
/// clock was corrected by: a preset set in a started period re-adds (or takes away) time from
/// the period's reference length, the preset in force when its clock first started. Time
/// re-added is played again, so every penalty moves with it.
class GameTime
{
public:
    /// A preset set (MM:SS.hh as ms); before the period's start it becomes the reference.
    void presetSet(qint64 presetMs, bool periodStarted);
    /// The period's clock started.
    void started();
    /// The period ran out after `elapsedAtEnd` ms of its clock; the next one is not started.
    void periodEnded(qint64 elapsedAtEnd);
    /// The game time at the period's elapsed time `elapsedMs`.
    qint64 now(qint64 elapsedMs) const { return m_base + m_offset + elapsedMs; }
    bool periodStarted() const { return m_started; }
    /// A new match: nothing played yet; the preset in force stays.
    void reset();
    /// The same from a journal line: start, period end, time set, set all, program start.
    void apply(const Event &event);

    bool operator==(const GameTime &) const = default;

private:
    qint64 m_base = 0;      ///< the game time at this period's start
    qint64 m_offset = 0;    ///< the reference length minus the preset in force
    qint64 m_reference = 0; ///< the period's reference length
    qint64 m_preset = 0;    ///< the preset in force
    bool m_started = false;
};

} // namespace match
