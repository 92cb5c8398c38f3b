#include "match/events.h"

namespace match::events {

bool known(const QString &kind)
{
    for (const QString *k :
         { &programStart, &programEnd, &connection, &timeSet, &goal, &score, &scoreCorrection,
           &period, &siren, &setAll, &clockStart, &clockStop, &reply, &periodEnd, &portLost,
           &portRestored, &settingsNotWritten, &newMatch, &resumed }) {
        if (kind == *k) {
            return true;
        }
    }
    return false;
}

bool touchesGame(const QString &kind)
{
    return kind != programStart && kind != connection && kind != programEnd;
}

} // namespace match::events
