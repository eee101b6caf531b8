#include "platform/base/windowregion.h"

#include <QPainterPath>
#include <QPolygon>

#include <cmath>

namespace WindowRegion {

namespace {

int roundEven(double value)
{
    return int(std::nearbyint(value)); // the default rounding mode sends halves to even
}

QRegion primitiveRegion(Kind kind, const QRect &box, int cornerWidth, int cornerHeight)
{
    switch (kind) {
    case Kind::Rect:
        return QRegion(box);
    case Kind::Ellipse:
        return QRegion(box, QRegion::Ellipse);
    case Kind::RoundRect: {
        QPainterPath path;
        path.addRoundedRect(QRectF(box), cornerWidth / 2.0, cornerHeight / 2.0);
        return QRegion(path.toFillPolygon().toPolygon());
    }
    }
    return {};
}

} // namespace

QRegion build(std::span<const Primitive> outline, double xScale, double yScale, int xOffset,
              int yOffset, int twipsPerPixelX, int twipsPerPixelY)
{
    const double fx = xScale * 15.0 / twipsPerPixelX;
    const double fy = yScale * 15.0 / twipsPerPixelY;
    QRegion result;
    for (const Primitive &p : outline) {
        const int x1 = roundEven(p.x1 * fx + xOffset);
        const int y1 = roundEven(p.y1 * fy + yOffset);
        const int x2 = roundEven(p.x2 * fx + xOffset);
        const int y2 = roundEven(p.y2 * fy + yOffset);
        const QRect box(QPoint(x1, y1), QSize(x2 - x1, y2 - y1));
        const QRegion shape = primitiveRegion(p.kind, box, roundEven(p.cornerWidth * fx),
                                              roundEven(p.cornerHeight * fy));
        switch (p.combine) {
        case Combine::Copy:
            result = shape;
            break;
        case Combine::Union:
            result = result.united(shape);
            break;
        case Combine::Difference:
            result = result.subtracted(shape);
            break;
        }
    }
    return result;
}

} // namespace WindowRegion
