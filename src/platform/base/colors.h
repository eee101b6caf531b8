#pragma once

#include <QColor>
#include <QPalette>

// Colours are stored as &HBBGGRR values; &H800000nn values name system colours.
namespace Colors {

QColor fromBgr(quint32 value, const QPalette &palette = QPalette());
quint32 toBgr(const QColor &color);
bool isSystemColor(quint32 value);
QPalette::ColorRole systemColorRole(quint32 value);

} // namespace Colors

// Lengths on forms are twips: 15 to the logical pixel.
namespace Twips {

constexpr int PerPixel = 15;
constexpr int toPixels(int twips)
{
    return twips / PerPixel;
}
constexpr int fromPixels(int pixels)
{
    return pixels * PerPixel;
}

} // namespace Twips
