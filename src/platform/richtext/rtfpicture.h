#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSizeF>

// Pictures inside RTF groups: what the reader shows for a kept group, and how the writer stores an
// image that came from elsewhere (a paste).
struct RtfPicture
{
    QImage image; // a grey placeholder when the data cannot be shown
    QSizeF size;  // display size in logical pixels
    bool decoded = false;
};

// Finds the first \pict in a group (a picture, or an object's result) and decodes it.
RtfPicture decodeRtfPicture(QByteArrayView group);

// A {\pict\pngblip ...} group holding image at the given display size.
QByteArray encodeRtfPicture(const QImage &image, QSizeF size);
