#include "tools/imagenav/ImageNaviBitmap.h"

#include <QFile>
#include <QList>
#include <QtEndian>

#include <algorithm>
#include <bit>

namespace ImageNaviBitmap {

namespace {

constexpr int RowSamples = 4;           // source rows averaged into one thumbnail row, at most
constexpr qint64 LargestSide = 1 << 24; // keeps every offset well inside 64 bits

enum Compression : quint32 { Plain = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };

quint16 le16(const uchar *at)
{
    return qFromLittleEndian<quint16>(at);
}

quint32 le32(const uchar *at)
{
    return qFromLittleEndian<quint32>(at);
}

// One colour channel of a 16- or 32-bit pixel, given by its bit mask, widened to 8 bits.
class Channel
{
public:
    explicit Channel(quint32 mask = 0) : m_mask(mask)
    {
        if (mask != 0) {
            m_shift = std::countr_zero(mask);
            m_max = mask >> m_shift;
        }
    }
    bool present() const { return m_max != 0; }
    uint value(quint32 pixel) const
    {
        return m_max ? uint(quint64((pixel & m_mask) >> m_shift) * 255 / m_max) : 0;
    }

private:
    quint32 m_mask = 0;
    int m_shift = 0;
    quint32 m_max = 0;
};

struct Layout
{
    qint64 width = 0;
    qint64 height = 0;
    bool topDown = false;
    int depth = 0;
    quint32 compression = Plain;
    qint64 pixelsAt = 0;
    qint64 stride = 0;
    QList<QRgb> palette;
    Channel red, green, blue, alpha;
};

bool depthFits(const Layout &layout)
{
    switch (layout.compression) {
    case Plain:
        return layout.depth == 1 || layout.depth == 4 || layout.depth == 8 || layout.depth == 16 ||
               layout.depth == 24 || layout.depth == 32;
    case Rle8:
        return layout.depth == 8;
    case Rle4:
        return layout.depth == 4;
    case BitFields:
    case AlphaBitFields:
        return layout.depth == 16 || layout.depth == 32;
    default:
        return false; // pictures embedded as JPEG or PNG, and the old Huffman kinds
    }
}

bool readLayout(QFile &file, Layout &layout)
{
    uchar head[14 + 124 + 16] = {};
    const qint64 got = file.read(reinterpret_cast<char *>(head), sizeof head);
    if (got < 14 + 12 || head[0] != 'B' || head[1] != 'M')
        return false;
    layout.pixelsAt = le32(head + 10);
    const uchar *info = head + 14;
    const quint32 infoSize = le32(info);
    qint64 paletteAt = 14 + qint64(infoSize);
    int entrySize = 4;
    quint32 colours = 0;
    if (infoSize == 12) {
        layout.width = le16(info + 4);
        layout.height = le16(info + 6);
        layout.depth = le16(info + 10);
        entrySize = 3;
    } else if (infoSize >= 40 && infoSize <= 124 && got >= 14 + 40) {
        layout.width = qint32(le32(info + 4));
        const qint32 height = qint32(le32(info + 8));
        layout.topDown = height < 0;
        layout.height = height < 0 ? -qint64(height) : height;
        layout.depth = le16(info + 14);
        layout.compression = le32(info + 16);
        colours = le32(info + 32);
        // The older header of the same size gives these numbers other meanings.
        if (infoSize == 64 && layout.compression > Rle4)
            return false;
        if (layout.compression == BitFields || layout.compression == AlphaBitFields) {
            // Inside a newer header, or just after the plain one.
            const uchar *masks = info + 40;
            const bool withAlpha = layout.compression == AlphaBitFields || infoSize >= 56;
            if (infoSize == 40)
                paletteAt += withAlpha ? 16 : 12;
            layout.red = Channel(le32(masks));
            layout.green = Channel(le32(masks + 4));
            layout.blue = Channel(le32(masks + 8));
            layout.alpha = Channel(withAlpha ? le32(masks + 12) : 0);
        }
    } else {
        return false;
    }
    if (layout.width < 1 || layout.height < 1 || layout.width > LargestSide ||
        layout.height > LargestSide || !depthFits(layout))
        return false;
    if (!layout.red.present() && layout.depth == 16) {
        layout.red = Channel(0x7C00);
        layout.green = Channel(0x03E0);
        layout.blue = Channel(0x001F);
    } else if (!layout.red.present() && layout.depth == 32) {
        layout.red = Channel(0xFF0000);
        layout.green = Channel(0x00FF00);
        layout.blue = Channel(0x0000FF);
    }
    layout.stride = (layout.width * layout.depth + 31) / 32 * 4;

    if (layout.depth <= 8) {
        const quint32 most = 1u << layout.depth;
        const quint32 count = colours == 0 ? most : std::min(colours, most);
        QByteArray entries;
        if (file.seek(paletteAt))
            entries = file.read(qint64(count) * entrySize);
        if (entries.size() != qint64(count) * entrySize)
            return false;
        const auto *at = reinterpret_cast<const uchar *>(entries.constData());
        for (quint32 i = 0; i < count; ++i, at += entrySize)
            layout.palette.append(qRgb(at[2], at[1], at[0]));
    }
    return true;
}

// Sums the pixels of the picture that fall on each thumbnail pixel.
class Accumulator
{
public:
    Accumulator(const Layout &layout, const QSize &target)
        : m_layout(layout), m_width(target.width()), m_height(target.height()),
          m_cells(qsizetype(m_width) * m_height)
    {}

    int rows() const { return m_height; }

    // The first picture row of thumbnail row dy, and the one after its last.
    qint64 bandStart(int dy) const { return qint64(dy) * m_layout.height / m_height; }

    // Adds one picture row (counted from the top) of pixels of the given depth.
    void addRow(const uchar *row, qint64 y, int depth)
    {
        Cell *cells = m_cells.data() + qsizetype(y * m_height / m_layout.height) * m_width;
        for (int dx = 0; dx < m_width; ++dx) {
            const qint64 end = qint64(dx + 1) * m_layout.width / m_width;
            Cell &cell = cells[dx];
            for (qint64 x = qint64(dx) * m_layout.width / m_width; x < end; ++x) {
                const QRgb pixel = pixelAt(row, x, depth);
                const uint alpha = uint(qAlpha(pixel));
                cell.red += uint(qRed(pixel)) * alpha;
                cell.green += uint(qGreen(pixel)) * alpha;
                cell.blue += uint(qBlue(pixel)) * alpha;
                cell.alpha += alpha;
                ++cell.count;
            }
        }
    }

    QImage image() const
    {
        const bool alpha = m_layout.alpha.present();
        QImage out(m_width, m_height,
                   alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        for (int dy = 0; dy < m_height; ++dy) {
            auto *line = reinterpret_cast<QRgb *>(out.scanLine(dy));
            for (int dx = 0; dx < m_width; ++dx) {
                const Cell &cell = m_cells.at(qsizetype(dy) * m_width + dx);
                const quint64 weight = std::max<quint64>(cell.count, 1) * 255;
                line[dx] =
                    qRgba(int(cell.red / weight), int(cell.green / weight), int(cell.blue / weight),
                          alpha ? int(cell.alpha / std::max<quint64>(cell.count, 1)) : 255);
            }
        }
        return out;
    }

private:
    struct Cell
    {
        quint64 red = 0, green = 0, blue = 0, alpha = 0, count = 0;
    };

    QRgb indexed(uint index) const
    {
        return index < uint(m_layout.palette.size()) ? m_layout.palette.at(index) : qRgb(0, 0, 0);
    }

    QRgb masked(quint32 word) const
    {
        const Layout &l = m_layout;
        return qRgba(int(l.red.value(word)), int(l.green.value(word)), int(l.blue.value(word)),
                     l.alpha.present() ? int(l.alpha.value(word)) : 255);
    }

    QRgb pixelAt(const uchar *row, qint64 x, int depth) const
    {
        switch (depth) {
        case 1:
            return indexed((row[x >> 3] >> (7 - (x & 7))) & 1);
        case 4:
            return indexed((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
        case 8:
            return indexed(row[x]);
        case 16:
            return masked(le16(row + 2 * x));
        case 24:
            return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        default:
            return masked(le32(row + 4 * x));
        }
    }

    const Layout &m_layout;
    int m_width;
    int m_height;
    QList<Cell> m_cells;
};

// A few rows of every band are enough for a thumbnail: the file is read only there.
bool readPlain(QFile &file, const Layout &layout, Accumulator &sums)
{
    if (file.size() < layout.pixelsAt + layout.stride * layout.height)
        return false; // cut short
    QByteArray row(layout.stride, Qt::Uninitialized);
    for (int dy = 0; dy < sums.rows(); ++dy) {
        const qint64 first = sums.bandStart(dy);
        const qint64 band = sums.bandStart(dy + 1) - first;
        const qint64 samples = std::min<qint64>(RowSamples, band);
        for (qint64 k = 0; k < samples; ++k) {
            const qint64 y = first + (2 * k + 1) * band / (2 * samples);
            const qint64 stored = layout.topDown ? y : layout.height - 1 - y;
            if (!file.seek(layout.pixelsAt + stored * layout.stride) ||
                file.read(row.data(), layout.stride) != layout.stride)
                return false;
            sums.addRow(reinterpret_cast<const uchar *>(row.constData()), y, layout.depth);
        }
    }
    return true;
}

// Run-length coded rows come one after another: each is decoded to palette indexes.
bool readRunLength(QFile &file, const Layout &layout, Accumulator &sums)
{
    if (!file.seek(layout.pixelsAt))
        return false;
    const bool nibbles = layout.compression == Rle4;
    QByteArray row(layout.width, '\0');
    qint64 x = 0;
    qint64 y = 0; // rows as stored
    const auto next = [&file]() -> int {
        char c = 0;
        return file.getChar(&c) ? int(uchar(c)) : -1;
    };
    const auto put = [&](int index) {
        if (x < layout.width)
            row[x] = char(index);
        ++x;
    };
    const auto endRow = [&] {
        if (y < layout.height)
            sums.addRow(reinterpret_cast<const uchar *>(row.constData()),
                        layout.topDown ? y : layout.height - 1 - y, 8);
        row.fill('\0');
        ++y;
    };
    while (y < layout.height) {
        const int count = next();
        const int value = next();
        if (value < 0)
            return false; // cut short
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(nibbles ? ((i & 1) ? value & 15 : value >> 4) : value);
        } else if (value == 0) {
            endRow();
            x = 0;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            const int right = next();
            const int up = next();
            if (up < 0)
                return false;
            x += right;
            for (int i = 0; i < up; ++i)
                endRow();
        } else {
            const int bytes = nibbles ? (value + 1) / 2 : value;
            int byte = 0;
            for (int i = 0; i < value; ++i) {
                if (!nibbles || (i & 1) == 0)
                    byte = next();
                if (byte < 0)
                    return false;
                put(nibbles ? ((i & 1) ? byte & 15 : byte >> 4) : byte);
            }
            if ((bytes & 1) && next() < 0)
                return false;
        }
    }
    // Rows the picture leaves out keep the first colour.
    while (y < layout.height)
        endRow();
    return true;
}

} // namespace

QImage readScaled(const QString &path, const QSize &target)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return readScaled(file, target);
}

QImage readScaled(QFile &file, const QSize &target, bool *damaged)
{
    if (!file.seek(0))
        return {};
    Layout layout;
    if (!readLayout(file, layout))
        return {};
    const QSize size(int(std::clamp<qint64>(target.width(), 1, layout.width)),
                     int(std::clamp<qint64>(target.height(), 1, layout.height)));
    Accumulator sums(layout, size);
    const bool read = layout.compression == Rle8 || layout.compression == Rle4
                          ? readRunLength(file, layout, sums)
                          : readPlain(file, layout, sums);
    if (damaged)
        *damaged = !read;
    return read ? sums.image() : QImage();
}

} // namespace ImageNaviBitmap
