#pragma once

#include "controls/tcolor.h"

#include <QWidget>

class TdsLed;
class TdsSevenSegmentDisplay;

namespace simulator {

class ScoreboardController;

/// Where a window of `size` goes on the free area `screen` so that the console, which opens
/// centred on that screen with the outer size `consoleSize`, covers as little of it as it
/// can: beside the console, else below or above it, else in the screen's corner that the
/// console covers least. Always inside the screen when it fits.
QPoint placeBesideConsole(const QRect &screen, const QSize &size, const QSize &consoleSize);

/// The scoreboard as the hall sees it: the time remaining as MM:SS, the period, the home and
/// guest score and a lamp that is lit while the siren sounds. It only shows the controller's
/// state; refresh() brings it up to date.
class ScoreboardWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit ScoreboardWindow(const ScoreboardController &controller, QWidget *parent = nullptr);

    /// Shows the controller's current state.
    void refresh();
    /// Moves the window where the console, started after it, does not cover it.
    void moveBesideConsole();

private:
    TdsSevenSegmentDisplay *makeDigit(const QString &name, TColor onColor);
    TdsLed *makeLamp(const QString &name, TColor onColor, int size);

    const ScoreboardController &m_controller;
    TdsSevenSegmentDisplay *m_minuteTens = nullptr;
    TdsSevenSegmentDisplay *m_minuteUnits = nullptr;
    TdsSevenSegmentDisplay *m_secondTens = nullptr;
    TdsSevenSegmentDisplay *m_secondUnits = nullptr;
    TdsSevenSegmentDisplay *m_period = nullptr;
    TdsSevenSegmentDisplay *m_homeTens = nullptr;
    TdsSevenSegmentDisplay *m_homeUnits = nullptr;
    TdsSevenSegmentDisplay *m_guestTens = nullptr;
    TdsSevenSegmentDisplay *m_guestUnits = nullptr;
    TdsLed *m_siren = nullptr;
};

} // namespace simulator
