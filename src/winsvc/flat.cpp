#include "flat.h"

#include "msubclass.h"
#include "platform/base/apperror.h"
#include "platform/base/colors.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QWidget>

namespace {

constexpr quint32 ButtonFace = 0x8000000F;
constexpr quint32 ButtonShadow = 0x80000010;
constexpr quint32 Highlight3D = 0x80000014;
constexpr quint32 WindowBackground = 0x80000005;
constexpr int DropButtonWidth = 16;

const QEvent::Type WindowMessages[] = {QEvent::Paint,    QEvent::MouseButtonPress, QEvent::FocusIn,
                                       QEvent::FocusOut, QEvent::MouseMove,        QEvent::Enter,
                                       QEvent::Leave};
const QEvent::Type EditMessages[] = {QEvent::MouseButtonPress, QEvent::FocusIn, QEvent::FocusOut,
                                     QEvent::MouseMove};

} // namespace

Flat::~Flat()
{
    detach();
}

void Flat::Attach(QWidget *control)
{
    detach();
    if (!control) {
        throw AppException(
            AppErrorBase | 1049,
            QStringLiteral("Incorrect control type passed to 'Attach' parameter - must be a "
                           "control with a hWnd property."),
            QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                QStringLiteral(".cFlatControl"));
    }
    m_combo = false;
    if (auto *combo = qobject_cast<QComboBox *>(control)) {
        m_combo = true;
        m_popup = combo->view()->window();
    } else if (auto *edit = qobject_cast<QLineEdit *>(control);
               edit && (edit->alignment() & Qt::AlignRight)) {
        // A right-aligned text box is painted like a combo, drop-button area included.
        m_combo = true;
    } else {
        // The frame is drawn in a 2-pixel margin; every Attach moves the content in by 2 more.
        if (auto *edit = qobject_cast<QLineEdit *>(control))
            edit->setFrame(false);
        const QMargins margins = control->contentsMargins();
        control->setContentsMargins(margins + QMargins(2, 2, 2, 2));
    }
    attachMessages(control);
}

void Flat::attachMessages(QWidget *window)
{
    m_attached = window;
    if (!window)
        return;
    if (auto *combo = qobject_cast<QComboBox *>(window))
        m_edit = combo->lineEdit();
    forEachRegistration(true);
    m_isAttached = true;
}

void Flat::forEachRegistration(bool attach)
{
    auto apply = [attach, this](QWidget *widget, QEvent::Type type) {
        if (!widget)
            return;
        if (attach)
            MSubClass::AttachMessage(this, widget, type);
        else
            MSubClass::DetachMessage(this, widget, type);
    };
    for (QEvent::Type type : WindowMessages)
        apply(m_attached, type);
    for (QEvent::Type type : EditMessages)
        apply(m_edit, type);
    if (m_combo)
        apply(m_popup, QEvent::Hide);
}

void Flat::detach()
{
    if (m_isAttached)
        forEachRegistration(false);
    m_isAttached = false;
    m_attached = nullptr;
    m_edit = nullptr;
    m_popup = nullptr;
    m_mouseOver = false;
    m_state = Normal;
}

bool Flat::DroppedDown() const
{
    return m_combo && m_popup && m_popup->isVisible();
}

int Flat::MsgResponse() const
{
    return MSubClass::CurrentMessage() == QEvent::Paint ? 2 : 1;
}

bool Flat::focused() const
{
    return (m_attached && m_attached->hasFocus()) || (m_edit && m_edit->hasFocus());
}

bool Flat::WindowProc(QWidget *widget, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::Enter:
        if (!m_mouseOver && !focused() && !DroppedDown()) {
            Draw(true, false);
            m_mouseOver = true;
        }
        break;
    case QEvent::Leave:
        // Leaving replaces polling the pointer position every few milliseconds.
        if (m_mouseOver) {
            m_mouseOver = false;
            Draw(focused(), false);
        }
        break;
    case QEvent::Hide:
        if (widget == m_popup) {
            Draw(focused(), false);
            m_mouseOver = false;
        }
        break;
    case QEvent::FocusIn:
        Draw(true, false);
        m_mouseOver = false;
        break;
    case QEvent::FocusOut:
        Draw(false, false);
        break;
    case QEvent::Paint:
        if (widget == m_attached) {
            const bool dropped = DroppedDown();
            const bool hot = focused() || dropped;
            if (hot)
                m_mouseOver = false;
            m_state = dropped ? Pressed : (hot || m_mouseOver) ? Hot : Normal;
            paint(widget);
        }
        break;
    default:
        break;
    }
    return false;
}

void Flat::Draw(bool hot, bool down)
{
    m_state = !hot ? Normal : down ? Pressed : Hot;
    // Painting happens in the control's paint cycle, after its own.
    if (m_attached)
        m_attached->update();
}

quint32 Flat::outerTopLeft() const
{
    return m_state == Normal ? ButtonFace : ButtonShadow;
}

quint32 Flat::outerBottomRight() const
{
    return m_state == Normal ? ButtonFace : Highlight3D;
}

QColor Flat::color(quint32 value) const
{
    return Colors::fromBgr(value, m_attached ? m_attached->palette() : QPalette());
}

void Flat::Draw3DRect(QPainter &painter, int left, int top, int right, int bottom, const QColor &a,
                      const QColor &b)
{
    painter.setPen(QPen(a, 1));
    painter.drawLine(left, bottom - 1, left, top);
    painter.drawLine(left, top, right - 1, top);
    if (left == right)
        return;
    painter.setPen(QPen(b, 1));
    painter.drawLine(right - 1, top, right - 1, bottom - 1);
    painter.drawLine(right - 1, bottom - 1, left, bottom - 1);
}

void Flat::paint(QWidget *widget)
{
    QPainter painter(widget);
    if (m_combo)
        paintCombo(painter, widget);
    else
        paintControl(painter, widget);
}

void Flat::paintCombo(QPainter &painter, QWidget *widget)
{
    const QColor a = color(outerTopLeft());
    const QColor b = color(outerBottomRight());
    int left = 0, top = 0, right = widget->width(), bottom = widget->height();
    Draw3DRect(painter, left, top, right, bottom, a, b);
    const bool enabled = widget->isEnabled();
    const QColor rim = color(enabled ? ButtonFace : Highlight3D);
    Draw3DRect(painter, ++left, ++top, --right, --bottom, rim, rim);
    ++left, ++top, --right, --bottom;
    left = right - DropButtonWidth;
    const QColor face = color(ButtonFace);
    Draw3DRect(painter, left, top, right, bottom, face, face);
    Draw3DRect(painter, ++left, ++top, --right, --bottom, face, face);
    if (!enabled)
        return;
    const QColor light = color(Highlight3D);
    const QColor shadow = color(ButtonShadow);
    switch (m_state) {
    case Normal:
        --top, ++bottom;
        Draw3DRect(painter, left, top, right, bottom, light, light);
        Draw3DRect(painter, left - 1, top, left - 1, bottom, color(WindowBackground), color(0));
        break;
    case Hot:
        --top, ++right, ++bottom;
        Draw3DRect(painter, left, top, right, bottom, light, shadow);
        break;
    case Pressed:
        top -= 2, --left;
        Draw3DRect(painter, left + 1, top + 1, right + 1, bottom + 1, shadow, light);
        break;
    }
}

void Flat::paintControl(QPainter &painter, QWidget *widget)
{
    // The frame lies in the 2-pixel margin the control gave up when it was attached.
    int left = 0, top = 0, right = widget->width(), bottom = widget->height();
    Draw3DRect(painter, left, top, right, bottom, color(outerTopLeft()), color(outerBottomRight()));
    const QColor rim = color(widget->isEnabled() ? ButtonFace : Highlight3D);
    Draw3DRect(painter, left + 1, top + 1, right - 1, bottom - 1, rim, rim);
    if (!widget->isEnabled() || m_state == Normal)
        return;
    // Hot and pressed: three more frames in the 3D highlight, each one pixel further in.
    const QColor light = color(Highlight3D);
    for (int inset = 2; inset <= 4; ++inset)
        Draw3DRect(painter, left + inset, top + inset, right - inset, bottom - inset, light, light);
}
