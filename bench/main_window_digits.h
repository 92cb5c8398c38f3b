#pragma once

// The main window's nine seven-segment digits as console/unit1.cpp (createControls) makes them,
// for the pictures and yardsticks that show them outside the console (gallery, bare_window).

#include "controls/dsleds.h"

#include <QWidget>

namespace bench {

struct DigitPlace
{
    int left;
    int top;
    TColor onColor;
};

/// Period; the time's four digits; the score's four.
// clang-format off
inline constexpr DigitPlace mainWindowDigits[] = {
    { 88, 96, clYellow },
    { 256, 96, clRed }, { 376, 96, clRed }, { 528, 96, clRed }, { 648, 96, clRed },
    { 192, 336, clLime }, { 312, 336, clLime }, { 464, 336, clLime }, { 584, 336, clLime },
};
// clang-format on

/// A digit of the main window's size and colours at `place`, not yet showing anything.
inline TdsSevenSegmentDisplay *addDigit(QWidget *window, const DigitPlace &place)
{
    auto *digit = new TdsSevenSegmentDisplay(window);
    digit->setGeometry(place.left, place.top, 121, 209);
    digit->setSegmentWidth(4);
    digit->setBackColor(clGray);
    digit->setOffColor(clSilver);
    digit->setOnColor(place.onColor);
    return digit;
}

} // namespace bench
