#include "scriptedprompter.h"
#include "winsvc/bg.h"
#include "winsvc/msubclass.h"
#include "winsvc/splitter.h"

#include <QFile>
#include <QMainWindow>
#include <QMdiArea>
#include <QRubberBand>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestBackground : public QObject
{
    Q_OBJECT

private slots:
    void tilePieces()
    {
        // An origin offset of 10 on a 64-pixel bitmap starts at source column 10, 54 wide.
        auto pieces = CTile::tilePieces(64, 32, 10, 0, QRect(0, 0, 150, 40));
        QCOMPARE(pieces.first(), (CTile::Piece{QRect(0, 0, 54, 32), QPoint(10, 0)}));
        QCOMPARE(pieces.at(1), (CTile::Piece{QRect(54, 0, 64, 32), QPoint(0, 0)}));
        QCOMPARE(pieces.at(2), (CTile::Piece{QRect(118, 0, 32, 32), QPoint(0, 0)}));
        QCOMPARE(pieces.at(3), (CTile::Piece{QRect(0, 32, 54, 8), QPoint(10, 0)}));
        QCOMPARE(pieces.size(), 6);
        // An area smaller than one tile gets one cut piece.
        pieces = CTile::tilePieces(64, 64, 0, 0, QRect(5, 5, 20, 10));
        QCOMPARE(pieces.size(), 1);
        QCOMPARE(pieces.first(), (CTile::Piece{QRect(5, 5, 20, 10), QPoint(5, 5)}));
        QVERIFY(CTile::tilePieces(0, 64, 0, 0, QRect(0, 0, 9, 9)).isEmpty());
    }

    void tileLoadsAndReports()
    {
        QTemporaryDir dir;
        ScriptedPrompter prompter;
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(QColor(10, 20, 30));
        image.setPixelColor(1, 1, QColor(192, 192, 192));
        const QString bitmap = dir.filePath("tile.bmp");
        QVERIFY(image.save(bitmap, "BMP"));

        CTile tile;
        tile.setFilename(bitmap);
        QCOMPARE(tile.Filename(), bitmap);
        QCOMPARE(tile.BitmapWidth(), 8);
        // The same name does not load again.
        tile.setPicture(QPixmap());
        tile.setFilename(bitmap);
        QVERIFY(!tile.hasBitmap());

        QFile notBitmap(dir.filePath("note.txt"));
        QVERIFY(notBitmap.open(QIODevice::WriteOnly));
        notBitmap.write("not a picture");
        notBitmap.close();
        CTile mapped;
        mapped.MapSystemColors = true;
        mapped.setFilename(notBitmap.fileName());
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().first().prompt,
                 QStringLiteral("Error: Load Picture with MapSystemColors Failed: Could not read "
                                "the bitmap file., 0"));
        QCOMPARE(prompter.calls().first().icon, 103);
        QCOMPARE(prompter.calls().first().title, QStringLiteral("ERROR"));
        QVERIFY(mapped.Filename().isEmpty());

        // Mapping turns the standard face grey into the palette's button colour.
        mapped.setFilename(bitmap);
        QCOMPARE(mapped.Picture().toImage().pixelColor(1, 1),
                 QApplication::palette().color(QPalette::Button));
    }

    void backgroundTilesTheMdiArea()
    {
        QTemporaryDir dir;
        ScriptedPrompter prompter;
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        image.setPixelColor(0, 0, Qt::blue);
        const QString bitmap = dir.filePath("tile.bmp");
        QVERIFY(image.save(bitmap, "BMP"));

        QMainWindow main;
        auto *area = new QMdiArea;
        main.setCentralWidget(area);
        main.resize(300, 200);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const QBrush original = area->background();

        BG background;
        background.Init(&main);
        QCOMPARE(background.paintedWindow(), area->viewport());
        // No bitmap: the solid back colour.
        background.setBackColor(0x00FF00);
        QImage shot = area->viewport()->grab().toImage();
        QCOMPARE(shot.pixelColor(10, 10), QColor(Qt::green));

        background.Tile().setFilename(bitmap);
        background.Refresh();
        shot = area->viewport()->grab().toImage();
        QCOMPARE(shot.pixelColor(0, 0), QColor(Qt::blue));
        QCOMPARE(shot.pixelColor(4, 4), QColor(Qt::blue));
        QCOMPARE(shot.pixelColor(5, 4), QColor(Qt::red));
        QCOMPARE(background.MsgResponse(), 1);

        background.Destroy();
        QVERIFY(!MSubClass::IsWatched(area->viewport()));
        QCOMPARE(area->background(), original);
    }

    void splitterClampsAtItsBorders()
    {
        const int vertical[4] = {64, 0, 64, 0};
        const Splitter::Edges limits{100, 50, 600, 450};
        // Inside the limits the band is 4 pixels wide, at a limit 5.
        QCOMPARE(Splitter::bandEdges(limits, vertical, 1, QPoint(300, 200)),
                 (Splitter::Edges{298, 50, 302, 450}));
        QCOMPARE(Splitter::bandEdges(limits, vertical, 1, QPoint(590, 200)),
                 (Splitter::Edges{534, 50, 539, 450}));
        QCOMPARE(Splitter::bandEdges(limits, vertical, 1, QPoint(0, 200)),
                 (Splitter::Edges{162, 50, 167, 450}));
        const int horizontal[4] = {0, 64, 0, 64};
        QCOMPARE(Splitter::bandEdges(limits, horizontal, 2, QPoint(300, 440)),
                 (Splitter::Edges{100, 384, 600, 389}));
        QCOMPARE(Splitter::clampDrop(limits, vertical, QPoint(900, 999)), QPoint(536, 450));

        QWidget container;
        container.resize(400, 300);
        auto *bar = new QWidget(&container);
        bar->setGeometry(100, 0, 4, 300);
        container.show();
        QVERIFY(QTest::qWaitForWindowExposed(&container));

        Splitter splitter;
        splitter.setSplitObject(bar);
        // An orientation change resets the borders and the pointer.
        splitter.setBorder(1, 5);
        splitter.setOrientation(2);
        QCOMPARE(splitter.Border(2), 64);
        QCOMPARE(bar->cursor().shape(), Qt::SizeVerCursor);
        splitter.setOrientation(1);
        QCOMPARE(splitter.Border(1), 64);
        QCOMPARE(bar->cursor().shape(), Qt::SizeHorCursor);

        QVERIFY(!splitter.SplitterFormMouseUp(QPoint(0, 0)));
        QCOMPARE(bar->x(), 100);

        // Dropping beyond the right limit leaves the bar at limit right - Border(3) - 2.
        QSignalSpy moved(&splitter, &Splitter::splitterMoved);
        splitter.SplitterMouseDown(&container, QPoint(1, 10));
        QVERIFY(splitter.isDragging());
        QVERIFY(splitter.rubberBand()->isVisible());
        splitter.SplitterFormMouseMove(container.mapToGlobal(QPoint(390, 10)));
        QCOMPARE(splitter.band().right - splitter.band().left, 5);
        QVERIFY(splitter.SplitterFormMouseUp(container.mapToGlobal(QPoint(390, 10))));
        QCOMPARE(bar->x(), 400 - 64 - 2);
        QCOMPARE(moved.count(), 1);
        QVERIFY(!splitter.rubberBand()->isVisible());

        // A real drag on the bar.
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(1, 10));
        QTest::mouseMove(bar, QPoint(-400, 10));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(-400, 10));
        QCOMPARE(bar->x(), 64 - 2);
    }
};

QTEST_MAIN(TestBackground)
#include "winsvc_background.moc"
