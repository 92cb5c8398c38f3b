#include "match/events.h"

#include <QList>
#include <QStringView>

#include <algorithm>

namespace match::events {
namespace {

// The values are read by hand, not by regular expressions: the console reads some of them at
// every start, and a journal brought back replays thousands.

/// Between `least` and `most` ASCII digits and nothing else.
bool digits(QStringView text, qsizetype least, qsizetype most)
{
    return text.size() >= least && text.size() <= most
           && std::all_of(text.cbegin(), text.cend(),
                          [](QChar c) { return c >= u'0' && c <= u'9'; });
}

/// "#<id>": 1 to 999999999.
std::optional<int> idOf(QStringView text)
{
    if (!text.startsWith(u'#') || !digits(text.mid(1), 1, 9) || text.at(1) == u'0') {
        return std::nullopt;
    }
    return text.mid(1).toInt();
}

/// A player's number, 0 to 99 written with one or two digits.
std::optional<int> playerOf(QStringView text)
{
    return digits(text, 1, 2) ? std::optional<int>(text.toInt()) : std::nullopt;
}

bool isLength(QStringView text)
{
    return text == u"2" || text == u"2+2" || text == u"5" || text == u"10";
}

/// "@<ms>": up to 15 digits.
std::optional<qint64> atOf(QStringView text)
{
    if (!text.startsWith(u'@') || !digits(text.mid(1), 1, 15)) {
        return std::nullopt;
    }
    return text.mid(1).toLongLong();
}

/// The value's words between single spaces; none when their count is not `count`.
std::optional<QList<QStringView>> wordsOf(const QString &value, qsizetype count)
{
    QList<QStringView> words = QStringView(value).split(u' ');
    return words.size() == count ? std::optional(words) : std::nullopt;
}

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
    // "<short> <colour> <name>": two words and the rest, each part not empty.
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
    const auto w = wordsOf(value, 3);
    const auto number = w ? playerOf(w->at(0)) : std::nullopt;
    const auto at = w ? atOf(w->at(2)) : std::nullopt;
    if (!number || !isLength(w->at(1)) || !at) {
        return std::nullopt;
    }
    return PenaltyValue { 0, *number, w->at(1).toString(), *at };
}

QString formatPenaltyChange(int id, int number, const QString &length)
{
    return QStringLiteral("#%1 %2 %3").arg(id).arg(number).arg(length);
}

std::optional<PenaltyValue> parsePenaltyChange(const QString &value)
{
    const auto w = wordsOf(value, 3);
    const auto id = w ? idOf(w->at(0)) : std::nullopt;
    const auto number = w ? playerOf(w->at(1)) : std::nullopt;
    if (!id || !number || !isLength(w->at(2))) {
        return std::nullopt;
    }
    return PenaltyValue { *id, *number, w->at(2).toString(), 0 };
}

QString formatPenaltyId(int id)
{
    return QStringLiteral("#%1").arg(id);
}

std::optional<int> parsePenaltyId(const QString &value)
{
    return idOf(value);
}

QString formatPenaltyEnd(int id, qint64 atMs)
{
    return QStringLiteral("#%1 @%2").arg(id).arg(atMs);
}

std::optional<PenaltyValue> parsePenaltyEnd(const QString &value)
{
    const auto w = wordsOf(value, 2);
    const auto id = w ? idOf(w->at(0)) : std::nullopt;
    const auto at = w ? atOf(w->at(1)) : std::nullopt;
    if (!id || !at) {
        return std::nullopt;
    }
    return PenaltyValue { *id, 0, {}, *at };
}

std::optional<qint64> parsePresetMs(const QString &value)
{
    // "<minutes>:<ss>.<hh>", then optionally a space and anything on the same line.
    const qsizetype space = value.indexOf(u' ');
    const QStringView time = QStringView(value).left(space < 0 ? value.size() : space);
    const qsizetype colon = time.indexOf(u':');
    const QStringView minutes = time.left(colon < 0 ? 0 : colon);
    const QStringView seconds = time.mid(minutes.size() + 1, 2);
    const QStringView hundredths = time.mid(minutes.size() + 4);
    if (colon < 0 || !digits(minutes, 2, 6) || !digits(seconds, 2, 2) || seconds.at(0) > u'5'
        || time.size() != minutes.size() + 6 || time.at(minutes.size() + 3) != u'.'
        || !digits(hundredths, 2, 2) || value.contains(u'\n')) {
        return std::nullopt;
    }
    return (minutes.toLongLong() * 60 + seconds.toInt()) * 1000 + hundredths.toInt() * 10;
}

} // namespace match::events
