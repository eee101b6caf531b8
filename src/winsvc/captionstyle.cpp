#include "winsvc/captionstyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOption>

QColor CaptionStyle::captionColor() const
{
    return m_caption.isValid()
               ? m_caption
               : QApplication::palette().color(QPalette::Active, QPalette::Highlight);
}

void CaptionStyle::setCaptionColor(const QColor &colour)
{
    m_caption = colour;
}

void CaptionStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                      QPainter *painter, const QWidget *widget) const
{
    const auto *bar = qstyleoption_cast<const QStyleOptionTitleBar *>(option);
    if (control != CC_TitleBar || !bar || !(bar->titleBarState & State_Active)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // The inactive look draws dark text and buttons on the window colour: give it the caption
    // colour, and the title in bold.
    QStyleOptionTitleBar active(*bar);
    active.state &= ~State_Active;
    active.titleBarState &= ~int(State_Active);
    const QColor caption = captionColor();
    active.palette.setColor(QPalette::Window, caption);
    active.palette.setColor(QPalette::Button, caption);
    painter->save();
    QFont font = painter->font();
    font.setBold(true);
    painter->setFont(font);
    QProxyStyle::drawComplexControl(control, &active, painter, widget);
    painter->restore();
}
