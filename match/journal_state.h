#pragma once

#include <QDateTime>

namespace match {

/// What a journal file tells of its match when read back (after a crash, to go on).
struct JournalState
{
    bool valid = false;        ///< a journal of this program (its header), however short
    QDateTime firstWall;       ///< the time of the first event line
    bool cleanClose = false;   ///< the last known event is the program's clean end
    bool clockStarted = false; ///< the clock was started at least once
    int period = 0;            ///< period and score from the last known line
    int home = 0;
    int guest = 0;
    int siren = 0; ///< siren and preset from the last line that carries them
    int presetMinutes = 0;
    int presetSeconds = 0;
    int presetHundredths = 0;
    qint32 elapsedMs = 0; ///< the elapsed time of the last known line
    /// A start with no stop, period end, time set or new match after it: the clock was
    /// running when the journal ends.
    bool running = false;
    QDateTime runningSince;      ///< the time of that start line
    qint32 elapsedAtStartMs = 0; ///< the elapsed time of that start line
};

} // namespace match
