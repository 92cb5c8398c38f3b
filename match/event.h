#pragma once

#include <QDateTime>
#include <QString>

namespace match {

/// One line of the match journal.
struct Event
{
    QDateTime wall;       ///< when it happened, local time
    int period = 0;       ///< the period number then
    QString shown;        ///< the game time the console showed, MM:SS (remaining)
    qint32 elapsedMs = 0; ///< the period's elapsed running time
    QString kind;         ///< one of match::events
    QString team;         ///< "D" home, "H" guest, or empty
    QString value;        ///< text whose form depends on the kind
    int home = 0;         ///< the score after the event
    int guest = 0;
};

/// Elapsed time as MM:SS.hh, hundredths truncated; the minutes grow past 59.
QString formatElapsed(qint32 ms);
/// A preset game time as MM:SS.hh.
QString formatPreset(int minutes, int seconds, int hundredths);
/// A game time as MM:SS.
QString formatShown(int minutes, int seconds);

} // namespace match
