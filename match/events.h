#pragma once

#include "match/team.h"

#include <QString>

#include <optional>

// The kinds of events in the match journal (its column "událost"), in Czech as the operator
// reads them in a spreadsheet. A new kind is a new text here; the reader skips kinds it does
// not know, so older programs read newer journals.
namespace match::events {

/// The console started; value: the preset time MM:SS.hh, a space, the siren seconds.
inline const QString programStart = QStringLiteral("start programu");
/// The console closed cleanly; no value.
inline const QString programEnd = QStringLiteral("konec programu");
/// The scan for the controller ended; value: the port name or "nenalezeno".
inline const QString connection = QStringLiteral("spojení");
/// The time dialog set a new preset (the period's clock is fresh again); value: MM:SS.hh.
inline const QString timeSet = QStringLiteral("nastavení času");
/// A goal; team D or H, value: that team's new score.
inline const QString goal = QStringLiteral("gól");
/// The score sent again unchanged; value: the score, "3:2".
inline const QString score = QStringLiteral("skóre");
/// The score corrected; value: old and new, "3:2 → 3:1".
inline const QString scoreCorrection = QStringLiteral("oprava skóre");
/// The period sent to the board; value: its number.
inline const QString period = QStringLiteral("poločas");
/// The siren length sent; value: seconds.
inline const QString siren = QStringLiteral("siréna");
/// Everything sent at once; value: preset, score, period, siren ("07:00.00 3:2 2 5").
inline const QString setAll = QStringLiteral("nastavit vše");
/// The clock started; value: the time shown, MM:SS.
inline const QString clockStart = QStringLiteral("start");
/// The clock stopped; value: the time shown, MM:SS.
inline const QString clockStop = QStringLiteral("stop");
/// A reply of the controller changed a value; value such as "čas 06:57", "skóre 3:2",
/// "poločas 2", "siréna 5".
inline const QString reply = QStringLiteral("odpověď");
/// The period ran out at zero; value: the new period number.
inline const QString periodEnd = QStringLiteral("konec poločasu");
/// The port was lost; value: its name.
inline const QString portLost = QStringLiteral("port ztracen");
/// The port came back; value: its name.
inline const QString portRestored = QStringLiteral("port obnoven");
/// The settings file refused a write; value: the error text.
inline const QString settingsNotWritten = QStringLiteral("nastavení nezapsáno");
/// The operator began a new match; value: the preset MM:SS.hh, a space, the siren seconds.
inline const QString newMatch = QStringLiteral("nový zápas");
/// The match goes on after a crash; value: what was taken from the controller (may be empty).
inline const QString resumed = QStringLiteral("pokračování");

/// A team's settings; team D or H; value: the short name or "-", the colour #rrggbb or "-",
/// the name: "SOK #1e90ff Sokol Brno".
inline const QString teamSettings = QStringLiteral("tým");
/// The sport; value: "házená", "florbal", "hokej", "futsal" or "jiný".
inline const QString sport = QStringLiteral("sport");
/// A penalty added; team D or H; value: shirt number, length, "@" and the game time in ms
/// when it was given: "12 2+2 @754320". Its id is its place among these lines: 1, 2, 3...
inline const QString penalty = QStringLiteral("trest");
/// A penalty corrected; value: "#" id, number, length: "#3 12 5".
inline const QString penaltyChanged = QStringLiteral("trest změněn");
/// A penalty taken away as if never given; value: "#" id.
inline const QString penaltyRemoved = QStringLiteral("trest zrušen");
/// A penalty taken away or ended by hand counts again; value: "#" id.
inline const QString penaltyRestored = QStringLiteral("trest obnoven");
/// A penalty ended by hand; value: "#" id, "@" and the game time in ms: "#3 @800000".
inline const QString penaltyEnded = QStringLiteral("trest ukončen");
/// A team timeout taken; team D or H; value: its length in seconds. It starts at the line's
/// wall time.
inline const QString timeout = QStringLiteral("oddechový čas");
/// The team's last timeout taken back; team D or H.
inline const QString timeoutCancelled = QStringLiteral("oddechový čas zrušen");

/// The fields that the values of the penalty kinds carry; a kind uses some of them.
struct PenaltyValue
{
    int id = 0;
    int number = 0;
    QString length;
    qint64 atMs = 0;
};

/// The team's value; an empty short name or colour is written as "-".
QString formatTeam(const Team &team);
/// A team's value back; none when malformed (the team's own checks included).
std::optional<Team> parseTeam(const QString &value);
/// "12 2+2 @754320"
QString formatPenalty(int number, const QString &length, qint64 atMs);
std::optional<PenaltyValue> parsePenalty(const QString &value);
/// "#3 12 5"
QString formatPenaltyChange(int id, int number, const QString &length);
std::optional<PenaltyValue> parsePenaltyChange(const QString &value);
/// "#3"
QString formatPenaltyId(int id);
std::optional<int> parsePenaltyId(const QString &value);
/// "#3 @800000"
QString formatPenaltyEnd(int id, qint64 atMs);
std::optional<PenaltyValue> parsePenaltyEnd(const QString &value);
/// The preset MM:SS.hh at the start of a value (start of the program, time set, set all), in ms.
std::optional<qint64> parsePresetMs(const QString &value);

/// Whether the reader of this program knows the kind.
bool known(const QString &kind);
/// Whether the kind touches the game: the first such event of a match creates its file.
/// The program's start, the connection and the program's end do not.
bool touchesGame(const QString &kind);

} // namespace match::events
