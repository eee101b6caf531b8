#include "platform/prompt/fixeddialog.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace FixedDialog {

namespace {

const char *const FixedProperty = "fixedDialog";

// Room for the title bar's buttons (close, and the window menu's icon) beside the caption.
constexpr int CaptionButtons = 160;

void restore(QWidget *window)
{
    if (!window->isMinimized())
        return;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
}

class RestoreGuard : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::WindowStateChange || !watched->isWidgetType())
            return false;
        auto *window = static_cast<QWidget *>(watched);
        if (!window->isWindow() || !window->isMinimized() ||
            !(window->isModal() || window->property(FixedProperty).toBool()))
            return false;
        // Once the window manager is done hiding it: first the windows it belongs to, so that
        // it comes back on top of them.
        QTimer::singleShot(0, window, [guarded = QPointer<QWidget>(window)] {
            if (!guarded || !guarded->isVisible())
                return;
            QList<QWidget *> chain;
            for (QWidget *owner = guarded->parentWidget(); owner; owner = owner->parentWidget())
                if (owner->isWindow())
                    chain.prepend(owner);
            // A window nothing waits on may go with the program it belongs to.
            if (!guarded->isModal() &&
                std::any_of(chain.cbegin(), chain.cend(),
                            [](QWidget *owner) { return owner->isMinimized(); }))
                return;
            for (QWidget *owner : std::as_const(chain))
                restore(owner);
            restore(guarded);
            guarded->raise();
            guarded->activateWindow();
        });
        return false;
    }
};

} // namespace

void installRestoreGuard()
{
    static QPointer<RestoreGuard> guard;
    if (guard || !qApp)
        return;
    guard = new RestoreGuard(qApp);
    qApp->installEventFilter(guard);
}

void apply(QWidget *window, bool closeButton)
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::MSWindowsFixedSizeDialogHint |
                            (window->windowFlags() & Qt::WindowStaysOnTopHint);
    if (closeButton)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    window->setWindowFlags(flags);
    window->setProperty(FixedProperty, true);
    installRestoreGuard();
}

void fitToCaption(QWidget *window, QWidget *widened)
{
    QFont captionFont = window->font();
    captionFont.setBold(true);
    const int wanted =
        QFontMetrics(captionFont).horizontalAdvance(window->windowTitle()) + CaptionButtons;
    // A field narrower than the window's widest row first fills the gap beside it: a second
    // round widens it by what is still missing.
    for (int round = 0; round < 3; ++round) {
        const int missing = wanted - window->sizeHint().width();
        if (missing <= 0)
            break;
        widened->setMinimumWidth(std::max(widened->minimumWidth(), widened->sizeHint().width()) +
                                 missing);
    }
}

} // namespace FixedDialog
