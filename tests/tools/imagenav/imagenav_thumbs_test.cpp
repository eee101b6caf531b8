#include "tools/imagenav/ImageNaviThumbs.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

using namespace ImageNaviThumbs;

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

        const QImage jpg = loadThumb(dir.filePath(QStringLiteral("wide.jpg")), {32, 32}, face);
        QCOMPARE(jpg.size(), QSize(ThumbBox, ThumbBox));
        QCOMPARE(QColor(jpg.pixel(0, 0)), face); // outside the picture
        QVERIFY(qAbs(QColor(jpg.pixel(47, 47)).red() - 255) < 8);
        QCOMPARE(QColor(jpg.pixel(47, 23)), face); // above the 92 x 46 picture at y 24

        const QImage dib = loadThumb(dir.filePath(QStringLiteral("small.dib")), {32, 32}, face);
        QCOMPARE(QColor(dib.pixel(27, 32)), QColor(Qt::blue));
        QCOMPARE(QColor(dib.pixel(26, 32)), face);

        const QImage ico = loadThumb(dir.filePath(QStringLiteral("Logo.ICO")), {32, 32}, face);
        QCOMPARE(QColor(ico.pixel(47, 47)), QColor(Qt::green));

        // Damaged and unknown files give no thumbnail rather than an error.
        QFile broken(dir.filePath(QStringLiteral("broken.jpg")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        wide.save(&buffer, "JPG");
        broken.write(bytes.left(40));
        broken.close();
        QVERIFY(loadThumb(broken.fileName(), {32, 32}, face).isNull());
        QFile garbage(dir.filePath(QStringLiteral("drawing.wmf")));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("not a picture at all");
        garbage.close();
        QVERIFY(loadThumb(garbage.fileName(), {32, 32}, face).isNull());
        QVERIFY(loadThumb(dir.filePath(QStringLiteral("missing.bmp")), {32, 32}, face).isNull());
    }
};

QTEST_MAIN(TestThumbs)
#include "imagenav_thumbs_test.moc"
