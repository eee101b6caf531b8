#include "tools/imagenav/ImageNaviThumbs.h"

#include "platform/base/folderlisting.h"
#include "tools/imagenav/ImageNaviBitmap.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QSemaphore>

#include <cmath>
#include <cstdlib>
#include <optional>

namespace ImageNaviThumbs {

int roundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5)
        return int(floor) + 1;
    if (fraction < 0.5)
        return int(floor);
    return std::fmod(floor, 2.0) == 0.0 ? int(floor) : int(floor) + 1;
}

QRect thumbRect(const QSize &picture)
{
    const int room = ThumbBox - ThumbMargin;
    if (picture.width() <= 0 || picture.height() <= 0)
        return {};
    double scale = 1.0;
    if (picture.width() > room || picture.height() > room) {
        scale = picture.width() > picture.height() ? double(room) / picture.width()
                                                   : double(room) / picture.height();
    }
    const int w = std::max(1, roundHalfEven(picture.width() * scale));
    const int h = std::max(1, roundHalfEven(picture.height() * scale));
    return {(ThumbBox - w) / 2, (ThumbBox - h) / 2, w, h};
}

int thumbRowCount(int files, int columns)
{
    if (columns < 1)
        columns = 1;
    if (files - 1 < columns)
        return 1;
    return roundHalfEven(double(files - 1) / columns) + 1;
}

QString sizeText(qint64 bytes)
{
    const qint64 kilobytes = bytes / 1024;
    const QString kb = kilobytes >= 1 ? QString::number(kilobytes) + QStringLiteral(" KB")
                                      : QStringLiteral("Less than 1 KB");
    return QString::number(bytes) + QStringLiteral(" Bytes - [ ") + kb + QStringLiteral("]");
}

QString pictureDescription(const QString &fullPath, qint64 bytes)
{
    return QStringLiteral("Image name is : ") + fullPath + QStringLiteral("\r\nFile size is : ") +
           sizeText(bytes);
}

bool loadsAsIcon(const QString &fileName)
{
    const QString lower = fileName.toLower();
    return lower.contains(QLatin1String(".cur")) || lower.contains(QLatin1String(".ico"));
}

QImage DrawThumb(const QImage &picture, const QColor &background)
{
    QImage box(ThumbBox, ThumbBox, QImage::Format_ARGB32_Premultiplied);
    box.fill(background);
    const QRect target = thumbRect(picture.size());
    if (target.isEmpty())
        return box;
    QPainter painter(&box);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (picture.size() == target.size())
        painter.drawImage(target.topLeft(), picture);
    else
        painter.drawImage(
            target, picture.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return box;
}

namespace {

// The sub-image of an icon file nearest the wanted size.
QImage readIcon(QImageReader &reader, const QSize &iconSize)
{
    QImage best;
    int bestDistance = 0;
    const int count = std::max(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (image.isNull())
            continue;
        const int distance = std::abs(image.width() - iconSize.width()) +
                             std::abs(image.height() - iconSize.height());
        if (best.isNull() || distance < bestDistance) {
            best = image;
            bestDistance = distance;
        }
    }
    return best;
}

// What the pictures being decoded at once may take, however many workers decode them.
constexpr int DecodeBudgetMiB = 256;

QSemaphore &decodeBudget()
{
    static QSemaphore budget(DecodeBudgetMiB);
    return budget;
}

// Holds a share of the budget for one decode; a decode larger than the whole budget waits
// until it has the budget to itself.
class DecodeReservation
{
public:
    explicit DecodeReservation(qint64 bytes)
        : m_units(int(std::min<qint64>(DecodeBudgetMiB, (bytes + (1 << 20) - 1) >> 20)))
    {
        if (m_units > 0)
            decodeBudget().acquire(m_units);
    }
    ~DecodeReservation()
    {
        if (m_units > 0)
            decodeBudget().release(m_units);
    }
    DecodeReservation(const DecodeReservation &) = delete;
    DecodeReservation &operator=(const DecodeReservation &) = delete;

private:
    int m_units;
};

// The colour components of a progressive JPEG, whose decoder holds the coefficients of the
// whole picture whatever size it is read at; 0 for any other file. The file is left where
// the decoder had it.
int progressiveJpegComponents(QFile &file)
{
    const qint64 decoderAt = file.pos();
    int components = 0;
    uchar start[2] = {};
    if (file.seek(0) && file.read(reinterpret_cast<char *>(start), 2) == 2 && start[0] == 0xFF &&
        start[1] == 0xD8) {
        for (int segment = 0; segment < 512; ++segment) {
            uchar marker[4] = {};
            if (file.read(reinterpret_cast<char *>(marker), 4) != 4 || marker[0] != 0xFF)
                break;
            const int type = marker[1];
            const int length = marker[2] << 8 | marker[3];
            // The frame header: C2, C6, CA and CE start a progressive picture.
            if (type >= 0xC0 && type <= 0xCF && type != 0xC4 && type != 0xC8 && type != 0xCC) {
                uchar frame[6] = {};
                if ((type & 0x03) == 0x02 && file.read(reinterpret_cast<char *>(frame), 6) == 6)
                    components = frame[5];
                break;
            }
            if (type == 0xDA || type == 0xD9 || length < 2 || !file.seek(file.pos() + length - 2))
                break;
        }
    }
    file.seek(decoderAt);
    return components;
}

// Hands a file to a decoder and notices when the decoder asks for more after the file's
// end: the picture was cut short, and the decoder fills in what is missing rather than fail.
class WholeFileCheck : public QIODevice
{
public:
    explicit WholeFileCheck(QFile &file) : m_file(file)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_file.size(); }
    bool seek(qint64 pos) override { return QIODevice::seek(pos) && m_file.seek(pos); }
    bool cutShort() const { return m_cutShort; }
    void forget() { m_cutShort = false; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_file.pos() != pos() && !m_file.seek(pos()))
            return -1;
        const qint64 got = m_file.read(data, maxSize);
        m_cutShort = m_cutShort || (got == 0 && maxSize > 0);
        return got;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QFile &m_file;
    bool m_cutShort = false;
};

} // namespace

QImage loadThumb(const QByteArray &nativePath, const QSize &iconSize, const QColor &background)
{
    QFile file;
    if (!FolderListing::openForReading(file, nativePath))
        return {};
    WholeFileCheck whole(file);
    QImageReader reader(&whole);
    // The content decides: .dib and .rle are bitmaps, and a misnamed file still reads.
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    QImage picture;
    const QString name = QString::fromUtf8(nativePath.mid(nativePath.lastIndexOf('/') + 1));
    if (loadsAsIcon(name)) {
        picture = readIcon(reader, iconSize);
    } else {
        const QSize size = reader.size();
        const QRect target = thumbRect(size);
        const bool scaled = !target.isEmpty() && target.size() != size;
        // A bitmap is read a few rows at a time straight to its thumbnail: decoded whole, a
        // large one would pass the image reader's memory limit. A cut one is told as such.
        QImageReader *decoder = &reader;
        std::optional<QImageReader> again;
        if (!target.isEmpty() && reader.format() == "bmp") {
            bool damaged = false;
            picture = ImageNaviBitmap::readScaled(file, target.size(), &damaged);
            if (damaged)
                return {};
            // Not a kind read above: the general reader starts again from the beginning.
            if (picture.isNull()) {
                if (!whole.seek(0))
                    return {};
                again.emplace(&whole);
                again->setDecideFormatFromContent(true);
                decoder = &*again;
            }
        }
        if (picture.isNull()) {
            const qint64 area = qint64(size.width()) * size.height();
            qint64 bytes = area * 4;
            if (scaled && decoder->supportsOption(QImageIOHandler::ScaledSize)) {
                decoder->setScaledSize(target.size());
                bytes = area / 4;
            }
            if (decoder->format() == "jpeg")
                bytes += area * 2 * progressiveJpegComponents(file);
            const DecodeReservation reservation(bytes);
            whole.forget();
            picture = decoder->read();
            // A picture that cannot be read whole is as damaged as one that cannot be read.
            if (whole.cutShort())
                return {};
        }
    }
    if (picture.isNull())
        return {};
    return DrawThumb(picture, background);
}

} // namespace ImageNaviThumbs
