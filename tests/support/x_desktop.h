#pragma once

// Driving a program's real windows on an X display (Xvfb, started by with_xvfb.sh): xdotool for
// keys, mouse and finding windows, X itself for closing them, and the main window's digits read
// back from a screenshot.

#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace testing {

inline constexpr int desktopWaitMs = 10000;

/// Runs xdotool with a bound; its output, nothing when it failed. "search" finding nothing is
/// an empty answer, not a failure.
std::optional<QString> xdotool(const QStringList &arguments);
/// The first visible window whose title matches the pattern, of the process when `pid` is set;
/// empty when there is none.
QString findWindow(const QString &titlePattern, qint64 pid = 0);
/// Gives the window the keyboard (nothing does it without a window manager).
bool focusWindow(const QString &windowId);
bool pressKeys(const QStringList &keyNames);
bool typeText(const QString &text);
/// A left click at a point of the window.
bool clickAt(const QString &windowId, QPoint point);
/// Asks a window to close, as a window manager's close button does (WM_DELETE_WINDOW).
bool closeWindow(const QString &windowId);
/// The window as it is on the screen.
QImage grabWindow(const QString &windowId);

/// One digit of the main window: where it sits in the window and the colour of its lit bars.
struct DigitPlace
{
    const char *name;
    QPoint topLeft;
    QColor on;
};

inline const DigitPlace period { "period", { 88, 96 }, QColor(255, 255, 0) };
inline const DigitPlace minuteTens { "minute tens", { 256, 96 }, QColor(255, 0, 0) };
inline const DigitPlace minuteUnits { "minute units", { 376, 96 }, QColor(255, 0, 0) };
inline const DigitPlace secondTens { "second tens", { 528, 96 }, QColor(255, 0, 0) };
inline const DigitPlace secondUnits { "second units", { 648, 96 }, QColor(255, 0, 0) };
inline const DigitPlace homeTens { "home tens", { 192, 336 }, QColor(0, 255, 0) };
inline const DigitPlace homeUnits { "home units", { 312, 336 }, QColor(0, 255, 0) };
inline const DigitPlace guestTens { "guest tens", { 464, 336 }, QColor(0, 255, 0) };
inline const DigitPlace guestUnits { "guest units", { 584, 336 }, QColor(0, 255, 0) };

using DigitValues = QList<std::pair<DigitPlace, int>>;

/// Waits until the main window shows the digits, bounded; the mismatches of the last screenshot
/// otherwise, which is then kept in the current folder as `keepAs` for a look.
QStringList waitForDigits(const QString &windowId, const DigitValues &expected,
                          const QString &keepAs);

} // namespace testing
