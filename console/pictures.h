#pragma once

#include <QIcon>
#include <QPixmap>

namespace console {

/// The re-test button's 30 x 30 picture: two computers joined by a cable.
QPixmap connectionPicture();

/// The same picture as an icon that paints it only when it is first drawn, not when the
/// window is built.
QIcon connectionIcon();

} // namespace console
