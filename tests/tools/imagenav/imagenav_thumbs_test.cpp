#include "tools/imagenav/ImageNaviBitmap.h"
#include "tools/imagenav/ImageNaviThumbs.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace ImageNaviThumbs;

namespace {

// A bitmap file of a header of infoSize bytes (channel masks at its end when given), palette
// and rows as they are stored.
QByteArray bitmapFile(QSize size, int depth, quint32 compression, quint32 infoSize,
                      const QList<quint32> &masks, const QList<QRgb> &palette,
                      const QByteArray &rows)
{
    QByteArray info;
    QDataStream out(&info, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << infoSize << qint32(size.width()) << qint32(size.height()) << quint16(1) << quint16(depth)
        << compression << quint32(rows.size()) << quint64(0) << quint32(palette.size())
        << quint32(0);
    for (const quint32 mask : masks)
        out << mask;
    info += QByteArray(std::max<qsizetype>(0, infoSize - info.size()), '\0');
    for (const QRgb colour : palette)
        info += QByteArray::fromRawData(reinterpret_cast<const char *>(&colour), 4);
    QByteArray head;
    QDataStream(&head, QIODevice::WriteOnly) << quint16(0x424D);
    QDataStream fields(&head, QIODevice::Append);
    fields.setByteOrder(QDataStream::LittleEndian);
    fields << quint32(14 + info.size() + rows.size()) << quint32(0) << quint32(14 + info.size());
    return head + info + rows;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestThumbs : public QObject
{
    Q_OBJECT

private slots:
    void fitsPicturesIntoTheBox()
    {
        // Small pictures are never enlarged, only centred.
        QCOMPARE(thumbRect(QSize(40, 30)), QRect(27, 32, 40, 30));
        QCOMPARE(thumbRect(QSize(92, 92)), QRect(1, 1, 92, 92));
        // The longer side becomes 92 and the proportions stay.
        QCOMPARE(thumbRect(QSize(200, 100)), QRect(1, 24, 92, 46));
        QCOMPARE(thumbRect(QSize(100, 200)), QRect(24, 1, 46, 92));
        // 92 x 93 is scaled by 92 / 93: 91.01 x 92.
        QCOMPARE(thumbRect(QSize(92, 93)), QRect(1, 1, 91, 92));
        // A one-pixel line stays visible.
        QCOMPARE(thumbRect(QSize(5000, 1)).height(), 1);
        QVERIFY(thumbRect(QSize(0, 10)).isEmpty());
    }

    void roundsHalvesToEven()
    {
        QCOMPARE(roundHalfEven(1.5), 2);
        QCOMPARE(roundHalfEven(2.5), 2);
        QCOMPARE(roundHalfEven(2.75), 3);
        QCOMPARE(roundHalfEven(2.25), 2);
        QCOMPARE(roundHalfEven(0.5), 0);
    }

    void countsRows()
    {
        QCOMPARE(thumbRowCount(10, 4), 3);
        QCOMPARE(thumbRowCount(12, 4), 4); // 2.75 rounds to 3: an empty last row
        QCOMPARE(thumbRowCount(7, 4), 3);  // 1.5 rounds to 2
        QCOMPARE(thumbRowCount(4, 4), 1);
        QCOMPARE(thumbRowCount(3, 4), 1);
        QCOMPARE(thumbRowCount(5, 0), 5); // zero columns count as one
        // There are always enough cells for every file.
        for (int columns = 1; columns <= 12; ++columns) {
            for (int files = 1; files <= 200; ++files)
                QVERIFY(thumbRowCount(files, columns) * columns >= files);
        }
    }

    void describesSizes()
    {
        QCOMPARE(sizeText(1023), QStringLiteral("1023 Bytes - [ Less than 1 KB]"));
        QCOMPARE(sizeText(1024), QStringLiteral("1024 Bytes - [ 1 KB]"));
        QCOMPARE(sizeText(1535), QStringLiteral("1535 Bytes - [ 1 KB]"));
        QCOMPARE(sizeText(2048), QStringLiteral("2048 Bytes - [ 2 KB]"));
        QCOMPARE(pictureDescription(QStringLiteral("/p/a.bmp"), 500),
                 QStringLiteral("Image name is : /p/a.bmp\r\nFile size is : 500 Bytes - [ Less "
                                "than 1 KB]"));
    }

    void picksIconsByName()
    {
        QVERIFY(loadsAsIcon(QStringLiteral("Logo.ICO")));
        QVERIFY(loadsAsIcon(QStringLiteral("my.icons.bmp")));
        QVERIFY(loadsAsIcon(QStringLiteral("arrow.cur")));
        QVERIFY(!loadsAsIcon(QStringLiteral("photo.jpg")));
    }

    void readsBitmapsOfEveryDepthScaledDown()
    {
        // Four quarters of a colour each, halved: each thumbnail pixel must be what the
        // general reader sees at the place it stands for.
        QImage picture(184, 184, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QPainter(&picture).fillRect(92, 0, 92, 92, Qt::green);
        QPainter(&picture).fillRect(0, 92, 92, 92, Qt::blue);
        QPainter(&picture).fillRect(92, 92, 92, 92, Qt::white);
        QList<QByteArray> files;
        for (const QImage &kind :
             {picture, picture.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither),
              picture.convertToFormat(QImage::Format_Indexed8), picture.mirrored()}) {
            QBuffer buffer; // 24, 1 and 4 bits a pixel as the image writer stores them
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(kind.save(&buffer, "BMP"));
            files.append(buffer.data());
        }
        // The mirrored one with its rows stored from the top: the height is negative.
        files.last().replace(22, 4, QByteArray::fromHex("48ffffff"));
        // 16 bits in 5-6-5 and 32 bits with alpha, by channel masks; the last quarter clear.
        QByteArray rows16, rows32;
        for (int y = 183; y >= 0; --y) {
            for (int x = 0; x < 184; ++x) {
                const QRgb c = picture.pixel(x, y);
                const quint16 word = (qRed(c) >> 3) << 11 | (qGreen(c) >> 2) << 5 | qBlue(c) >> 3;
                rows16 += QByteArray::fromRawData(reinterpret_cast<const char *>(&word), 2);
                const QRgb clear = x >= 92 && y >= 92 ? 0 : c;
                rows32 += QByteArray::fromRawData(reinterpret_cast<const char *>(&clear), 4);
            }
        }
        files.append(bitmapFile({184, 184}, 16, 3, 40, {0xF800, 0x07E0, 0x1F}, {}, rows16));
        files.append(
            bitmapFile({184, 184}, 32, 3, 124, {0xFF0000, 0xFF00, 0xFF, 0xFF000000u}, {}, rows32));

        QTemporaryDir dir;
        for (int i = 0; i < files.size(); ++i) {
            const QString path = dir.filePath(QStringLiteral("%1.bmp").arg(i));
            writeFile(path, files.at(i));
            const QImage whole(path);
            const QImage thumb = ImageNaviBitmap::readScaled(path, {92, 92});
            QVERIFY2(!whole.isNull() && thumb.size() == QSize(92, 92), qPrintable(path));
            // The general reader widens 5 and 6 bit channels a little short of full.
            for (const QPoint at : {QPoint(0, 0), QPoint(91, 45), QPoint(45, 46), QPoint(91, 91)}) {
                const QRgb a = thumb.pixel(at), b = whole.pixel(at * 2);
                QVERIFY2(qAbs(qRed(a) - qRed(b)) < 8 && qAbs(qGreen(a) - qGreen(b)) < 8 &&
                             qAbs(qBlue(a) - qBlue(b)) < 8 && qAlpha(a) == qAlpha(b),
                         qPrintable(path));
            }
        }
    }

    void readsRunLengthCodedBitmaps()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("coded.rle"));
        const QList<QRgb> palette{qRgb(0, 0, 0), qRgb(200, 0, 0), qRgb(0, 0, 200)};
        // 4 x 3 by bytes: a jump 2 right and 1 up, a run of two of colour 2, end of row, three
        // colours as they stand (padded), end of picture. Skipped pixels keep colour 0.
        const QByteArray codes = QByteArray::fromHex("0002 0201 0202 0000 0003 0102 0100 0001");
        writeFile(path, bitmapFile({4, 3}, 8, 1, 40, {}, palette, codes));
        QImage read = ImageNaviBitmap::readScaled(path, {4, 3});
        const QList<QRgb> expected{palette[1], palette[2], palette[1], palette[0], // top row
                                   palette[0], palette[0], palette[2], palette[2],
                                   palette[0], palette[0], palette[0], palette[0]};
        for (int i = 0; i < 12; ++i)
            QCOMPARE(read.pixel(i % 4, i / 4), expected.at(i));
        // Halved across, a pixel is the average of the two it stands for.
        QCOMPARE(ImageNaviBitmap::readScaled(path, {2, 3}).pixel(0, 0), qRgb(100, 0, 100));
        // Four bits a pixel: three as they stand, a run of one.
        const QByteArray nibbles = QByteArray::fromHex("0003 1020 0120 0001");
        writeFile(path, bitmapFile({4, 1}, 4, 2, 40, {}, palette, nibbles));
        read = ImageNaviBitmap::readScaled(path, {4, 1});
        QCOMPARE(read.pixel(1, 0), palette[0]);
        QCOMPARE(read.pixel(3, 0), palette[2]);
        // A code that stops before the picture ends is damaged.
        writeFile(path, bitmapFile({4, 3}, 8, 1, 40, {}, palette, codes.left(6)));
        QVERIFY(ImageNaviBitmap::readScaled(path, {4, 3}).isNull());
    }

    void largeBitmapsGetTheirThumbnail()
    {
        // 9000 x 9000 at 24 bits: 243 MB decoded, past the image reader's limit. A sparse
        // file, black but for a red band over the top 100 rows.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("huge.bmp"));
        const qint64 stride = 9000 * 3;
        const QByteArray header = bitmapFile({9000, 9000}, 24, 0, 40, {}, {}, {});
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(header.size() + stride * 9000));
        file.write(header);
        const QByteArray red = QByteArray::fromHex("0000ff").repeated(9000);
        for (int y = 0; y < 100; ++y) {
            QVERIFY(file.seek(header.size() + (8999 - y) * stride));
            file.write(red);
        }
        file.close();
        const QColor face(212, 208, 200);
        const QImage thumb = loadThumb(QFile::encodeName(path), {32, 32}, face);
        QVERIFY(!thumb.isNull());
        QCOMPARE(QColor(thumb.pixel(47, 1)), QColor(Qt::red));
        QCOMPARE(QColor(thumb.pixel(47, 47)), QColor(Qt::black));
        QCOMPARE(QColor(thumb.pixel(0, 47)), face);
        // The same picture cut short is damaged.
        QVERIFY(QFile::resize(path, header.size() + stride * 10));
        QVERIFY(loadThumb(QFile::encodeName(path), {32, 32}, face).isNull());
    }

    void loadsFilesIntoThumbnails()
    {
        QTemporaryDir dir;
        const QColor face(212, 208, 200);
        QImage wide(400, 200, QImage::Format_RGB32);
        wide.fill(Qt::red);
        QVERIFY(wide.save(dir.filePath(QStringLiteral("wide.jpg")), "JPG"));
        // A bitmap under the .dib name is read by its content.
        QImage small(40, 30, QImage::Format_RGB32);
        small.fill(Qt::blue);
        QVERIFY(small.save(dir.filePath(QStringLiteral("small.dib")), "BMP"));
        QImage icon(48, 48, QImage::Format_ARGB32);
        icon.fill(Qt::green);
        QVERIFY(icon.save(dir.filePath(QStringLiteral("Logo.ICO")), "ICO"));

        const auto load = [&dir, face](const char *name) {
            return loadThumb(QFile::encodeName(dir.filePath(QLatin1String(name))), {32, 32}, face);
        };
        const QImage jpg = load("wide.jpg");
        QCOMPARE(jpg.size(), QSize(ThumbBox, ThumbBox));
        QCOMPARE(QColor(jpg.pixel(0, 0)), face); // outside the picture
        QVERIFY(qAbs(QColor(jpg.pixel(47, 47)).red() - 255) < 8);
        QCOMPARE(QColor(jpg.pixel(47, 23)), face); // above the 92 x 46 picture at y 24

        // A progressive photo, whose decoder needs more memory, reads the same.
        QImageWriter progressive(dir.filePath(QStringLiteral("progressive.jpg")), "JPG");
        progressive.setProgressiveScanWrite(true);
        QVERIFY(progressive.write(wide));
        QVERIFY(qAbs(QColor(load("progressive.jpg").pixel(47, 47)).red() - 255) < 8);

        const QImage dib = load("small.dib");
        QCOMPARE(QColor(dib.pixel(27, 32)), QColor(Qt::blue));
        QCOMPARE(QColor(dib.pixel(26, 32)), face);

        const QImage ico = load("Logo.ICO");
        QCOMPARE(QColor(ico.pixel(47, 47)), QColor(Qt::green));

        // A picture cut short is damaged: a photo, progressive or not, a small bitmap and one
        // scaled down, each cut in half. Whole, with bytes after their end, they still read.
        QVERIFY(wide.save(dir.filePath(QStringLiteral("wide.bmp")), "BMP"));
        for (const char *name : {"wide.jpg", "progressive.jpg", "small.dib", "wide.bmp"}) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::ReadWrite));
            const qint64 size = file.readAll().size();
            file.write("trailing bytes");
            file.close();
            QVERIFY2(!load(name).isNull(), name);
            QVERIFY(QFile::resize(file.fileName(), size / 2));
            QVERIFY2(load(name).isNull(), name);
        }

        // Damaged and unknown files give no thumbnail rather than an error.
        QFile broken(dir.filePath(QStringLiteral("broken.jpg")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        wide.save(&buffer, "JPG");
        broken.write(bytes.left(40));
        broken.close();
        QVERIFY(load("broken.jpg").isNull());
        QFile garbage(dir.filePath(QStringLiteral("drawing.wmf")));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("not a picture at all");
        garbage.close();
        QVERIFY(load("drawing.wmf").isNull());
        QVERIFY(load("missing.bmp").isNull());
    }
};

QTEST_MAIN(TestThumbs)
#include "imagenav_thumbs_test.moc"
