#pragma once

#include <QString>

#include <optional>

namespace match {

/// The two teams: home ("D" in the journal) and guests ("H").
enum class Side { Home, Guest };

/// The journal's team letter of a side.
QString sideCode(Side side);
/// The side of a team letter, "D" or "H"; none for anything else.
std::optional<Side> sideFromCode(const QString &code);
/// The other team.
Side otherSide(Side side);

/// A team as the match names it.
struct Team
{
    QString name;      ///< never empty once set: "Domácí" or "Hosté" by default
    QString shortName; ///< up to 4 letters; empty: none given
    QString color;     ///< "#rrggbb" in lower case; empty: none given

    /// The team a side has before anything is set.
    static Team byDefault(Side side);
    /// Why the operator's team cannot be taken (in Czech), or none when it can.
    std::optional<QString> refusal() const;

    bool operator==(const Team &) const = default;
};

} // namespace match
