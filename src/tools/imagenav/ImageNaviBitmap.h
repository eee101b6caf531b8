#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QFile;

// Reads a bitmap file (.bmp, .dib, .rle) straight down to a thumbnail's size, so that a
// picture too large to decode whole in memory still shows. No widgets: runs in a worker.
namespace ImageNaviBitmap {

// The picture scaled to target, each pixel the average of the part of the picture it
// stands for. Null when the file is not a bitmap of a kind read here (the caller may try a
// general reader then) or when it is damaged: cut short, or sizes that do not fit together.
QImage readScaled(const QString &path, const QSize &target);
// The same from a file already open, read from its start; damaged, when given, tells a
// damaged bitmap from one of another kind.
QImage readScaled(QFile &file, const QSize &target, bool *damaged = nullptr);

} // namespace ImageNaviBitmap
