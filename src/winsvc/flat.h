#pragma once

#include "isubclass.h"

#include <QColor>
#include <QPointer>

class QComboBox;
class QPainter;
class QWidget;

// Gives a control a flat look: no 3D border at rest, a thin sunken frame while the pointer is
// over it or it has the focus, and a raised or pressed drop button on combo boxes.
class Flat : public ISubClass
{
public:
    enum State { Normal = 1, Hot = 2, Pressed = 4 };

    Flat() = default;
    ~Flat() override;
    Flat(const Flat &) = delete;
    Flat &operator=(const Flat &) = delete;

    // Raises &H80040419 for no control.
    void Attach(QWidget *control);
    bool DroppedDown() const;

    int MsgResponse() const override;
    bool WindowProc(QWidget *widget, QEvent *event) override;

    QWidget *attachedWindow() const { return m_attached; }
    bool isCombo() const { return m_combo; }
    bool mouseOver() const { return m_mouseOver; }
    // The look shown now and its two outer frame colours (&HBBGGRR or system colour codes).
    State state() const { return m_state; }
    quint32 outerTopLeft() const;
    quint32 outerBottomRight() const;

    // Draws a frame: a along the left and top, b along the right and bottom (right and bottom
    // exclusive).
    static void Draw3DRect(QPainter &painter, int left, int top, int right, int bottom,
                           const QColor &a, const QColor &b);

private:
    void detach();
    void attachMessages(QWidget *window);
    void forEachRegistration(bool attach);
    bool focused() const;
    void Draw(bool hot, bool down);
    void paint(QWidget *widget);
    void paintCombo(QPainter &painter, QWidget *widget);
    void paintControl(QPainter &painter, QWidget *widget);
    QColor color(quint32 value) const;

    QPointer<QWidget> m_attached;
    QPointer<QWidget> m_edit;
    QPointer<QWidget> m_popup; // the combo's list window; its hiding is the close-up
    bool m_combo = false;
    bool m_isAttached = false;
    bool m_mouseOver = false;
    State m_state = Normal;
};
