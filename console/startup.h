#pragma once

class QApplication;
class QPoint;
class QRect;
class QSize;

namespace console {

/// Called before the application object exists: the screen's scale is rounded down to a whole
/// factor (125 % to 175 % draw at 100 %, 200 % at 200 %), so that the window fits the free area
/// of the screens that Windows picks those scales for and the digits stay sharp; the style's
/// own sizes (radio circles, frames) follow the same whole factor.
void prepareScaling();

/// Where a window of `outer` size (frame included) goes on a screen whose free area is `area`:
/// centred, but never above or left of the area, so its title bar stays reachable.
QPoint placeInside(const QRect &area, const QSize &outer);

/// Where a window of `outer` size goes beside the main window's frame `main`, inside the free
/// area `area`: right of it, else left, below, above, else where it covers least of it.
QPoint placeBeside(const QRect &area, const QRect &main, const QSize &outer);

/// Prepares the application before the first window: its title "Bodovka", message boxes for
/// the operator, Qt's own Czech translation (standard buttons, context menus) and the window
/// fonts.
void prepareApplication(QApplication &app);

} // namespace console
