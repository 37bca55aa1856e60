#include "Gdi.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPalette>
#include <array>

namespace gdi {
namespace {

struct PaletteEntry {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// Windows system colour indices 0 to 24, each read from the nearest palette role.
constexpr std::array<PaletteEntry, 25> kSystemColors{{
    {QPalette::Active, QPalette::Button},            // 0 scroll bar
    {QPalette::Active, QPalette::Dark},              // 1 desktop
    {QPalette::Active, QPalette::Highlight},         // 2 active caption
    {QPalette::Inactive, QPalette::Highlight},       // 3 inactive caption
    {QPalette::Active, QPalette::Window},            // 4 menu
    {QPalette::Active, QPalette::Base},              // 5 window
    {QPalette::Active, QPalette::Shadow},            // 6 window frame
    {QPalette::Active, QPalette::WindowText},        // 7 menu text
    {QPalette::Active, QPalette::Text},              // 8 window text
    {QPalette::Active, QPalette::HighlightedText},   // 9 caption text
    {QPalette::Active, QPalette::Button},            // 10 active border
    {QPalette::Inactive, QPalette::Button},          // 11 inactive border
    {QPalette::Active, QPalette::Dark},              // 12 application workspace
    {QPalette::Active, QPalette::Highlight},         // 13 highlight
    {QPalette::Active, QPalette::HighlightedText},   // 14 highlight text
    {QPalette::Active, QPalette::Button},            // 15 button face
    {QPalette::Active, QPalette::Dark},              // 16 button shadow
    {QPalette::Disabled, QPalette::Text},            // 17 gray text
    {QPalette::Active, QPalette::ButtonText},        // 18 button text
    {QPalette::Inactive, QPalette::HighlightedText}, // 19 inactive caption text
    {QPalette::Active, QPalette::Light},             // 20 button highlight
    {QPalette::Active, QPalette::Shadow},            // 21 3D dark shadow
    {QPalette::Active, QPalette::Midlight},          // 22 3D light
    {QPalette::Active, QPalette::ToolTipText},       // 23 info text
    {QPalette::Active, QPalette::ToolTipBase},       // 24 info background
}};

// The desktop's palette needs a GUI application; without one, Qt's palette derived from a light grey.
QPalette desktopPalette() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        return QGuiApplication::palette();
    }
    return QPalette(QColor(0xEF, 0xEF, 0xEF));
}

} // namespace

std::int32_t GetSysColor(std::int32_t index) {
    if (index < 0 || index >= static_cast<std::int32_t>(kSystemColors.size())) {
        return 0;
    }
    const PaletteEntry entry = kSystemColors[static_cast<std::size_t>(index)];
    const QColor color = desktopPalette().color(entry.group, entry.role);
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

} // namespace gdi
