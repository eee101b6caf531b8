#pragma once

#include <QRegion>

#include <span>

// Window outlines built from rectangles, ellipses and rounded rectangles, the way the
// shaped windows describe them.
namespace WindowRegion {

enum class Kind { RoundRect, Ellipse, Rect };
enum class Combine { Copy, Union, Difference };

struct Primitive
{
    Kind kind;
    int x1, y1, x2, y2;
    int cornerWidth, cornerHeight;
    Combine combine;
};

// Combines the primitives in order into a region in window pixels. Coordinates are given for
// a screen of 15 twips per pixel; xScale/yScale stretch them, offsets shift them (corner sizes
// are scaled, not shifted). Rounding is to nearest, halves to even; right and bottom edges are
// exclusive and a corner is given by the full size of its ellipse.
QRegion build(std::span<const Primitive> outline, double xScale, double yScale, int xOffset,
              int yOffset, int twipsPerPixelX, int twipsPerPixelY);

} // namespace WindowRegion
