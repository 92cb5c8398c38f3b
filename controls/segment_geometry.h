#pragma once

#include "controls/display_enums.h"

#include <QPolygon>
#include <QtGlobal>

#include <array>
#include <cstddef>

/// A set of lit bars in one byte: bit i (value 2^i) stands for the bar with ordinal i; bit 7
/// is always 0. The main window exchanges digit patterns in this form.
using TdsDisplaySegments = quint8;

namespace controls {

constexpr int segmentCount = 7;
constexpr TdsDisplaySegments allSegments = 0x7F;

constexpr TdsDisplaySegments segmentBit(TdsDisplaySegment segment)
{
    return static_cast<TdsDisplaySegments>(1u << segment);
}

constexpr bool hasSegment(TdsDisplaySegments set, TdsDisplaySegment segment)
{
    return (set & segmentBit(segment)) != 0;
}

/// Lit bars of the digits 0 to 9; shared by the digit control and the main window.
// clang-format off
inline constexpr std::array<TdsDisplaySegments, 10> digitTable {
    0x77,
    0x24,
    0x5D,
    0x6D,
    0x2E,
    0x6B,
    0x7B,
    0x25,
    0x7F,
    0x6F,
};
// clang-format on

/// The letter E, shown for every number that is not a single digit.
inline constexpr TdsDisplaySegments errorPattern = 0x5B;

constexpr TdsDisplaySegments digitSegments(int value)
{
    return value >= 0 && value <= 9 ? digitTable[static_cast<std::size_t>(value)] : errorPattern;
}

/// Grid of the digit: the control's area is split into 20 units across and 38 down.
constexpr int gridColumns = 20;
constexpr int gridRows = 38;

/// The outline of one bar in grid units for a bar thickness of segmentWidth units. The bars
/// stay clear of each other and of a one-unit band along the edges. Empty for an ordinal
/// above 6.
QPolygonF segmentGridPolygon(int segment, int segmentWidth);

/// The outline of one bar in pixels of a width x height control: each grid point is scaled by
/// width / 20 and height / 38 and rounded to the nearest pixel, halves to even (104.5 -> 104).
/// Filled odd-even: a segment width above 8 makes the outline cross itself.
QPolygon segmentPolygon(int segment, int width, int height, int segmentWidth);

} // namespace controls
