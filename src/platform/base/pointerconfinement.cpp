#include "platform/base/pointerconfinement.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cmath>

namespace {

Display *x11Display()
{
    const auto *x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

// Barriers came with version 5 of the extension.
bool hasBarriers(Display *display)
{
    int event = 0, error = 0, major = 5, minor = 0;
    return XFixesQueryExtension(display, &event, &error) &&
           XFixesQueryVersion(display, &major, &minor) && major >= 5;
}

} // namespace

PointerConfinement::PointerConfinement(const QRect &screenRect)
{
    Display *display = x11Display();
    if (!display || screenRect.isEmpty() || !hasBarriers(display))
        return;
    // The server counts in device pixels.
    const qreal ratio = qGuiApp->devicePixelRatio();
    const int left = int(std::lround(screenRect.left() * ratio));
    const int top = int(std::lround(screenRect.top() * ratio));
    const int right = int(std::lround((screenRect.right() + 1) * ratio)) - 1;
    const int bottom = int(std::lround((screenRect.bottom() + 1) * ratio)) - 1;
    const Window root = DefaultRootWindow(display);
    // Each edge lets the pointer through inwards only.
    m_barriers[0] = XFixesCreatePointerBarrier(display, root, left, top, left, bottom + 1,
                                               BarrierPositiveX, 0, nullptr);
    m_barriers[1] = XFixesCreatePointerBarrier(display, root, right + 1, top, right + 1, bottom + 1,
                                               BarrierNegativeX, 0, nullptr);
    m_barriers[2] = XFixesCreatePointerBarrier(display, root, left, top, right + 1, top,
                                               BarrierPositiveY, 0, nullptr);
    m_barriers[3] = XFixesCreatePointerBarrier(display, root, left, bottom + 1, right + 1,
                                               bottom + 1, BarrierNegativeY, 0, nullptr);
    XFlush(display);
}

PointerConfinement::~PointerConfinement()
{
    Display *display = x11Display();
    if (!display || !isHolding())
        return;
    for (const unsigned long barrier : m_barriers)
        if (barrier)
            XFixesDestroyPointerBarrier(display, barrier);
    XFlush(display);
}
