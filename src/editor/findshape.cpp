#include "editor/findshape.h"

#include <QPainterPath>
#include <QPolygon>

#include <cmath>

namespace FindShape {

namespace {

struct RoundRect
{
    int x1, y1, x2, y2;
    int cornerWidth, cornerHeight;
};

// The button column on the right, the body with the boxes and the tab that holds the close
// picture.
constexpr RoundRect Outline[] = {
    {228, 68, 326, 193, 30, 82},
    {35, 18, 266, 237, 90, 218},
    {230, 15, 260, 41, 2, 16},
};

int roundEven(double value)
{
    return int(std::nearbyint(value)); // the default rounding mode sends halves to even
}

// Right and bottom edges are exclusive; a corner is given by the full size of its ellipse.
QRegion roundRectRegion(const QRect &box, int cornerWidth, int cornerHeight)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(box), cornerWidth / 2.0, cornerHeight / 2.0);
    return QRegion(path.toFillPolygon().toPolygon());
}

} // namespace

QRegion makeShape(double xScale, double yScale, int xOffset, int yOffset, int twipsPerPixelX,
                  int twipsPerPixelY)
{
    const double fx = xScale * 15.0 / twipsPerPixelX;
    const double fy = yScale * 15.0 / twipsPerPixelY;
    QRegion result;
    for (const RoundRect &r : Outline) {
        const int x1 = roundEven(r.x1 * fx + xOffset);
        const int y1 = roundEven(r.y1 * fy + yOffset);
        const int x2 = roundEven(r.x2 * fx + xOffset);
        const int y2 = roundEven(r.y2 * fy + yOffset);
        const QRect box(QPoint(x1, y1), QSize(x2 - x1, y2 - y1));
        result = result.united(
            roundRectRegion(box, roundEven(r.cornerWidth * fx), roundEven(r.cornerHeight * fy)));
    }
    return result;
}

} // namespace FindShape
