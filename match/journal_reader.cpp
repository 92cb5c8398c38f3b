#include "match/journal_reader.h"

#include "match/events.h"
#include "match/journal_line.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <limits>

namespace match {
namespace {

constexpr int columnCount = 8;

/// The next record of CSV text from `pos` on: its fields, and whether a line end closed it
/// (a record that the bytes' end cuts short is torn; `openQuote` tells whether it was cut
/// inside quotes).
bool nextRecord(QByteArrayView bytes, qsizetype &pos, QList<QByteArray> &fields,
                bool *openQuote = nullptr)
{
    fields.clear();
    QByteArray field;
    bool quoted = false;
    bool wasQuoted = false;
    while (pos < bytes.size()) {
        const char c = bytes[pos++];
        if (quoted) {
            if (c != '"') {
                field.append(c);
            } else if (pos < bytes.size() && bytes[pos] == '"') {
                field.append('"');
                ++pos;
            } else {
                quoted = false;
            }
        } else if (c == '"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ';' || c == '\n') {
            if (c == '\n' && !wasQuoted && field.endsWith('\r')) {
                field.chop(1);
            }
            fields.append(field);
            field.clear();
            wasQuoted = false;
            if (c == '\n') {
                return true;
            }
        } else if (!(c == '\r' && wasQuoted)) {
            field.append(c);
        }
    }
    if (openQuote != nullptr) {
        *openQuote = quoted;
    }
    return false;
}

/// A non-negative number of ASCII digits that fits an int.
bool digits(QStringView text, int &value)
{
    if (text.isEmpty() || text.size() > 9) {
        return false;
    }
    qint64 n = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return false;
        }
        n = n * 10 + (c.unicode() - u'0');
    }
    value = static_cast<int>(n);
    return true;
}

/// "a:b" with numbers of digits; the seconds or the guest's score after the colon.
bool pair(QStringView text, int &first, int &second)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    return colon > 0 && digits(text.left(colon), first) && digits(text.mid(colon + 1), second);
}

/// MM:SS.hh as minutes, seconds and hundredths.
bool preset(QStringView text, int &minutes, int &seconds, int &hundredths)
{
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    return dot > 0 && text.size() - dot == 3 && pair(text.left(dot), minutes, seconds)
           && text.mid(dot - 3, 1) == u":" && seconds < 60 && digits(text.mid(dot + 1), hundredths);
}

bool elapsed(QStringView text, qint32 &ms)
{
    int minutes = 0;
    int seconds = 0;
    int hundredths = 0;
    if (!preset(text, minutes, seconds, hundredths)) {
        return false;
    }
    const qint64 total = (qint64(minutes) * 60 + seconds) * 1000 + hundredths * 10;
    if (total > std::numeric_limits<qint32>::max()) {
        return false;
    }
    ms = static_cast<qint32>(total);
    return true;
}

/// One record as an event: every column well formed (the time shown may be empty: nothing
/// shown yet), the kind known.
bool toEvent(const QList<QByteArray> &fields, Event &event)
{
    if (fields.size() < columnCount) {
        return false;
    }
    QStringList text;
    for (int i = 0; i < columnCount; ++i) {
        text.append(QString::fromUtf8(fields[i]));
    }
    event.kind = text[4];
    if (!events::known(event.kind)) {
        return false;
    }
    event.wall = QDateTime::fromString(text[0], Qt::ISODateWithMs);
    int minutes = 0;
    int seconds = 0;
    event.shown = text[2];
    event.team = text[5];
    event.value = text[6];
    const bool shownWell
        = event.shown.isEmpty()
          || (pair(event.shown, minutes, seconds) && event.shown.indexOf(QLatin1Char(':')) >= 2
              && event.shown.size() - event.shown.indexOf(QLatin1Char(':')) == 3);
    return event.wall.isValid() && digits(text[1], event.period) && shownWell
           && elapsed(text[3], event.elapsedMs)
           && (event.team.isEmpty() || event.team == u"D" || event.team == u"H")
           && pair(text[7], event.home, event.guest);
}

std::vector<Event> parse(QByteArrayView bytes, bool &valid)
{
    std::vector<Event> events;
    qsizetype pos = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    QList<QByteArray> fields;
    valid = nextRecord(bytes, pos, fields) && fields.size() >= columnCount;
    const QStringList columns = journalColumns();
    for (int i = 0; valid && i < columnCount; ++i) {
        valid = QString::fromUtf8(fields[i]) == columns[i];
    }
    if (!valid) {
        return events;
    }
    while (nextRecord(bytes, pos, fields)) {
        Event event;
        if (toEvent(fields, event)) {
            events.push_back(std::move(event));
        }
    }
    return events;
}

void takeSetting(const Event &event, JournalState &state)
{
    const QStringList words = event.value.split(QLatin1Char(' '));
    int minutes = 0;
    int seconds = 0;
    int hundredths = 0;
    int siren = 0;
    auto takePreset = [&](const QString &text) {
        if (preset(text, minutes, seconds, hundredths)) {
            state.presetMinutes = minutes;
            state.presetSeconds = seconds;
            state.presetHundredths = hundredths;
        }
    };
    auto takeSiren = [&](const QString &text) {
        if (digits(text, siren)) {
            state.siren = siren;
        }
    };
    if ((event.kind == events::programStart || event.kind == events::newMatch)
        && words.size() == 2) {
        takePreset(words[0]);
        takeSiren(words[1]);
    } else if (event.kind == events::timeSet) {
        takePreset(event.value);
    } else if (event.kind == events::setAll && words.size() == 4) {
        takePreset(words[0]);
        takeSiren(words[3]);
    } else if (event.kind == events::siren) {
        takeSiren(event.value);
    } else if (event.kind == events::reply && words.size() == 2 && words[0] == u"siréna") {
        takeSiren(words[1]);
    }
}

} // namespace

std::vector<Event> readEvents(QByteArrayView bytes)
{
    bool valid = false;
    return parse(bytes, valid);
}

QByteArray journalTailRepair(QByteArrayView bytes)
{
    qsizetype pos = 0;
    QList<QByteArray> fields;
    bool openQuote = false;
    while (pos < bytes.size()) {
        if (!nextRecord(bytes, pos, fields, &openQuote)) {
            return openQuote ? QByteArray("\"\r\n") : QByteArray("\r\n");
        }
    }
    return QByteArray();
}

JournalState readJournal(QByteArrayView bytes)
{
    JournalState state;
    const std::vector<Event> events = parse(bytes, state.valid);
    for (const Event &event : events) {
        if (!state.firstWall.isValid()) {
            state.firstWall = event.wall;
        }
        state.period = event.period;
        state.home = event.home;
        state.guest = event.guest;
        state.elapsedMs = event.elapsedMs;
        takeSetting(event, state);
        if (event.kind == events::clockStart) {
            state.clockStarted = state.running = true;
            state.runningSince = event.wall;
            state.elapsedAtStartMs = event.elapsedMs;
        } else if (event.kind == events::clockStop || event.kind == events::periodEnd
                   || event.kind == events::timeSet || event.kind == events::newMatch) {
            state.running = false;
        }
    }
    state.cleanClose = !events.empty() && events.back().kind == events::programEnd;
    return state;
}

} // namespace match
