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

} // namespace

QByteArray toJson(const Board &board, quint64 seq)
{
    const auto &t = board.time;
    const char time[] = { timeChar(t[0]), timeChar(t[1]), ':', timeChar(t[2]), timeChar(t[3]) };
    QByteArray json;
    json.reserve(120);
    json += "{\"seq\":" + QByteArray::number(seq);
    json += ",\"period\":" + number({ board.period });
    json += ",\"time\":\"" + QByteArray(time, sizeof time) + '"';
    json += QByteArrayLiteral(",\"running\":") + (board.running ? "true" : "false");
    json += ",\"home\":" + number({ board.home[0], board.home[1] });
    json += ",\"guest\":" + number({ board.guest[0], board.guest[1] });
    json += ",\"siren\":" + QByteArray::number(board.siren) + '}';
    return json;
}

} // namespace feed
