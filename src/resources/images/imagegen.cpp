// Draws the program's pictures: the tiled background and the program icon.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

static QImage background()
{
    QImage tile(128, 128, QImage::Format_RGB888);
    tile.fill(QColor(0xE8, 0xE4, 0xF4));
    QPainter painter(&tile);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xD4, 0xCC, 0xEC), 1.5));
    // Arcs that meet across the tile edges, so the tiling shows no seams.
    for (int y = 0; y <= 128; y += 64)
        for (int x = 0; x <= 128; x += 64)
            for (int r = 12; r <= 40; r += 14)
                painter.drawEllipse(QPointF(x, y), r, r);
    return tile;
}

static QImage icon()
{
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 64, 64);
    gradient.setColorAt(0, QColor(0x80, 0x30, 0x90));
    gradient.setColorAt(1, QColor(0x30, 0x10, 0x50));
    painter.setBrush(gradient);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    // An open book: two pages and a spine.
    painter.setBrush(QColor(0xF8, 0xF4, 0xFF));
    QPainterPath left;
    left.moveTo(32, 20);
    left.cubicTo(24, 14, 14, 15, 10, 18);
    left.lineTo(10, 48);
    left.cubicTo(15, 45, 24, 45, 32, 50);
    left.closeSubpath();
    painter.drawPath(left);
    QPainterPath right;
    right.moveTo(32, 20);
    right.cubicTo(40, 14, 50, 15, 54, 18);
    right.lineTo(54, 48);
    right.cubicTo(49, 45, 40, 45, 32, 50);
    right.closeSubpath();
    painter.drawPath(right);
    painter.setPen(QPen(QColor(0x80, 0x30, 0x90), 2));
    for (int y = 26; y <= 40; y += 7) {
        painter.drawLine(QPointF(15, y), QPointF(27, y + 2));
        painter.drawLine(QPointF(37, y + 2), QPointF(49, y));
    }
    return image;
}

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: imagegen OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!background().save(out + "/OMBREL", "BMP") || !icon().save(out + "/marlux.png", "PNG")) {
        std::fprintf(stderr, "imagegen: cannot write to %s\n", argv[1]);
        return 1;
    }
    return 0;
}
