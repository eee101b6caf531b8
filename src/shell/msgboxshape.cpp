#include "shell/msgboxshape.h"

#include <QPainterPath>
#include <QPolygon>

#include <cmath>

namespace MsgBoxShape {

namespace {

enum class Kind { RoundRect, Ellipse, Rect };
enum class Combine { Copy, Union, Difference };

struct Primitive
{
    Kind kind;
    int x1, y1, x2, y2;
    int cornerWidth, cornerHeight;
    Combine combine;
};

// Rows 7 and 8 cut into what rows 1 to 6 built; rows 9 to 12 add back afterwards,
// so the order matters.
constexpr Primitive Outline[] = {
    {Kind::RoundRect, 31, 29, 285, 169, 180, 80, Combine::Copy},
    {Kind::RoundRect, 9, 8, 69, 68, 20, 20, Combine::Union},
    {Kind::RoundRect, 169, 40, 471, 200, 112, 122, Combine::Union},
    {Kind::Ellipse, 456, 38, 514, 193, 0, 0, Combine::Union},
    {Kind::Ellipse, 61, 8, 421, 69, 0, 0, Combine::Union},
    {Kind::Rect, 160, 30, 190, 50, 0, 0, Combine::Union},
    {Kind::RoundRect, 490, 21, 540, 209, 50, 172, Combine::Difference},
    {Kind::RoundRect, 450, 53, 475, 183, 24, 130, Combine::Difference},
    {Kind::RoundRect, 445, 81, 480, 93, 34, 12, Combine::Union},
    {Kind::RoundRect, 447, 147, 477, 157, 30, 10, Combine::Union},
    {Kind::RoundRect, 463, 52, 479, 182, 4, 22, Combine::Union},
    {Kind::RoundRect, 411, 15, 443, 47, 20, 24, Combine::Union},
};

int roundEven(double value)
{
    return int(std::nearbyint(value)); // the default rounding mode sends halves to even
}

// Like the window system's regions, the right and bottom edges are exclusive and a
// rounded corner is given by the full width and height of its ellipse.
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

QRegion makeShape(double xScale, double yScale, int xOffset, int yOffset, int twipsPerPixelX,
                  int twipsPerPixelY)
{
    const double fx = xScale * 15.0 / twipsPerPixelX;
    const double fy = yScale * 15.0 / twipsPerPixelY;
    QRegion result;
    for (const Primitive &p : Outline) {
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

} // namespace MsgBoxShape
