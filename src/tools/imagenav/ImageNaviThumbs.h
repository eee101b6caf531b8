#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

// The thumbnail rules of the image navigator: no widgets, so they run in a worker too.
namespace ImageNaviThumbs {

constexpr int ThumbBox = 94;   // the square every picture is fitted into
constexpr int ThumbMargin = 2; // taken off the box when fitting
constexpr int CellSize = 90;   // width and height of a grid cell

// Rounds to the nearest whole number, exact halves to the even neighbour.
int roundHalfEven(double value);

// Where a picture of that size lands in the box: never enlarged, the longer side at most
// 92 pixels, proportions kept, centred.
QRect thumbRect(const QSize &picture);

// Rows of the grid for n files in that many columns (at least one row).
int thumbRowCount(int files, int columns);

// "2048 Bytes - [ 2 KB]" or "500 Bytes - [ Less than 1 KB]".
QString sizeText(qint64 bytes);

// The description shown for a selected thumbnail.
QString pictureDescription(const QString &fullPath, qint64 bytes);

// Names holding ".cur" or ".ico" anywhere (any case) load as icons.
bool loadsAsIcon(const QString &fileName);

// Draws the picture fitted and centred on a box of the given background.
QImage DrawThumb(const QImage &picture, const QColor &background);

// Reads one file, named by its own bytes, and returns its thumbnail, or a null image when it
// cannot be read. Large pictures are decoded at the thumbnail's size; icons pick the image
// nearest iconSize. Safe to call from a worker thread.
QImage loadThumb(const QByteArray &nativePath, const QSize &iconSize, const QColor &background);

} // namespace ImageNaviThumbs
