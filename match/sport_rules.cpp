#include "match/sport_rules.h"

#include <array>

namespace match {
namespace {

const std::array<SportRules, 5> &table()
{
    auto lengths = [](const char *text) { return QString::fromUtf8(text).split(QLatin1Char(' ')); };
    static const std::array<SportRules, 5> rules { {
        { Sport::Handball, QStringLiteral("házená"), QStringLiteral("Házená"), lengths("2"), false,
          false, 0, 3, 2, 60 },
        { Sport::Floorball, QStringLiteral("florbal"), QStringLiteral("Florbal"),
          lengths("2 2+2 5 10"), true, true, 2, 1, 0, 30 },
        { Sport::Hockey, QStringLiteral("hokej"), QStringLiteral("Hokej"), lengths("2 2+2 5 10"),
          true, true, 2, 1, 0, 30 },
        { Sport::Futsal, QStringLiteral("futsal"), QStringLiteral("Futsal"), lengths("2"), true,
          false, 0, 0, 1, 60 },
        { Sport::Other, QStringLiteral("jiný"), QStringLiteral("Jiný sport"), lengths("2 5 10"),
          false, false, 0, 0, 1, 60 },
    } };
    return rules;
}

} // namespace

const SportRules &rulesOf(Sport sport)
{
    return table()[static_cast<std::size_t>(sport)];
}

std::optional<Sport> sportFromName(const QString &name)
{
    for (const SportRules &rules : table()) {
        if (rules.name == name) {
            return rules.sport;
        }
    }
    return std::nullopt;
}

QList<qint64> lengthParts(const QString &length)
{
    constexpr qint64 minute = 60000;
    if (length == u"2") {
        return { 2 * minute };
    }
    if (length == u"2+2") {
        return { 2 * minute, 2 * minute };
    }
    if (length == u"5") {
        return { 5 * minute };
    }
    if (length == u"10") {
        return { 10 * minute };
    }
    return {};
}

} // namespace match
