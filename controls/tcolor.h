#pragma once

#include <QColor>
#include <QPalette>
#include <QtGlobal>

/// A colour as the program stores it: 0x00BBGGRR (red in the low byte), or with the top bit
/// set (0x80000000 + n) system colour n, which is resolved through the palette when drawn.
using TColor = qint32;

constexpr TColor clBlack = 0x000000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBtnFace = static_cast<TColor>(0x8000000Fu);
constexpr TColor clBtnShadow = static_cast<TColor>(0x80000010u);
constexpr TColor clBtnHighlight = static_cast<TColor>(0x80000014u);

namespace controls {

constexpr bool isSystemColor(TColor color)
{
    return color < 0;
}

/// The number n of a system colour 0x80000000 + n.
constexpr int systemColorIndex(TColor color)
{
    return static_cast<int>(static_cast<quint32>(color) & 0x7FFFFFFFu);
}

/// The palette role that stands for system colour n. The button shadow is the palette's Dark
/// role (Mid is lighter than a classic shadow); numbers without a counterpart fall back to Button.
QPalette::ColorRole systemColorRole(int index);

/// The colour to draw with: RGB values directly (the unused high byte is ignored), system
/// colours through the palette's role in its current colour group.
QColor resolveColor(TColor color, const QPalette &palette);

} // namespace controls
