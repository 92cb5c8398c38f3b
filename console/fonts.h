#pragma once

#include <QFont>

namespace console {

/// Maps the window fonts' family names to fonts the machine has where it lacks them (on Linux
/// "MS Sans Serif" to DejaVu Sans, "Arial CE" to Liberation Sans, metric compatible with
/// Arial; on Windows "Arial CE" to Arial). Call once at start.
void installFontSubstitutions();

/// The windows' 8-point sans-serif: 11-pixel characters, Microsoft Sans Serif where it exists.
QFont windowFont();
/// The scoreboard captions and the Start/Stop button: bold, 27-pixel characters.
QFont largeFont();

} // namespace console
