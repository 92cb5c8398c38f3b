#include "match/events.h"

#include <QRegularExpression>

#include <algorithm>

namespace match::events {
namespace {

/// The whole value matched, or an invalid match.
QRegularExpressionMatch whole(const QString &pattern, const QString &value)
{
    const QRegularExpression re(QLatin1Char('^') + pattern + QLatin1Char('$'));
    return re.match(value);
}

const QString idPart = QStringLiteral("#([1-9][0-9]{0,8})");
const QString playerPart = QStringLiteral("([0-9]{1,2}) (2|2\\+2|5|10)");
const QString atPart = QStringLiteral("@([0-9]{1,15})");

} // namespace

bool known(const QString &kind)
{
    for (const QString *k : { &programStart,
                              &programEnd,
                              &connection,
                              &timeSet,
                              &goal,
                              &score,
                              &scoreCorrection,
                              &period,
                              &siren,
                              &setAll,
                              &clockStart,
                              &clockStop,
                              &reply,
                              &periodEnd,
                              &portLost,
                              &portRestored,
                              &settingsNotWritten,
                              &newMatch,
                              &resumed,
                              &teamSettings,
                              &sport,
                              &penalty,
                              &penaltyChanged,
                              &penaltyRemoved,
                              &penaltyRestored,
                              &penaltyEnded,
                              &timeout,
                              &timeoutCancelled }) {
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

QString formatTeam(const Team &team)
{
    auto orDash = [](const QString &text) { return text.isEmpty() ? QStringLiteral("-") : text; };
    return orDash(team.shortName) + QLatin1Char(' ') + orDash(team.color) + QLatin1Char(' ')
           + team.name;
}

std::optional<Team> parseTeam(const QString &value)
{
    // "<short> <colour> <name>": two words and the rest, each part not empty. Read without a
    // regular expression: the settings' teams go through here at every start.
    const qsizetype first = value.indexOf(QLatin1Char(' '));
    const qsizetype second = first < 0 ? -1 : value.indexOf(QLatin1Char(' '), first + 1);
    if (second < 0) {
        return std::nullopt;
    }
    const QString shortName = value.left(first);
    const QString color = value.mid(first + 1, second - first - 1);
    const QString name = value.mid(second + 1);
    auto word = [](const QString &text) {
        return !text.isEmpty() && std::none_of(text.cbegin(), text.cend(), [](QChar c) {
            return c == u' ' || (c >= u'\t' && c <= u'\r'); // ASCII white space only
        });
    };
    if (!word(shortName) || !word(color) || name.isEmpty() || name.contains(QLatin1Char('\n'))) {
        return std::nullopt;
    }
    auto dashEmpty = [](const QString &text) { return text == u"-" ? QString() : text; };
    const Team team { name, dashEmpty(shortName), dashEmpty(color) };
    return team.refusal() ? std::nullopt : std::optional<Team>(team);
}

QString formatPenalty(int number, const QString &length, qint64 atMs)
{
    return QStringLiteral("%1 %2 @%3").arg(number).arg(length).arg(atMs);
}

std::optional<PenaltyValue> parsePenalty(const QString &value)
{
    const auto m = whole(playerPart + QLatin1Char(' ') + atPart, value);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    return PenaltyValue { 0, m.captured(1).toInt(), m.captured(2), m.captured(3).toLongLong() };
}

QString formatPenaltyChange(int id, int number, const QString &length)
{
    return QStringLiteral("#%1 %2 %3").arg(id).arg(number).arg(length);
}

std::optional<PenaltyValue> parsePenaltyChange(const QString &value)
{
    const auto m = whole(idPart + QLatin1Char(' ') + playerPart, value);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    return PenaltyValue { m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3), 0 };
}

QString formatPenaltyId(int id)
{
    return QStringLiteral("#%1").arg(id);
}

std::optional<int> parsePenaltyId(const QString &value)
{
    const auto m = whole(idPart, value);
    return m.hasMatch() ? std::optional<int>(m.captured(1).toInt()) : std::nullopt;
}

QString formatPenaltyEnd(int id, qint64 atMs)
{
    return QStringLiteral("#%1 @%2").arg(id).arg(atMs);
}

std::optional<PenaltyValue> parsePenaltyEnd(const QString &value)
{
    const auto m = whole(idPart + QLatin1Char(' ') + atPart, value);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    return PenaltyValue { m.captured(1).toInt(), 0, {}, m.captured(2).toLongLong() };
}

std::optional<qint64> parsePresetMs(const QString &value)
{
    const auto m = whole(QStringLiteral("([0-9]{2,6}):([0-5][0-9])\\.([0-9]{2})( .*)?"), value);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    return (m.captured(1).toLongLong() * 60 + m.captured(2).toInt()) * 1000
           + m.captured(3).toInt() * 10;
}

} // namespace match::events
