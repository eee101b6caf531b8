#include "splitter.h"

#include "platform/base/pointerconfinement.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWindow>
#include <QWidget>

Splitter::Splitter(QObject *parent) : QObject(parent)
{
    // A drag whose release goes elsewhere (another window took the focus meanwhile) must not
    // leave the pointer held.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::focusWindowChanged, this, [this] { m_confinement.reset(); });
}

Splitter::~Splitter()
{
    delete m_rubberBand;
}

void Splitter::applyBarLook()
{
    if (m_bar)
        m_bar->setCursor(m_orientation == Horizontal ? Qt::SizeVerCursor : Qt::SizeHorCursor);
}

void Splitter::setSplitObject(QWidget *bar)
{
    if (m_bar)
        m_bar->removeEventFilter(this);
    m_bar = bar;
    if (!bar)
        return;
    bar->installEventFilter(this);
    applyBarLook();
}

void Splitter::setOrientation(int orientation)
{
    m_orientation = orientation == Horizontal ? Horizontal : Vertical;
    if (!m_bar)
        return;
    applyBarLook();
    const int vertical[4] = {64, 0, 64, 0};
    const int horizontal[4] = {0, 64, 0, 64};
    std::copy_n(m_orientation == Horizontal ? horizontal : vertical, 4, m_borders);
}

int Splitter::Border(int index) const
{
    return index >= 1 && index <= 4 ? m_borders[index - 1] : 0;
}

void Splitter::setBorder(int index, int pixels)
{
    if (index >= 1 && index <= 4)
        m_borders[index - 1] = pixels;
}

Splitter::Edges Splitter::limitEdges() const
{
    return {m_limits.left(), m_limits.top(), m_limits.left() + m_limits.width(),
            m_limits.top() + m_limits.height()};
}

Splitter::Edges Splitter::bandEdges(const Edges &limits, const int borders[4], int orientation,
                                    const QPoint &cursor)
{
    Edges band;
    if (orientation != Horizontal) {
        band.top = limits.top + borders[1];
        band.bottom = limits.bottom - borders[3];
        const int lo = limits.left + borders[0];
        const int hi = limits.right - borders[2];
        if (cursor.x() < lo)
            band.left = lo - 2, band.right = lo + 3;
        else if (cursor.x() > hi)
            band.left = hi - 2, band.right = hi + 3;
        else
            band.left = cursor.x() - 2, band.right = cursor.x() + 2;
    } else {
        band.left = limits.left + borders[0];
        band.right = limits.right - borders[2];
        const int lo = limits.top + borders[1];
        const int hi = limits.bottom - borders[3];
        if (cursor.y() >= hi)
            band.top = hi - 2, band.bottom = hi + 3;
        else if (cursor.y() < lo)
            band.top = lo - 2, band.bottom = lo + 3;
        else
            band.top = cursor.y() - 2, band.bottom = cursor.y() + 2;
    }
    return band;
}

QPoint Splitter::clampDrop(const Edges &limits, const int borders[4], const QPoint &cursor)
{
    const int x = std::clamp(cursor.x(), limits.left + borders[0],
                             std::max(limits.left + borders[0], limits.right - borders[2]));
    const int y = std::clamp(cursor.y(), limits.top + borders[1],
                             std::max(limits.top + borders[1], limits.bottom - borders[3]));
    return {x, y};
}

void Splitter::SplitterMouseDown(QWidget *container, const QPoint &pos)
{
    if (!container || !m_bar)
        return;
    m_container = container;
    // The client area, below the menu bar of a main window.
    QRect client = container->rect();
    if (auto *main = qobject_cast<QMainWindow *>(container))
        if (QWidget *menu = main->menuWidget(); menu && menu->isVisible())
            client.setTop(menu->geometry().bottom() + 1);
    m_limits = QRect(container->mapToGlobal(client.topLeft()), client.size());
    // The pointer stays on the container's window, its frame included, until the drop.
    m_confinement = std::make_unique<PointerConfinement>(
        container->isWindow() ? container->frameGeometry()
                              : QRect(container->mapToGlobal(QPoint()), container->size()));
    m_dragging = true;
    m_band = {};
    if (!m_rubberBand)
        m_rubberBand = new QRubberBand(QRubberBand::Line);
    SplitterFormMouseMove(m_bar->mapToGlobal(pos));
}

void Splitter::SplitterFormMouseMove(const QPoint &cursor)
{
    if (!m_dragging)
        return;
    m_band = bandEdges(limitEdges(), m_borders, m_orientation, cursor);
    m_rubberBand->setGeometry(
        QRect(QPoint(m_band.left, m_band.top), QPoint(m_band.right - 1, m_band.bottom - 1)));
    m_rubberBand->show();
}

bool Splitter::SplitterFormMouseUp(const QPoint &cursor)
{
    if (!m_dragging)
        return false;
    m_dragging = false;
    m_confinement.reset();
    if (m_rubberBand)
        m_rubberBand->hide();
    m_band = {};
    const QPoint drop = clampDrop(limitEdges(), m_borders, cursor);
    if (!m_bar)
        return true;
    QWidget *parent = m_bar->parentWidget();
    const QPoint local = parent ? parent->mapFromGlobal(drop) : drop;
    int position;
    if (m_orientation == Horizontal) {
        position = local.y() - 2;
        m_bar->move(m_bar->x(), position);
    } else {
        position = local.x() - 2;
        m_bar->move(position, m_bar->y());
    }
    emit splitterMoved(position);
    return true;
}

bool Splitter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_bar)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        SplitterMouseDown(m_bar->window(), mouse->position().toPoint());
        return true;
    }
    case QEvent::MouseMove:
        if (!m_dragging)
            return false;
        SplitterFormMouseMove(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        return true;
    case QEvent::MouseButtonRelease:
        return SplitterFormMouseUp(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
    default:
        return false;
    }
}
