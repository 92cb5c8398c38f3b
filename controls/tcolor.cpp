#include "controls/tcolor.h"

#include <iterator>

namespace {

// Index = system colour number, as the colour values of the form definitions use them.
constexpr QPalette::ColorRole systemRoles[] = {
    QPalette::Mid,             // 0 scroll bar
    QPalette::Window,          // 1 desktop
    QPalette::Highlight,       // 2 active caption
    QPalette::Mid,             // 3 inactive caption
    QPalette::Button,          // 4 menu
    QPalette::Base,            // 5 window
    QPalette::Shadow,          // 6 window frame
    QPalette::ButtonText,      // 7 menu text
    QPalette::Text,            // 8 window text
    QPalette::HighlightedText, // 9 caption text
    QPalette::Button,          // 10 active border
    QPalette::Button,          // 11 inactive border
    QPalette::Mid,             // 12 application workspace
    QPalette::Highlight,       // 13 highlight
    QPalette::HighlightedText, // 14 highlight text
    QPalette::Button,          // 15 button face
    QPalette::Dark,            // 16 button shadow
    QPalette::PlaceholderText, // 17 grey text
    QPalette::ButtonText,      // 18 button text
    QPalette::WindowText,      // 19 inactive caption text
    QPalette::Light,           // 20 button highlight
    QPalette::Shadow,          // 21 3-D dark shadow
    QPalette::Midlight,        // 22 3-D light
    QPalette::ToolTipText,     // 23 info text
    QPalette::ToolTipBase,     // 24 info background
    QPalette::Button,          // 25 unused
    QPalette::Link,            // 26 hot light
    QPalette::Highlight,       // 27 gradient of the active caption
    QPalette::Mid,             // 28 gradient of the inactive caption
    QPalette::Highlight,       // 29 menu highlight
    QPalette::Window,          // 30 menu bar
};

} // namespace

namespace controls {

QPalette::ColorRole systemColorRole(int index)
{
    if (index >= 0 && index < int(std::size(systemRoles))) {
        return systemRoles[index];
    }
    return QPalette::Button;
}

QColor resolveColor(TColor color, const QPalette &palette)
{
    if (isSystemColor(color)) {
        return palette.color(systemColorRole(systemColorIndex(color)));
    }
    const auto rgb = static_cast<quint32>(color);
    return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

} // namespace controls
