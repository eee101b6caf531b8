#pragma once

#include "isubclass.h"

#include <QString>

class QWidget;

// Lets ISubClass handlers watch chosen event types of a widget, before, after or instead of the
// widget's own handling. One dispatcher (an event filter) serves every watched widget; handlers of
// one event type run in the order they were attached.
namespace MSubClass {

enum ErrorNumber {
    ErrCantSubclass = 13081,
    ErrAlreadyHandled = 13082,
    ErrInvalidWindow = 13083,
    ErrExternalWindow = 13084,
};

// Raises ErrInvalidWindow for a null widget and ErrAlreadyHandled for a duplicate pair.
void AttachMessage(ISubClass *handler, QWidget *widget, QEvent::Type type);
// Removing a pair that is not registered changes nothing.
void DetachMessage(ISubClass *handler, QWidget *widget, QEvent::Type type);
// Drops every registration of a handler (it is being destroyed).
void DetachAll(ISubClass *handler);

// The event type being dispatched; 0 outside a dispatch.
QEvent::Type CurrentMessage();
// Runs the widget's own handling of the event of the current dispatch.
bool CallOldWindowProc(QWidget *widget, QEvent *event);

// Number of handlers on a widget and event type, and whether the widget is watched at all.
int HandlerCount(const QWidget *widget, QEvent::Type type);
bool IsWatched(const QWidget *widget);

// Throws AppException: n below 1001 plainly, else the error base OR n with the source.
[[noreturn]] void SubclassErrRaise(int number);
// The program's executable name followed by ".WindowProc".
QString ErrorSource();

} // namespace MSubClass

// The same operations as an object.
class GSubClass
{
public:
    void AttachMessage(ISubClass *handler, QWidget *widget, QEvent::Type type);
    void DetachMessage(ISubClass *handler, QWidget *widget, QEvent::Type type);
    QEvent::Type CurrentMessage() const;
    bool CallOldWindowProc(QWidget *widget, QEvent *event);
};
