#pragma once

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>

class QPainter;

// A bitmap held ready to be copied in tiles into any rectangle.
class CTile
{
public:
    // One copy of part of the bitmap: where it goes and where it starts in the bitmap.
    struct Piece
    {
        QRect target;
        QPoint source;
        bool operator==(const Piece &) const = default;
    };

    const QPixmap &Picture() const { return m_picture; }
    // Takes a picture directly; the file name becomes "PICTURE" when there was none.
    void setPicture(const QPixmap &picture);
    QString Filename() const { return m_filename; }
    // Loads the file when the name differs; failures are reported in the message box and
    // leave the tile empty.
    void setFilename(const QString &fileName);

    int XOriginOffset = 0;
    int YOriginOffset = 0;
    bool MapSystemColors = false;
    bool LoadTransparent = false;
    int BitmapWidth() const { return m_picture.width(); }
    int BitmapHeight() const { return m_picture.height(); }
    bool hasBitmap() const { return !m_picture.isNull(); }

    void TileArea(QPainter &painter, int x, int y, int width, int height) const;
    // The pieces TileArea copies, in order (rows from the top, columns from the left).
    static QList<Piece> tilePieces(int bitmapWidth, int bitmapHeight, int xOffset, int yOffset,
                                   const QRect &area);

private:
    void release();
    void report(const QString &text, int number) const;

    QPixmap m_picture;
    QString m_filename;
};

// Loads a bitmap file with the corner colour made the window colour (transparent) or with the
// standard 3D greys mapped to the system's colours. False with an error text on failure.
bool LoadBitmapFile(QImage &picture, const QString &fileName, QString &errorText, bool transparent);
