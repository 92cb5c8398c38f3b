#pragma once

#include "match/sport_rules.h"
#include "match/team.h"

#include <QString>

#include <optional>
#include <variant>

namespace match {

/// A penalty as the operator types it: "D12", "H7 5", "d 4 2+2".
struct PenaltyEntry
{
    Side side = Side::Home;
    int number = 0;
    QString length; ///< one the sport offers; its first when none is typed

    bool operator==(const PenaltyEntry &) const = default;
};

/// The typed line as a penalty, or why it is not one (in Czech).
std::variant<PenaltyEntry, QString> parsePenaltyEntry(const QString &line, const SportRules &rules);
/// Why a shirt number and a length cannot be a penalty in the sport (in Czech), or none.
std::optional<QString> refusePenaltyFields(int number, const QString &length,
                                           const SportRules &rules);

} // namespace match
