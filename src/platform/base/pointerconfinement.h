#pragma once

#include <QRect>

// Keeps the pointer inside a rectangle of the screen while it lives, as a drag that must not
// leave its window needs. Under X the server holds the pointer there with barriers on the
// rectangle's four edges, which stop a mouse's moves (an absolute pointing device, a tablet,
// jumps them); on a platform without them nothing is held.
class PointerConfinement
{
public:
    explicit PointerConfinement(const QRect &screenRect);
    ~PointerConfinement();
    PointerConfinement(const PointerConfinement &) = delete;
    PointerConfinement &operator=(const PointerConfinement &) = delete;

    bool isHolding() const { return m_barriers[0] != 0; }

private:
    unsigned long m_barriers[4] = {};
};
