#pragma once

#include <QRegion>

namespace FindShape {

// The outline of the find window, in window pixels: three rounded rectangles joined. Coordinates
// are given for a screen of 15 twips per pixel; xScale/yScale stretch them, offsets shift them
// (sizes of the rounded corners are scaled but not shifted). Rounding is to nearest, halves to
// even.
QRegion makeShape(double xScale, double yScale, int xOffset, int yOffset, int twipsPerPixelX = 15,
                  int twipsPerPixelY = 15);

// The size of the window that holds the outline at scale 1.
constexpr int Width = 326;
constexpr int Height = 237;

} // namespace FindShape
