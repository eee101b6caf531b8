#pragma once

#include <QEvent>

class QWidget;

// A handler of chosen events of a watched widget (see MSubClass).
// MsgResponse tells the dispatcher when the widget's own handling runs:
// 0 never (the handler alone answers), 1 after the handler, 2 before it.
class ISubClass
{
public:
    virtual ~ISubClass();

    virtual int MsgResponse() const = 0;
    virtual void setMsgResponse(int) {}
    // Returns whether the event counts as handled (its accepted flag).
    virtual bool WindowProc(QWidget *widget, QEvent *event) = 0;
};
