#include "editor/mdiminimumsize.h"

#include "editor/recordlayout.h"
#include "platform/base/colors.h"

#include <QEvent>
#include <QMdiSubWindow>

MdiMinimumSize::MdiMinimumSize(QWidget *window) : QObject(window), m_window(window)
{
    window->installEventFilter(this);
    apply();
}

bool MdiMinimumSize::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window &&
        (event->type() == QEvent::ParentChange || event->type() == QEvent::Show))
        apply();
    else if (watched == m_subWindow && event->type() == QEvent::Resize)
        apply();
    return false;
}

void MdiMinimumSize::apply()
{
    auto *subWindow = m_window ? qobject_cast<QMdiSubWindow *>(m_window->parentWidget()) : nullptr;
    if (subWindow != m_subWindow) {
        if (m_subWindow)
            m_subWindow->removeEventFilter(this);
        m_subWindow = subWindow;
        if (subWindow)
            subWindow->installEventFilter(this);
    }
    if (!subWindow || subWindow->isMaximized() || subWindow->isMinimized())
        return;
    const QSize size(Twips::fromPixels(subWindow->width()), Twips::fromPixels(subWindow->height()));
    const QSize wanted = RecordLayoutRules::minimumWindowSize(size);
    if (wanted == size)
        return;
    const int perPixel = Twips::PerPixel;
    subWindow->resize((wanted.width() + perPixel - 1) / perPixel,
                      (wanted.height() + perPixel - 1) / perPixel);
}
