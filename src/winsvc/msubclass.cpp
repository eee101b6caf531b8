#include "msubclass.h"

#include "platform/base/apperror.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>

ISubClass::~ISubClass()
{
    // Handlers that forget to detach must not be called after they are gone.
    MSubClass::DetachAll(this);
}

namespace {

class Dispatcher;

QHash<const QWidget *, Dispatcher *> &dispatchers()
{
    static QHash<const QWidget *, Dispatcher *> table;
    return table;
}

QEvent::Type g_currentMessage = QEvent::None;

// Watches one widget and runs its handlers by event type.
class Dispatcher : public QObject
{
public:
    explicit Dispatcher(QWidget *widget) : m_widget(widget)
    {
        widget->installEventFilter(this);
        // The registrations go with the widget.
        m_destroyedConnection = QObject::connect(widget, &QObject::destroyed, [widget] {
            if (Dispatcher *dispatcher = dispatchers().take(widget))
                dispatcher->deleteLater();
        });
    }

    ~Dispatcher() override { QObject::disconnect(m_destroyedConnection); }

    void release()
    {
        QObject::disconnect(m_destroyedConnection);
        if (m_widget)
            m_widget->removeEventFilter(this);
        deleteLater();
    }

    QHash<int, QList<ISubClass *>> handlers;

    bool isEmpty() const
    {
        for (const auto &list : handlers)
            if (!list.isEmpty())
                return false;
        return true;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_widget)
            return false;
        const QList<ISubClass *> list = handlers.value(event->type());
        if (list.isEmpty())
            return false;
        QPointer<QWidget> widget = m_widget;
        const QEvent::Type saved = g_currentMessage;
        bool called = false;
        bool result = false;
        bool passOn = false;
        for (qsizetype i = 0; i < list.size() && widget; ++i) {
            ISubClass *handler = list.at(i);
            // A handler detached by an earlier one in this round is not called.
            if (!handlers.value(event->type()).contains(handler))
                continue;
            g_currentMessage = event->type();
            if (i == 0 && handler->MsgResponse() == 2 && !called) {
                static_cast<QObject *>(widget.data())->event(event);
                called = true;
            }
            result = handler->WindowProc(widget, event);
            if (i == list.size() - 1 && handler->MsgResponse() == 1 && !called)
                passOn = true;
        }
        g_currentMessage = saved;
        if (passOn)
            return false;
        event->setAccepted(result);
        return true;
    }

private:
    QPointer<QWidget> m_widget;
    QMetaObject::Connection m_destroyedConnection;
};

} // namespace

namespace MSubClass {

QString ErrorSource()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
           QStringLiteral(".WindowProc");
}

void SubclassErrRaise(int number)
{
    if (number < 1001)
        throw AppException(number, QString());
    QString description;
    switch (number) {
    case ErrCantSubclass:
        description = QStringLiteral("Can't subclass window");
        break;
    case ErrAlreadyHandled:
        description = QStringLiteral("Message already handled by another class");
        break;
    case ErrInvalidWindow:
        description = QStringLiteral("Invalid window");
        break;
    case ErrExternalWindow:
        description = QStringLiteral("Can't modify external window");
        break;
    default:
        break;
    }
    throw AppException(AppErrorBase | number, description, ErrorSource());
}

void AttachMessage(ISubClass *handler, QWidget *widget, QEvent::Type type)
{
    if (!widget)
        SubclassErrRaise(ErrInvalidWindow);
    Dispatcher *dispatcher = dispatchers().value(widget);
    // A duplicate is refused before anything changes.
    if (dispatcher && dispatcher->handlers.value(type).contains(handler))
        SubclassErrRaise(ErrAlreadyHandled);
    if (!dispatcher) {
        dispatcher = new Dispatcher(widget);
        dispatchers().insert(widget, dispatcher);
    }
    dispatcher->handlers[type].append(handler);
}

void DetachMessage(ISubClass *handler, QWidget *widget, QEvent::Type type)
{
    Dispatcher *dispatcher = dispatchers().value(widget);
    if (!dispatcher)
        return;
    auto it = dispatcher->handlers.find(type);
    if (it == dispatcher->handlers.end() || !it->removeOne(handler))
        return;
    if (it->isEmpty())
        dispatcher->handlers.erase(it);
    if (dispatcher->isEmpty()) {
        dispatchers().remove(widget);
        dispatcher->release();
    }
}

void DetachAll(ISubClass *handler)
{
    const auto table = dispatchers();
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        Dispatcher *dispatcher = it.value();
        for (auto list = dispatcher->handlers.begin(); list != dispatcher->handlers.end();) {
            list->removeAll(handler);
            list = list->isEmpty() ? dispatcher->handlers.erase(list) : std::next(list);
        }
        if (dispatcher->isEmpty()) {
            dispatchers().remove(it.key());
            dispatcher->release();
        }
    }
}

QEvent::Type CurrentMessage()
{
    return g_currentMessage;
}

bool CallOldWindowProc(QWidget *widget, QEvent *event)
{
    return widget && static_cast<QObject *>(widget)->event(event);
}

int HandlerCount(const QWidget *widget, QEvent::Type type)
{
    const Dispatcher *dispatcher = dispatchers().value(widget);
    return dispatcher ? int(dispatcher->handlers.value(type).size()) : 0;
}

bool IsWatched(const QWidget *widget)
{
    return dispatchers().contains(widget);
}

} // namespace MSubClass

void GSubClass::AttachMessage(ISubClass *handler, QWidget *widget, QEvent::Type type)
{
    MSubClass::AttachMessage(handler, widget, type);
}

void GSubClass::DetachMessage(ISubClass *handler, QWidget *widget, QEvent::Type type)
{
    MSubClass::DetachMessage(handler, widget, type);
}

QEvent::Type GSubClass::CurrentMessage() const
{
    return MSubClass::CurrentMessage();
}

bool GSubClass::CallOldWindowProc(QWidget *widget, QEvent *event)
{
    return MSubClass::CallOldWindowProc(widget, event);
}
