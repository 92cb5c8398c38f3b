#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

namespace feed {

/// What the scoreboard shows, as the console hands it over: each digit as the display shows it
/// (0 to 9, or `noDigit` for a display that shows no digit's pattern), whether the clock runs,
/// and the siren length held.
struct Board
{
    static constexpr qint8 noDigit = -1;

    /// A team as the match window names it.
    struct Team
    {
        QString name = QStringLiteral("Domácí"); ///< "Hosté" for the guests
        QString shortName;                       ///< up to 4 letters; empty: none given
        QString color;                           ///< "#rrggbb"; empty: the page's own

        bool operator==(const Team &) const = default;
    };
    /// A penalty still running or waiting, counted on the game clock.
    struct Penalty
    {
        bool home = true;
        int number = 0;       ///< shirt number, 0 to 99
        QString length;       ///< as the operator chose it: "2", "2+2", "5", "10"
        QString left;         ///< what is left, "1:57", in whole seconds
        bool waiting = false; ///< the team already has as many counting as the sport allows

        bool operator==(const Penalty &) const = default;
    };
    /// A team's timeouts: how many taken, and the countdown of one running or just ended.
    struct Timeouts
    {
        int taken = 0;
        std::optional<QString> left; ///< "0:42" while one runs, "0:00" once it has ended
        bool ended = false;          ///< the last one ran out (until the game clock runs again)

        bool operator==(const Timeouts &) const = default;
    };

    qint8 period = 0;
    std::array<qint8, 4> time {}; ///< tens and units of minutes, tens and units of seconds
    std::array<qint8, 2> home {}; ///< tens, units
    std::array<qint8, 2> guest {};
    bool running = false;
    quint8 siren = 0;
    Team homeTeam;
    Team guestTeam { QStringLiteral("Hosté"), {}, {} };
    QString sport = QStringLiteral("jiný"); ///< házená, florbal, hokej, futsal, jiný
    QList<Penalty> penalties;               ///< in the order they end
    Timeouts homeTimeouts;
    Timeouts guestTimeouts;

    bool operator==(const Board &) const = default;
};

/// The state as sent: {"seq":17,"period":2,"time":"06:57","running":true,"home":5,"guest":3,
/// "siren":5,"teams":{"home":{"name":"Domácí","short":"","color":""},"guest":{...}},
/// "sport":"florbal","penalties":[{"team":"home","number":12,"length":"2","left":"1:57",
/// "waiting":false}],"timeouts":{"home":{"taken":1,"left":"0:42","ended":false},
/// "guest":{"taken":0,"left":null,"ended":false}}}. A time digit that is no digit reads '-';
/// a period or a score with such a digit is null.
QByteArray toJson(const Board &board, quint64 seq);

} // namespace feed
