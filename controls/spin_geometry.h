#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// Geometry of the spin field, in pixels: pure functions, so that the layout can be checked
// without painting.
namespace controls {

/// Width of the arrow pair inside a field; also the pair's minimum width.
constexpr int arrowPairWidth = 15;
/// Line height of the system font that the field's minimum height takes into account.
constexpr int systemLineHeight = 16;

/// Line height of a font of the given pixel size: the size plus a fifth, rounded. The layout
/// of the windows must not follow the metrics of whatever font the desktop substitutes, so
/// the height is derived from the pixel size alone (11 px gives the 13 px line).
int lineHeightForPixelSize(int pixelSize);

/// fontLine + min(fontLine, systemLine) / 4 + 4 * border + 2.
int minimumFieldHeight(int fontLine, int systemLine = systemLineHeight, int border = 1);

/// The client area of a field: inside the 2-pixel sunken border, or the whole field when it
/// has no border.
QRect clientRect(QSize field, bool sunkenBorder);

/// The arrow pair, in field coordinates. Sunken border: client x = width - 15 - 5, y = 0,
/// height = field height - 5; no border: x = width - 15, y = 1, height = field height - 3.
QRect arrowPairRect(QSize field, bool sunkenBorder);

/// Where the text may go: from the client area's left and top edges to 2 pixels left of the
/// arrow pair, and to one pixel below the client area.
QRect textRect(QSize field, bool sunkenBorder);

/// The up arrow takes the top half of the pair; the down arrow starts one pixel above the up
/// arrow's lower edge and reaches the bottom.
QRect upArrowRect(QSize pair);
QRect downArrowRect(QSize pair);

/// The built-in 9 x 6 arrow picture: a black triangle (rows 0, 1, 3, 5, 7, 0 pixels wide,
/// centred; upside down for the down arrow) on white, the colour of the bottom-left pixel,
/// which the arrows draw as transparent.
QImage builtInArrowImage(bool up);

} // namespace controls
