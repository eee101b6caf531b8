#include "shell/msgboxart.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace MsgBoxArt {

namespace {

QPixmap blank(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A glossy disc: the base of most icons.
void drawDisc(QPainter &p, const QRectF &box, const QColor &color)
{
    QRadialGradient fill(box.center() - QPointF(box.width() / 5, box.height() / 5),
                         box.width() * 0.7);
    fill.setColorAt(0, color.lighter(160));
    fill.setColorAt(0.6, color);
    fill.setColorAt(1, color.darker(140));
    p.setPen(QPen(color.darker(200), 1.5));
    p.setBrush(fill);
    p.drawEllipse(box);
}

void drawGlyph(QPainter &p, const QRectF &box, const QString &glyph, const QColor &color,
               qreal pixelSize)
{
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(int(pixelSize));
    p.setFont(font);
    p.setPen(color);
    p.drawText(box, Qt::AlignCenter, glyph);
}

QPainterPath triangle(const QRectF &box)
{
    QPainterPath path;
    path.moveTo(box.center().x(), box.top());
    path.lineTo(box.right(), box.bottom());
    path.lineTo(box.left(), box.bottom());
    path.closeSubpath();
    return path;
}

void drawCaution(QPainter &p, const QRectF &box)
{
    const QRectF body = box.adjusted(2, 3, -2, -3);
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, QColor(255, 236, 120));
    fill.setColorAt(1, QColor(232, 170, 20));
    p.setPen(QPen(QColor(120, 80, 0), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(triangle(body));
    drawGlyph(p, body.adjusted(0, body.height() * 0.25, 0, 0), QStringLiteral("!"),
              QColor(60, 40, 0), body.height() * 0.6);
}

void drawCheck(QPainter &p, const QRectF &box)
{
    QPainterPath mark;
    mark.moveTo(box.left() + box.width() * 0.27, box.top() + box.height() * 0.52);
    mark.lineTo(box.left() + box.width() * 0.44, box.top() + box.height() * 0.7);
    mark.lineTo(box.left() + box.width() * 0.74, box.top() + box.height() * 0.32);
    p.setPen(QPen(Qt::white, box.width() * 0.11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(mark);
}

void drawCross(QPainter &p, const QRectF &box, const QColor &color, qreal width)
{
    const qreal inset = box.width() * 0.3;
    const QRectF inner = box.adjusted(inset, inset, -inset, -inset);
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(inner.topLeft(), inner.bottomRight());
    p.drawLine(inner.topRight(), inner.bottomLeft());
}

// Nothing found: a magnifier with a red bar across it.
void drawNotFound(QPainter &p, const QRectF &box)
{
    const QRectF lens(box.left() + 4, box.top() + 4, box.width() * 0.6, box.height() * 0.6);
    p.setPen(QPen(QColor(90, 60, 30), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(lens.center() + QPointF(lens.width() * 0.38, lens.height() * 0.38),
               box.bottomRight() - QPointF(5, 5));
    drawDisc(p, lens, QColor(170, 200, 230));
    p.setPen(QPen(QColor(60, 70, 90), 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(lens);
    p.setPen(QPen(QColor(210, 30, 30), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(box.left() + 6, box.bottom() - 8), QPointF(box.right() - 8, box.top() + 6));
}

// A destructive step: a red octagon with an exclamation mark.
void drawStop(QPainter &p, const QRectF &box)
{
    const QRectF body = box.adjusted(2, 2, -2, -2);
    const qreal cut = body.width() * 0.29;
    QPainterPath octagon;
    octagon.moveTo(body.left() + cut, body.top());
    octagon.lineTo(body.right() - cut, body.top());
    octagon.lineTo(body.right(), body.top() + cut);
    octagon.lineTo(body.right(), body.bottom() - cut);
    octagon.lineTo(body.right() - cut, body.bottom());
    octagon.lineTo(body.left() + cut, body.bottom());
    octagon.lineTo(body.left(), body.bottom() - cut);
    octagon.lineTo(body.left(), body.top() + cut);
    octagon.closeSubpath();
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, QColor(240, 90, 80));
    fill.setColorAt(1, QColor(160, 10, 10));
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(fill);
    p.drawPath(octagon);
    drawGlyph(p, body, QStringLiteral("!"), Qt::white, body.height() * 0.7);
}

// Something to supply: an entry field with a pencil.
void drawInput(QPainter &p, const QRectF &box)
{
    const QRectF field(box.left() + 2, box.top() + box.height() * 0.45, box.width() - 4,
                       box.height() * 0.4);
    p.setPen(QPen(QColor(60, 70, 110), 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(field, 4, 4);
    p.setPen(QPen(QColor(20, 20, 20), 2));
    const qreal caretX = field.left() + 9;
    p.drawLine(QPointF(caretX, field.top() + 5), QPointF(caretX, field.bottom() - 5));
    p.save();
    p.translate(box.left() + box.width() * 0.62, box.top() + box.height() * 0.48);
    p.rotate(-45);
    const qreal length = box.width() * 0.55;
    const qreal thickness = box.width() * 0.14;
    p.setPen(QPen(QColor(90, 60, 10), 1));
    p.setBrush(QColor(250, 200, 40));
    p.drawRect(QRectF(0, -thickness / 2, length, thickness));
    p.setBrush(QColor(240, 130, 150));
    p.drawRect(QRectF(length, -thickness / 2, thickness * 0.8, thickness));
    QPainterPath tip;
    tip.moveTo(0, -thickness / 2);
    tip.lineTo(-thickness, 0);
    tip.lineTo(0, thickness / 2);
    tip.closeSubpath();
    p.setBrush(QColor(240, 215, 170));
    p.drawPath(tip);
    p.restore();
}

} // namespace

QPixmap icon(int number)
{
    if (number < 101 || number > 107)
        return {};
    QPixmap pixmap = blank(IconSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(1, 1, IconSize - 2, IconSize - 2);
    switch (number) {
    case 101:
        drawCaution(p, box);
        break;
    case 102:
        drawDisc(p, box, QColor(40, 100, 200));
        drawGlyph(p, box, QStringLiteral("?"), Qt::white, IconSize * 0.66);
        break;
    case 103:
        drawDisc(p, box, QColor(200, 30, 30));
        drawCross(p, box, Qt::white, IconSize * 0.11);
        break;
    case 104:
        drawDisc(p, box, QColor(30, 150, 60));
        drawCheck(p, box);
        break;
    case 105:
        drawNotFound(p, box);
        break;
    case 106:
        drawStop(p, box);
        break;
    case 107:
        drawInput(p, box);
        break;
    }
    return pixmap;
}

QPixmap background(const QSize &size, const QRegion &outline)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRegion(outline);
    shape = shape.simplified();

    QLinearGradient fill(0, 0, 0, size.height());
    fill.setColorAt(0, QColor(78, 96, 140));
    fill.setColorAt(0.5, QColor(44, 56, 92));
    fill.setColorAt(1, QColor(24, 30, 54));
    p.fillPath(shape, fill);

    // A soft highlight along the top, then a light rim just inside the outline.
    QLinearGradient sheen(0, 0, 0, size.height() * 0.45);
    sheen.setColorAt(0, QColor(255, 255, 255, 70));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillPath(shape, sheen);
    p.setClipPath(shape);
    p.setPen(QPen(QColor(192, 192, 255), 3));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
    return pixmap;
}

QPixmap closeMark(bool highlighted)
{
    QPixmap pixmap = blank(CloseMarkSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(2, 2, CloseMarkSize - 4, CloseMarkSize - 4);
    if (highlighted) {
        QRadialGradient glow(box.center(), CloseMarkSize / 2.0);
        glow.setColorAt(0.7, QColor(255, 200, 120, 200));
        glow.setColorAt(1, QColor(255, 200, 120, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QRectF(0, 0, CloseMarkSize, CloseMarkSize));
    }
    drawDisc(p, box, highlighted ? QColor(230, 60, 40) : QColor(150, 50, 60));
    drawCross(p, box.adjusted(1, 1, -1, -1), highlighted ? Qt::white : QColor(230, 220, 230), 2.5);
    return pixmap;
}

QPixmap dragHandle()
{
    QPixmap pixmap = blank(DragHandleSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 36, 60), 1));
    p.setBrush(QColor(120, 140, 190));
    p.drawRoundedRect(QRectF(1.5, 1.5, DragHandleSize - 3, DragHandleSize - 3), 5, 5);
    // A grip of raised dots.
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QPointF centre(7 + column * 5, 7 + row * 5);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(230, 235, 255));
            p.drawEllipse(centre, 1.6, 1.6);
            p.setBrush(QColor(40, 46, 80));
            p.drawEllipse(centre + QPointF(0.8, 0.8), 1.0, 1.0);
        }
    }
    return pixmap;
}

} // namespace MsgBoxArt
