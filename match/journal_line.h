#pragma once

#include "match/event.h"

#include <QByteArray>
#include <QStringList>

// The journal's bytes: CSV in UTF-8 with a byte-order mark, ';' between fields, CRLF at each
// line's end, so that Czech Excel opens it by a double-click and LibreOffice as columns. A
// field holding ';', '"', CR or LF is quoted, its '"' doubled.
namespace match {

/// The texts of the header line, in the order of the columns.
QStringList journalColumns();
/// The byte-order mark, the header line and its CRLF: the start of every journal.
QByteArray journalHeader();
/// One event as one line, CRLF included.
QByteArray journalLine(const Event &event);

} // namespace match
