#pragma once

namespace platform {

/// Makes message boxes (QMessageBox) the default boxes, for a program with windows.
void installMessageBoxes();

} // namespace platform
