#include "platform/base/colors.h"

namespace Colors {

bool isSystemColor(quint32 value)
{
    return (value & 0xFF000000u) == 0x80000000u;
}

QPalette::ColorRole systemColorRole(quint32 value)
{
    switch (value & 0xFFu) {
    case 0x01: // desktop
    case 0x0F: // button face
        return QPalette::Button;
    case 0x02: // active caption
    case 0x0D: // highlight
        return QPalette::Highlight;
    case 0x05: // window background
        return QPalette::Base;
    case 0x06: // window frame
        return QPalette::Shadow;
    case 0x08: // window text
        return QPalette::Text;
    case 0x0E: // highlighted text
        return QPalette::HighlightedText;
    case 0x10: // button shadow
        return QPalette::Mid;
    case 0x11: // grey text
        return QPalette::PlaceholderText;
    case 0x12: // button text
        return QPalette::ButtonText;
    case 0x14: // button highlight
        return QPalette::Light;
    case 0x15: // 3D dark shadow
        return QPalette::Dark;
    case 0x17: // tooltip text
        return QPalette::ToolTipText;
    case 0x18: // tooltip background
        return QPalette::ToolTipBase;
    default:
        return QPalette::Window;
    }
}

QColor fromBgr(quint32 value, const QPalette &palette)
{
    if (isSystemColor(value))
        return palette.color(systemColorRole(value));
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

quint32 toBgr(const QColor &color)
{
    return quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16);
}

} // namespace Colors
