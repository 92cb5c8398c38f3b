#pragma once

class QApplication;

namespace console {

/// Prepares the application before the first window: its title "Bodovka", message boxes for
/// the operator, Qt's own Czech translation (standard buttons, context menus) and the window
/// fonts.
void prepareApplication(QApplication &app);

} // namespace console
