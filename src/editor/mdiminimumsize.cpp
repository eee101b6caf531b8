#include "editor/mdiminimumsize.h"

#include "editor/recordlayout.h"
#include "platform/base/colors.h"
#include "winsvc/childarranger.h"

#include <QEvent>
#include <QMdiSubWindow>

namespace {

int toPixelsUp(int twips)
{
    return (twips + Twips::PerPixel - 1) / Twips::PerPixel;
}

} // namespace

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
        if (subWindow) {
            subWindow->installEventFilter(this);
            // Tiling and cascading lay the frame out no smaller than this rule would make it.
            const QSize least = RecordLayoutRules::minimumWindowSize(QSize());
            ChildArranger::setLeastSize(
                subWindow, QSize(toPixelsUp(least.width()), toPixelsUp(least.height())));
        }
    }
    if (!subWindow || subWindow->isMaximized() || subWindow->isMinimized())
        return;
    const QSize size(Twips::fromPixels(subWindow->width()), Twips::fromPixels(subWindow->height()));
    const QSize wanted = RecordLayoutRules::minimumWindowSize(size);
    if (wanted == size)
        return;
    subWindow->resize(toPixelsUp(wanted.width()), toPixelsUp(wanted.height()));
}
