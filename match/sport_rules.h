#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace match {

/// The sports whose penalties and timeouts the match knows.
enum class Sport { Handball, Floorball, Hockey, Futsal, Other };

/// What a sport allows: its penalties and its team timeouts.
struct SportRules
{
    Sport sport = Sport::Other;
    QString name;        ///< as the journal writes it: "florbal"
    QString title;       ///< as a sentence starts with it: "Florbal"
    QStringList lengths; ///< the lengths offered, the default first: "2", "2+2", "5", "10"
    bool goalEndsTwo;    ///< a goal against ends the penalised team's counting 2' that ends soonest
    bool tenIsPersonal;  ///< a 10' leaves the team complete: it neither counts nor waits
    int countingLimit;   ///< penalties counting at once per team; 0: no limit, none waits
    int timeoutsPerMatch; ///< 0: no limit for the match
    int timeoutsPerHalf;  ///< 0: no limit for a half
    int timeoutSeconds;
};

/// The rules of a sport.
const SportRules &rulesOf(Sport sport);
/// The sport of its journal name ("házená", "florbal", "hokej", "futsal", "jiný").
std::optional<Sport> sportFromName(const QString &name);
/// A penalty's parts in ms, one after the other: "2+2" is two parts of 2'. None for a length
/// the program does not know.
QList<qint64> lengthParts(const QString &length);

} // namespace match
