#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>

namespace feed {

/// What the scoreboard shows, as the console hands it over: each digit as the display shows it
/// (0 to 9, or `noDigit` for a display that shows no digit's pattern), whether the clock runs,
/// and the siren length held.
struct Board
{
    static constexpr qint8 noDigit = -1;

    qint8 period = 0;
    std::array<qint8, 4> time {}; ///< tens and units of minutes, tens and units of seconds
    std::array<qint8, 2> home {}; ///< tens, units
    std::array<qint8, 2> guest {};
    bool running = false;
    quint8 siren = 0;

    bool operator==(const Board &) const = default;
};

/// The state as sent: {"seq":17,"period":2,"time":"06:57","running":true,"home":5,"guest":3,
/// "siren":5}. A time digit that is no digit reads '-'; a period or a score with such a
/// digit is null.
QByteArray toJson(const Board &board, quint64 seq);

} // namespace feed
