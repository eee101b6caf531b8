#include "bg.h"

#include "msubclass.h"
#include "platform/base/colors.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QPainter>

BG::~BG()
{
    Destroy();
}

void BG::Init(QWidget *form)
{
    Destroy();
    if (!form)
        return;
    QWidget *window = form;
    QMdiArea *area = qobject_cast<QMdiArea *>(form);
    if (auto *main = qobject_cast<QMainWindow *>(form))
        area = qobject_cast<QMdiArea *>(main->centralWidget());
    if (area) {
        // The area's own brush would paint over the tiles after them.
        m_mdiArea = area;
        m_savedAreaBrush = area->background();
        area->setBackground(Qt::NoBrush);
        window = area->viewport();
    }
    m_backColor = Colors::toBgr(form->palette().color(QPalette::Window));
    m_window = window;
    MSubClass::AttachMessage(this, window, QEvent::Paint);
    window->update();
}

void BG::Destroy()
{
    if (m_window) {
        MSubClass::DetachMessage(this, m_window, QEvent::Paint);
        m_window->update();
    }
    m_window = nullptr;
    if (m_mdiArea)
        m_mdiArea->setBackground(m_savedAreaBrush);
    m_mdiArea = nullptr;
}

void BG::Refresh()
{
    if (m_window)
        m_window->update();
}

bool BG::WindowProc(QWidget *widget, QEvent *event)
{
    if (event->type() != QEvent::Paint || widget->window()->isMinimized())
        return false;
    m_msgResponse = 1;
    QPainter painter(widget);
    const QRect client = widget->rect();
    if (!m_tile.Filename().isEmpty() && m_tile.hasBitmap())
        m_tile.TileArea(painter, client.x(), client.y(), client.width(), client.height());
    else
        painter.fillRect(client, Colors::fromBgr(m_backColor, widget->palette()));
    return false;
}
