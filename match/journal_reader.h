#pragma once

#include "match/event.h"
#include "match/journal_state.h"

#include <QByteArrayView>

#include <vector>

// Reading a journal back. Any bytes are safe: a byte-order mark or none, CRLF or LF, a last
// line cut short by a crash (ignored), lines of kinds this program does not know (skipped), a
// damaged line (skipped); a file that does not start with the journal's header is not a
// journal at all.
namespace match {

/// The last state of the match the journal records.
JournalState readJournal(QByteArrayView bytes);
/// The whole lines of known kinds, in order; none when the bytes are not a journal.
std::vector<Event> readEvents(QByteArrayView bytes);
/// What to append to a journal whose last line a crash cut short so that the next line
/// starts whole: a line end, after a closing quote when the cut fell inside quotes; nothing
/// when the bytes end with a whole line.
QByteArray journalTailRepair(QByteArrayView bytes);

} // namespace match
