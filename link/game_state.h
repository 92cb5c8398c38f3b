#pragma once

#include <QtGlobal>

class TCommPortDriver;

namespace devicelink {

/// The game as the console holds it: plain fields of the main window, all zero at creation.
/// Widths are fixed; an assignment truncates to the field's width.
struct GameState
{
    quint8 PosledniBajt = 0; ///< the last byte received from the controller
    quint8 Pripojeni = 0;    ///< connection kind in the settings: 0 "COM", 1 "USB"; shown only
    TCommPortDriver *Port = nullptr; ///< the driver the scan found, owned by the window
    quint32 StavSpojeni = 0;    ///< 0 not tested, 1 controller found (port open), 2 scan given up
    qint32 StavPrijmu = 0;      ///< reply parser: 0 idle, 1 time block, 2 settings block
    quint8 Polocas = 0;         ///< period number
    quint8 Sirena = 0;          ///< siren length in seconds
    quint8 IndexPrijmu = 0;     ///< next byte's position inside a reply block
    quint8 UlozitNastaveni = 0; ///< 1: store the settings whenever a time block completes
    qint32 Uplynulo = 0;        ///< elapsed running time of the clock, ms
    quint8 SkoreDomaci = 0;     ///< home score
    quint8 SkoreHoste = 0;      ///< guest score
    quint8 Minuty = 0;          ///< preset game time: minutes,
    quint8 Sekundy = 0;         ///< seconds,
    quint8 Setiny = 0;          ///< hundredths
    quint8 AktMinuty = 0;       ///< time currently shown: minutes,
    quint8 AktSekundy = 0;      ///< seconds
    qint32 AktSetiny = 0;       ///< hundredths of the time shown; held, never drawn
    qint32 CelkovyCas = 0;      ///< preset game time in ms
    qint32 Zaklad = 0;          ///< tick from which Uplynulo is measured
    qint32 CasStartu = 0;       ///< tick of the last start
    qint32 CasStopu = 0;        ///< tick of the last stop, then the length of the last pause

    /// The preset time in milliseconds.
    qint32 presetMs() const { return Minuty * 60000 + Sekundy * 1000 + Setiny * 10; }
};

} // namespace devicelink
