#include "match/team.h"

#include <algorithm>

namespace match {

QString sideCode(Side side)
{
    return side == Side::Home ? QStringLiteral("D") : QStringLiteral("H");
}

std::optional<Side> sideFromCode(const QString &code)
{
    if (code == u"D") {
        return Side::Home;
    }
    if (code == u"H") {
        return Side::Guest;
    }
    return std::nullopt;
}

Side otherSide(Side side)
{
    return side == Side::Home ? Side::Guest : Side::Home;
}

Team Team::byDefault(Side side)
{
    return { side == Side::Home ? QStringLiteral("Domácí") : QStringLiteral("Hosté"), {}, {} };
}

std::optional<QString> Team::refusal() const
{
    if (name.trimmed().isEmpty() || name != name.trimmed()) {
        return QStringLiteral("Zadejte jméno týmu (bez mezer na začátku a na konci).");
    }
    if (shortName.size() > 4 || shortName.contains(QLatin1Char(' ')) || shortName == u"-") {
        return QStringLiteral("Zkratka týmu má nejvýš 4 znaky bez mezer.");
    }
    auto lowerHex = [](QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'); };
    const bool colorForm = color.size() == 7 && color.front() == u'#'
                           && std::all_of(color.cbegin() + 1, color.cend(), lowerHex);
    if (!color.isEmpty() && !colorForm) {
        return QStringLiteral("Barva týmu se zadává jako #rrggbb.");
    }
    return std::nullopt;
}

} // namespace match
