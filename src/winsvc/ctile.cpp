#include "ctile.h"

#include "platform/prompt/prompter.h"

#include <QApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPalette>

bool LoadBitmapFile(QImage &picture, const QString &fileName, QString &errorText, bool transparent)
{
    // Read straight from the file: the user's clipboard is never touched.
    QImage image(fileName);
    if (image.isNull()) {
        errorText = QStringLiteral("Could not read the bitmap file.");
        return false;
    }
    image = image.convertToFormat(QImage::Format_RGB32);
    const QPalette palette = QApplication::palette();
    QHash<QRgb, QRgb> map;
    if (transparent) {
        map.insert(image.pixel(0, 0), palette.color(QPalette::Base).rgb());
    } else {
        map.insert(qRgb(128, 128, 128), palette.color(QPalette::Dark).rgb());
        map.insert(qRgb(192, 192, 192), palette.color(QPalette::Button).rgb());
        map.insert(qRgb(223, 223, 223), palette.color(QPalette::Light).rgb());
    }
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const auto it = map.constFind(line[x] | 0xff000000u);
            if (it != map.cend())
                line[x] = *it;
        }
    }
    picture = image;
    errorText.clear();
    return true;
}

void CTile::report(const QString &text, int number) const
{
    Prompter::instance().messageBox(QStringLiteral("Error: ") + text + QStringLiteral(", ") +
                                        QString::number(number),
                                    103, 4, QStringLiteral("ERROR"));
}

void CTile::release()
{
    m_filename.clear();
    m_picture = QPixmap();
}

void CTile::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    if (!m_picture.isNull() && m_filename.isEmpty())
        m_filename = QStringLiteral("PICTURE");
}

void CTile::setFilename(const QString &fileName)
{
    if (fileName == m_filename)
        return;
    release();
    if (fileName.isEmpty())
        return;
    QImage image;
    if (MapSystemColors || LoadTransparent) {
        QString errorText;
        if (!LoadBitmapFile(image, fileName, errorText, LoadTransparent)) {
            report(QStringLiteral("Load Picture with MapSystemColors Failed: ") + errorText, 0);
            return;
        }
    } else {
        // Taken at its word, a picture in a format read without plugins (bmp, png) does not
        // load every image plugin to ask it first: the main window reads one while starting.
        QImageReader named(fileName, QFileInfo(fileName).suffix().toLower().toLatin1());
        named.setAutoDetectImageFormat(false);
        image = named.read();
        if (image.isNull()) {
            QImageReader reader(fileName);
            image = reader.read();
            if (image.isNull()) {
                report(QStringLiteral("Load Picture Failed: ") + reader.errorString(), 0);
                return;
            }
        }
    }
    m_picture = QPixmap::fromImage(image);
    if (m_picture.isNull()) {
        report(QStringLiteral("Unable to create compatible DC"), 1);
        m_picture = QPixmap();
        return;
    }
    m_filename = fileName;
}

QList<CTile::Piece> CTile::tilePieces(int bitmapWidth, int bitmapHeight, int xOffset, int yOffset,
                                      const QRect &area)
{
    QList<Piece> pieces;
    if (bitmapWidth <= 0 || bitmapHeight <= 0 || area.isEmpty())
        return pieces;
    // Offsets may be negative; the pattern still starts inside the bitmap.
    const int sx = (((xOffset + area.x()) % bitmapWidth) + bitmapWidth) % bitmapWidth;
    const int sy = (((yOffset + area.y()) % bitmapHeight) + bitmapHeight) % bitmapHeight;
    const int right = area.x() + area.width();
    const int bottom = area.y() + area.height();
    int sourceY = sy;
    for (int y = area.y(); y < bottom;) {
        const int rowHeight = std::min(bitmapHeight - sourceY, bottom - y);
        int sourceX = sx;
        for (int x = area.x(); x < right;) {
            const int columnWidth = std::min(bitmapWidth - sourceX, right - x);
            pieces.append({QRect(x, y, columnWidth, rowHeight), QPoint(sourceX, sourceY)});
            x += columnWidth;
            sourceX = 0;
        }
        y += rowHeight;
        sourceY = 0;
    }
    return pieces;
}

void CTile::TileArea(QPainter &painter, int x, int y, int width, int height) const
{
    const auto pieces = tilePieces(BitmapWidth(), BitmapHeight(), XOriginOffset, YOriginOffset,
                                   QRect(x, y, width, height));
    for (const Piece &piece : pieces)
        painter.drawPixmap(piece.target.topLeft(), m_picture,
                           QRect(piece.source, piece.target.size()));
}
