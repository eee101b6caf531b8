#include "editor/findshape.h"

#include "platform/base/windowregion.h"

namespace FindShape {

namespace {

using WindowRegion::Combine;
using WindowRegion::Kind;

// The button column on the right, the body with the boxes and the tab that holds the close
// picture.
constexpr WindowRegion::Primitive Outline[] = {
    {Kind::RoundRect, 228, 68, 326, 193, 30, 82, Combine::Copy},
    {Kind::RoundRect, 35, 18, 266, 237, 90, 218, Combine::Union},
    {Kind::RoundRect, 230, 15, 260, 41, 2, 16, Combine::Union},
};

} // namespace

QRegion makeShape(double xScale, double yScale, int xOffset, int yOffset, int twipsPerPixelX,
                  int twipsPerPixelY)
{
    return WindowRegion::build(Outline, xScale, yScale, xOffset, yOffset, twipsPerPixelX,
                               twipsPerPixelY);
}

} // namespace FindShape
