#include "childarranger.h"

#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QStyleOptionTitleBar>

#include <algorithm>

namespace {

// Windows the area lays out by their own geometry: not maximised, not an icon.
bool placedFreely(const QMdiSubWindow *child)
{
    return !child->isMaximized() && !child->isMinimized();
}

constexpr const char *LeastSizeProperty = "marluxLeastSize";

} // namespace

ChildArranger::ChildArranger(QMdiArea *area) : QObject(area), m_area(area)
{
    m_areaGeometry = area->geometry();
    area->installEventFilter(this);
}

void ChildArranger::setLeastSize(QMdiSubWindow *child, const QSize &size)
{
    child->setProperty(LeastSizeProperty, size);
}

QSize ChildArranger::leastSize(const QMdiSubWindow *child)
{
    return child->minimumSize().expandedTo(child->property(LeastSizeProperty).toSize());
}

void ChildArranger::arrange(int arrangement, Follow follow)
{
    place(arrangement);
    if (arrangement > TileVertical) {
        m_arrangement = -1;
        m_arranged.clear();
        return;
    }
    m_arrangement = arrangement;
    m_follow = follow;
    remember();
}

void ChildArranger::remember()
{
    m_arranged.clear();
    for (QMdiSubWindow *child : m_area->subWindowList())
        if (!child->isHidden() && !child->isMinimized())
            m_arranged.append({child, child->geometry()});
}

int ChildArranger::standingArrangement() const
{
    // Only while no window on view has been moved, sized or added since.
    int placed = 0;
    for (QMdiSubWindow *child : m_area->subWindowList()) {
        if (child->isHidden() || child->isMinimized())
            continue;
        const auto found =
            std::find_if(m_arranged.cbegin(), m_arranged.cend(),
                         [child](const auto &entry) { return entry.first == child; });
        if (found == m_arranged.cend() || found->second != child->geometry())
            return -1;
        ++placed;
    }
    return placed > 0 ? m_arrangement : -1;
}

bool ChildArranger::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_area && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        // A move and a resize of one change come one after the other; the first sees both.
        const QRect previous = m_areaGeometry;
        if (m_area->geometry() != previous && !m_area->contentsRect().isEmpty()) {
            m_areaGeometry = m_area->geometry();
            areaChanged(previous);
        }
    }
    return QObject::eventFilter(watched, event);
}

void ChildArranger::areaChanged(const QRect &previous)
{
    const int standing = standingArrangement();
    if (standing >= 0 && m_follow == ArrangeAgain) {
        arrangeAgain();
        return;
    }
    // Where each window was on the screen, in the area as it now is.
    const QPoint shift = previous.topLeft() - m_area->geometry().topLeft();
    const QRect inside(QPoint(), m_area->contentsRect().size());
    QList<QMdiSubWindow *> shown, hidden;
    for (QMdiSubWindow *child : m_area->subWindowList())
        if (placedFreely(child))
            (child->isHidden() ? hidden : shown).append(child);
    if (standing >= 0) {
        // Arranged windows that still fit in their places stay there; otherwise they are
        // arranged again in the area left.
        const bool fit = std::all_of(shown.cbegin(), shown.cend(), [&](QMdiSubWindow *child) {
            return inside.contains(child->geometry().translated(shift));
        });
        if (!fit) {
            arrangeAgain();
            return;
        }
    }
    QRect box;
    for (QMdiSubWindow *child : std::as_const(shown))
        box |= child->geometry().translated(shift);
    // The windows on view move together as far as keeps them inside, so they neither slip
    // off the edge nor onto each other.
    QPoint together = shift;
    if (!box.isEmpty()) {
        const auto fitOn = [](int low, int high, int limit) {
            const int back = high > limit ? limit - high : 0;
            return low + back < 0 ? -low : back;
        };
        together += QPoint(fitOn(box.left(), box.right(), inside.right()),
                           fitOn(box.top(), box.bottom(), inside.bottom()));
    }
    const auto keepInside = [&inside](QMdiSubWindow *child, const QPoint &by) {
        QRect place = child->geometry().translated(by);
        // Never below the window's least size, which it would take back on both sides.
        place.setSize(place.size().boundedTo(inside.size()).expandedTo(leastSize(child)));
        place.moveLeft(std::max(0, std::min(place.left(), inside.width() - place.width())));
        place.moveTop(std::max(0, std::min(place.top(), inside.height() - place.height())));
        if (place != child->geometry())
            child->setGeometry(place);
    };
    for (QMdiSubWindow *child : std::as_const(shown))
        keepInside(child, together);
    for (QMdiSubWindow *child : std::as_const(hidden))
        keepInside(child, shift);
    for (QMdiSubWindow *child : m_area->subWindowList())
        if (child->isMinimized())
            keepInside(child, QPoint());
    if (standing >= 0)
        remember();
}

void ChildArranger::arrangeAgain()
{
    // Once the area has settled in its new size.
    if (std::exchange(m_againPending, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_againPending = false;
            if (const int arrangement = standingArrangement(); arrangement >= 0) {
                place(arrangement);
                remember();
            }
        },
        Qt::QueuedConnection);
}

QList<QRect> ChildArranger::tiles(const QSize &area, int count, const QSize &least, bool sideBySide)
{
    // Worked out side by side; stacked is the same turned on its side.
    const auto turned = [sideBySide](QSize size) { return sideBySide ? size : size.transposed(); };
    const QSize room = turned(area), fewest = turned(least);
    QList<QRect> places;
    if (count <= 0)
        return places;
    // As many side by side as keep their least width; the rest in further rows, as even as
    // they come.
    const int perRow =
        std::clamp(fewest.width() > 0 ? room.width() / fewest.width() : count, 1, count);
    const int rows = (count + perRow - 1) / perRow;
    const bool overlap = rows > 1 && room.height() / rows < fewest.height();
    // Rows that cannot all keep their least height overlap, evenly spread, each lying below
    // the title bars of the row before; overlapping columns would hide them, so stacked
    // windows that cannot keep their least width are laid out in such rows too.
    if (overlap && !sideBySide)
        return tiles(area, count, least, true);
    const int height = overlap ? fewest.height() : room.height() / rows;
    for (int row = 0; row < rows; ++row) {
        const int inRow = count / rows + (row < count % rows ? 1 : 0);
        const int top = overlap ? row * (room.height() - height) / (rows - 1) : row * height;
        // The last row takes what the division left over.
        const int rowHeight = !overlap && row == rows - 1 ? room.height() - top : height;
        for (int i = 0; i < inRow; ++i) {
            const int left = i * room.width() / inRow;
            const QRect place(left, top, (i + 1) * room.width() / inRow - left, rowHeight);
            places.append(sideBySide ? place
                                     : QRect(place.y(), place.x(), place.height(), place.width()));
        }
    }
    return places;
}

void ChildArranger::place(int arrangement)
{
    QList<QMdiSubWindow *> normal;
    QList<QMdiSubWindow *> minimized;
    const QList<QMdiSubWindow *> children = m_area->subWindowList(
        arrangement == Cascade ? QMdiArea::ActivationHistoryOrder : QMdiArea::CreationOrder);
    for (QMdiSubWindow *child : children) {
        if (child->isHidden())
            continue;
        (child->isMinimized() ? minimized : normal).append(child);
    }
    // The whole work area: arranged windows need no scroll bars.
    const QRect area(QPoint(), m_area->contentsRect().size());
    const int n = int(normal.size());
    QSize least;
    for (QMdiSubWindow *child : std::as_const(normal))
        least = least.expandedTo(leastSize(child));
    if (arrangement == Cascade && n > 0) {
        // One size for all, each a title bar lower and further right than the one before and
        // on top of it, the active window last: every title bar stays in reach.
        if (QMdiSubWindow *active = m_area->activeSubWindow(); normal.removeOne(active))
            normal.append(active);
        QStyleOptionTitleBar options;
        options.initFrom(normal.first());
        const QStyle *style = normal.first()->style();
        const int step =
            style->pixelMetric(QStyle::PM_TitleBarHeight, &options, normal.first()) +
            style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, normal.first());
        const QSize size = QSize(std::max(area.width() - (n - 1) * step, area.width() / 2),
                                 std::max(area.height() - (n - 1) * step, area.height() / 2))
                               .expandedTo(least)
                               .boundedTo(area.size());
        // Closer steps where the last one would run past the edge.
        const auto stepIn = [n, step](int room) {
            return n > 1 ? std::clamp(room / (n - 1), 0, step) : 0;
        };
        const QPoint steps(stepIn(area.width() - size.width()),
                           stepIn(area.height() - size.height()));
        for (int i = 0; i < n; ++i) {
            QMdiSubWindow *child = normal.at(i);
            if (child->isMaximized())
                child->showNormal();
            child->setGeometry(QRect(steps * i, size));
            child->raise();
        }
    }
    if (arrangement == TileHorizontal || arrangement == TileVertical) {
        // The icons keep a row at the bottom; the others share the rest.
        const int iconRow = minimized.isEmpty() ? 0 : minimized.first()->height();
        const QList<QRect> places = tiles(QSize(area.width(), area.height() - iconRow), n, least,
                                          arrangement == TileVertical);
        bool overlap = false;
        for (int i = 0; i < n && !overlap; ++i)
            for (int j = i + 1; j < n && !overlap; ++j)
                overlap = places.at(i).intersects(places.at(j));
        // Overlapping rows show every title bar while each lies on the one before it; the
        // active window goes last, so it is on top without covering another's title bar.
        if (QMdiSubWindow *active = m_area->activeSubWindow(); overlap && normal.removeOne(active))
            normal.append(active);
        for (int i = 0; i < n; ++i) {
            QMdiSubWindow *child = normal.at(i);
            if (child->isMaximized())
                child->showNormal();
            child->setGeometry(places.at(i));
            if (overlap)
                child->raise();
        }
    }
    int x = 0;
    for (QMdiSubWindow *child : minimized) {
        child->move(x, area.height() - child->height());
        x += child->width();
    }
}
