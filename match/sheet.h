#pragma once

#include "match/event.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace match {

/// The match sheet of the table: a printable page (UTF-8 HTML, A4 portrait, nothing fetched
/// from elsewhere, no script) with the date, the teams, every goal and score correction in
/// order, the score after each period and the final score. Empty names stand for "Domácí"
/// and "Hosté".
QByteArray sheetHtml(const std::vector<Event> &events, const QString &homeName,
                     const QString &guestName);

} // namespace match
