#include "feed/board.h"

namespace feed {
namespace {

QByteArray number(std::initializer_list<qint8> digits)
{
    int value = 0;
    for (const qint8 d : digits) {
        if (d < 0 || d > 9) {
            return QByteArrayLiteral("null");
        }
        value = value * 10 + d;
    }
    return QByteArray::number(value);
}

char timeChar(qint8 digit)
{
    return digit >= 0 && digit <= 9 ? char('0' + digit) : '-';
}

/// A JSON string of operator text: quotes, backslashes and control characters escaped (a raw
/// line break would also end the event's line), the rest as UTF-8.
QByteArray string(const QString &text)
{
    static const char hex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 0xf];
        } else {
            out += c;
        }
    }
    return out + '"';
}

const char *boolean(bool value)
{
    return value ? "true" : "false";
}

QByteArray team(const Board::Team &team)
{
    return "{\"name\":" + string(team.name) + ",\"short\":" + string(team.shortName)
           + ",\"color\":" + string(team.color) + '}';
}

QByteArray timeouts(const Board::Timeouts &timeouts)
{
    return "{\"taken\":" + QByteArray::number(timeouts.taken)
           + ",\"left\":" + (timeouts.left ? string(*timeouts.left) : QByteArrayLiteral("null"))
           + ",\"ended\":" + boolean(timeouts.ended) + '}';
}

} // namespace

QByteArray toJson(const Board &board, quint64 seq)
{
    const auto &t = board.time;
    const char time[] = { timeChar(t[0]), timeChar(t[1]), ':', timeChar(t[2]), timeChar(t[3]) };
    QByteArray json;
    json.reserve(400 + 80 * board.penalties.size());
    json += "{\"seq\":" + QByteArray::number(seq);
    json += ",\"period\":" + number({ board.period });
    json += ",\"time\":\"" + QByteArray(time, sizeof time) + '"';
    json += QByteArrayLiteral(",\"running\":") + boolean(board.running);
    json += ",\"home\":" + number({ board.home[0], board.home[1] });
    json += ",\"guest\":" + number({ board.guest[0], board.guest[1] });
    json += ",\"siren\":" + QByteArray::number(board.siren);
    json += ",\"teams\":{\"home\":" + team(board.homeTeam) + ",\"guest\":" + team(board.guestTeam)
            + '}';
    json += ",\"sport\":" + string(board.sport);
    json += ",\"penalties\":[";
    for (qsizetype i = 0; i < board.penalties.size(); ++i) {
        const Board::Penalty &p = board.penalties[i];
        json += i == 0 ? "" : ",";
        json += QByteArrayLiteral("{\"team\":") + (p.home ? "\"home\"" : "\"guest\"");
        json += ",\"number\":" + QByteArray::number(p.number);
        json += ",\"length\":" + string(p.length) + ",\"left\":" + string(p.left);
        json += QByteArrayLiteral(",\"waiting\":") + boolean(p.waiting) + '}';
    }
    json += "],\"timeouts\":{\"home\":" + timeouts(board.homeTimeouts)
            + ",\"guest\":" + timeouts(board.guestTimeouts) + "}}";
    return json;
}

} // namespace feed
