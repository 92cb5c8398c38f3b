#pragma once

#include <QFont>

namespace console {

/// Maps the window fonts' family names to fonts the machine has ("MS Sans Serif" to DejaVu
/// Sans, "Arial CE" to Liberation Sans, metric compatible with Arial). Call once at start.
void installFontSubstitutions();

/// The windows' 8-point sans-serif: 11-pixel characters.
QFont windowFont();
/// The scoreboard captions and the Start/Stop button: bold, 27-pixel characters.
QFont largeFont();

} // namespace console
