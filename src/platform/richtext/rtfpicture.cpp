#include "rtfpicture.h"

#include "rtfformat.h"
#include "rtfsyntax.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace {

enum class Blip { None, Png, Jpeg, Dib, Metafile };

constexpr int kMaxSide = 8192;
constexpr qint64 kMaxPixels = 16 * 1024 * 1024;
constexpr double kMaxDisplay = 4000.0;

using RtfSyntax::hexValue;
using RtfSyntax::isLetter;

qsizetype findPict(QByteArrayView group)
{
    qsizetype from = 0;
    while (true) {
        const qsizetype at = group.indexOf(QByteArrayView("\\pict"), from);
        if (at < 0)
            return -1;
        const qsizetype after = at + 5;
        if (after >= group.size() || !isLetter(group[after]))
            return after;
        from = after;
    }
}

QImage readLimited(const QByteArray &data, const char *format)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxSide || size.height() > kMaxSide ||
        qint64(size.width()) * size.height() > kMaxPixels)
        return {};
    return reader.read();
}

// A device-independent bitmap is a BMP file without its 14-byte file header.
QImage readDib(const QByteArray &dib)
{
    if (dib.size() < 40)
        return {};
    auto u32 = [&](int at) {
        return quint32(quint8(dib[at])) | quint32(quint8(dib[at + 1])) << 8 |
               quint32(quint8(dib[at + 2])) << 16 | quint32(quint8(dib[at + 3])) << 24;
    };
    const quint32 headerSize = u32(0);
    if (headerSize < 40 || headerSize > quint32(dib.size()))
        return {};
    const int bitCount = quint8(dib[14]) | quint8(dib[15]) << 8;
    const quint32 compression = u32(16);
    quint32 colours = u32(32);
    if (colours == 0 && bitCount <= 8)
        colours = 1u << bitCount;
    if (colours > 256)
        return {};
    quint32 masks = (compression == 3 && headerSize == 40) ? 12 : 0;
    const quint32 offset = 14 + headerSize + masks + colours * 4;
    QByteArray file;
    file.reserve(dib.size() + 14);
    const quint32 fileSize = quint32(dib.size()) + 14;
    file.append("BM");
    for (quint32 v : {fileSize, 0u, offset}) {
        for (int shift = 0; shift < 32; shift += 8)
            file.append(char((v >> shift) & 0xFF));
    }
    file.append(dib);
    return readLimited(file, "bmp");
}

QImage placeholder()
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(0xC0, 0xC0, 0xC0));
    for (int i = 0; i < 16; ++i) {
        const QRgb edge = qRgb(0x80, 0x80, 0x80);
        image.setPixel(i, 0, edge);
        image.setPixel(i, 15, edge);
        image.setPixel(0, i, edge);
        image.setPixel(15, i, edge);
    }
    return image;
}

double clampDisplay(double value)
{
    if (!(value >= 1.0))
        return 1.0;
    return std::min(value, kMaxDisplay);
}

} // namespace

RtfPicture decodeRtfPicture(QByteArrayView group)
{
    RtfPicture picture;
    Blip blip = Blip::None;
    long picW = 0, picH = 0, goalW = 0, goalH = 0, scaleX = 100, scaleY = 100;
    QByteArray data;
    qsizetype i = findPict(group);
    int depth = 0;
    int nibble = -1;
    while (i >= 0 && i < group.size()) {
        const char c = group[i];
        if (c == '{') {
            ++depth;
            ++i;
        } else if (c == '}') {
            if (depth == 0)
                break;
            --depth;
            ++i;
        } else if (c == '\\') {
            ++i;
            if (i >= group.size())
                break;
            if (!isLetter(group[i])) {
                ++i;
                continue;
            }
            const qsizetype wordStart = i;
            while (i < group.size() && isLetter(group[i]))
                ++i;
            const QByteArrayView word = group.sliced(wordStart, i - wordStart);
            bool negative = false;
            if (i < group.size() && group[i] == '-') {
                negative = true;
                ++i;
            }
            long value = 0;
            while (i < group.size() && group[i] >= '0' && group[i] <= '9') {
                if (value < 100000000)
                    value = value * 10 + (group[i] - '0');
                ++i;
            }
            if (negative)
                value = -value;
            if (i < group.size() && group[i] == ' ')
                ++i;
            if (word == "bin") {
                const qsizetype n = std::clamp<qsizetype>(value, 0, group.size() - i);
                if (depth == 0)
                    data.append(group.sliced(i, n));
                i += n;
                continue;
            }
            if (depth != 0)
                continue;
            if (word == "pngblip")
                blip = Blip::Png;
            else if (word == "jpegblip")
                blip = Blip::Jpeg;
            else if (word == "dibitmap")
                blip = Blip::Dib;
            else if (word == "wmetafile" || word == "emfblip" || word == "macpict" ||
                     word == "wbitmap" || word == "pmmetafile")
                blip = Blip::Metafile;
            else if (word == "picw")
                picW = value;
            else if (word == "pich")
                picH = value;
            else if (word == "picwgoal")
                goalW = value;
            else if (word == "pichgoal")
                goalH = value;
            else if (word == "picscalex")
                scaleX = value;
            else if (word == "picscaley")
                scaleY = value;
        } else {
            const int h = depth == 0 ? hexValue(c) : -1;
            if (h >= 0) {
                if (nibble < 0) {
                    nibble = h;
                } else {
                    data.append(char(nibble << 4 | h));
                    nibble = -1;
                }
            }
            ++i;
        }
    }

    if (blip == Blip::Png)
        picture.image = readLimited(data, "png");
    else if (blip == Blip::Jpeg)
        picture.image = readLimited(data, "jpeg");
    else if (blip == Blip::Dib)
        picture.image = readDib(data);
    picture.decoded = !picture.image.isNull();

    double width = 0, height = 0;
    if (goalW > 0 && goalH > 0) {
        width = goalW / RtfFormat::TwipsPerPixel;
        height = goalH / RtfFormat::TwipsPerPixel;
    } else if (picture.decoded) {
        width = picture.image.width();
        height = picture.image.height();
    } else if (picW > 0 && picH > 0) {
        // metafile extents are in hundredths of a millimetre
        width = blip == Blip::Metafile ? picW * 96.0 / 2540.0 : picW;
        height = blip == Blip::Metafile ? picH * 96.0 / 2540.0 : picH;
    } else {
        width = height = 32;
    }
    if (scaleX > 0 && scaleX != 100)
        width = width * double(std::min(scaleX, 1000L)) / 100.0;
    if (scaleY > 0 && scaleY != 100)
        height = height * double(std::min(scaleY, 1000L)) / 100.0;
    picture.size = QSizeF(clampDisplay(std::round(width)), clampDisplay(std::round(height)));
    if (!picture.decoded)
        picture.image = placeholder();
    return picture;
}

QByteArray encodeRtfPicture(const QImage &image, QSizeF size)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    if (size.isEmpty())
        size = image.size();
    QByteArray out = "{\\pict\\pngblip\\picw" + QByteArray::number(image.width()) + "\\pich" +
                     QByteArray::number(image.height()) + "\\picwgoal" +
                     QByteArray::number(qRound(size.width() * RtfFormat::TwipsPerPixel)) +
                     "\\pichgoal" +
                     QByteArray::number(qRound(size.height() * RtfFormat::TwipsPerPixel)) + "\r\n";
    const QByteArray hex = png.toHex();
    for (qsizetype at = 0; at < hex.size(); at += 128) {
        out += hex.mid(at, 128);
        out += "\r\n";
    }
    out += '}';
    return out;
}
