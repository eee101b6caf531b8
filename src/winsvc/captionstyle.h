#pragma once

#include <QProxyStyle>

#include <QColor>

// Draws a child window's caption bar in the caption colour with dark text and dark buttons
// while it is the active one, so that it reads as active next to the grey captions of the
// others; the style's own active look (white on the colour) reads as disabled on a light
// caption colour. The colour is the style's own, not the palette's highlight: the windows'
// selections keep the system's colours.
class CaptionStyle : public QProxyStyle
{
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    // Until one is set, the system's highlight.
    QColor captionColor() const;
    void setCaptionColor(const QColor &colour);

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget) const override;

private:
    QColor m_caption;
};
