#include "shell/msgboxshape.h"

#include "platform/base/windowregion.h"

namespace MsgBoxShape {

namespace {

using WindowRegion::Combine;
using WindowRegion::Kind;

// Rows 7 and 8 cut into what rows 1 to 6 built; rows 9 to 12 add back afterwards,
// so the order matters.
constexpr WindowRegion::Primitive Outline[] = {
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

} // namespace

QRegion makeShape(double xScale, double yScale, int xOffset, int yOffset, int twipsPerPixelX,
                  int twipsPerPixelY)
{
    return WindowRegion::build(Outline, xScale, yScale, xOffset, yOffset, twipsPerPixelX,
                               twipsPerPixelY);
}

} // namespace MsgBoxShape
