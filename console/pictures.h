#pragma once

#include <QPixmap>

namespace console {

/// The re-test button's 30 x 30 picture: two computers joined by a cable.
QPixmap connectionPicture();

} // namespace console
