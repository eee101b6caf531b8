#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <utility>

class QMdiArea;
class QMdiSubWindow;

// Arranges the child windows of an MDI area and keeps every one of them inside the area while
// the area moves or changes its size (a panel beside it showing, hiding or resized): a window
// keeps its place on the screen where it still fits, and is brought back inside where it would
// not. A cascade or tiling stands while its windows stay where it put them. Arranged windows
// keep their least size and lie whole in the area, overlapping where it is too small for them.
class ChildArranger : public QObject
{
    Q_OBJECT

public:
    enum Arrangement { Cascade = 0, TileHorizontal = 1, TileVertical = 2, Icons = 3 };
    // How a standing arrangement meets a change of the area: arranged again in the new area at
    // every change, or only once one of its windows would no longer fit where it is on screen.
    enum Follow { ArrangeAgain, KeepPlaces };

    explicit ChildArranger(QMdiArea *area);

    void arrange(int arrangement, Follow follow = ArrangeAgain);
    // The standing cascade or tiling (0, 1 or 2); -1 when there is none.
    int standingArrangement() const;

    // The least frame a child window keeps (its own rule resizes a smaller one): arranged
    // windows are never laid out below it. Without one, the frame's minimum size.
    static void setLeastSize(QMdiSubWindow *child, const QSize &size);
    static QSize leastSize(const QMdiSubWindow *child);
    // Tiles for count windows of at least the least size in an area: side by side (tile
    // vertically) or stacked, in further rows or columns when one does not hold them all.
    static QList<QRect> tiles(const QSize &area, int count, const QSize &least, bool sideBySide);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place(int arrangement);
    void areaChanged(const QRect &previous);
    void arrangeAgain();
    void remember();

    QMdiArea *m_area;
    QRect m_areaGeometry;
    int m_arrangement = -1;
    Follow m_follow = ArrangeAgain;
    QList<std::pair<QPointer<QMdiSubWindow>, QRect>> m_arranged;
    bool m_againPending = false;
};
