#pragma once

#include <QProxyStyle>

// Draws a child window's caption bar in the window's caption colour (the palette's highlight)
// with dark text and dark buttons while it is the active one, so that it reads as active next
// to the grey captions of the others; the style's own active look (white on the colour) reads
// as disabled on a light caption colour.
class CaptionStyle : public QProxyStyle
{
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget) const override;
};
