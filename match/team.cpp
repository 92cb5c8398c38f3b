#include "match/team.h"

#include <QRegularExpression>

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
    static const QRegularExpression colorForm(QStringLiteral("^#[0-9a-f]{6}$"));
    if (name.trimmed().isEmpty() || name != name.trimmed()) {
        return QStringLiteral("Zadejte jméno týmu (bez mezer na začátku a na konci).");
    }
    if (shortName.size() > 4 || shortName.contains(QLatin1Char(' ')) || shortName == u"-") {
        return QStringLiteral("Zkratka týmu má nejvýš 4 znaky bez mezer.");
    }
    if (!color.isEmpty() && !colorForm.match(color).hasMatch()) {
        return QStringLiteral("Barva týmu se zadává jako #rrggbb.");
    }
    return std::nullopt;
}

} // namespace match
