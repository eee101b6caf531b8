#include "editor/findshape.h"

#include <QTest>

// The find window's outline: three rounded rectangles joined, scaled and shifted.
class TestFindShape : public QObject
{
    Q_OBJECT

private slots:
    void outlineHoldsItsPartsAndNotItsCorners()
    {
        const QRegion shape = FindShape::makeShape(1.0, 1.0, 0, 0);
        // body, button column, close tab
        QVERIFY(shape.contains(QPoint(100, 100)));
        QVERIFY(shape.contains(QPoint(300, 130)));
        QVERIFY(shape.contains(QPoint(245, 20)));
        // the corners of the window and the gaps between the parts
        QVERIFY(!shape.contains(QPoint(0, 0)));
        QVERIFY(!shape.contains(QPoint(320, 20)));
        QVERIFY(!shape.contains(QPoint(5, 230)));
        QVERIFY(!shape.contains(QPoint(300, 230)));
        QVERIFY(!shape.contains(QPoint(36, 19))); // a rounded corner cuts the body's box
        QVERIFY(!shape.contains(QPoint(325, 69)));
        // right and bottom edges are outside, as with the window system's regions
        QVERIFY(!shape.contains(QPoint(326, 130)));
        QVERIFY(!shape.contains(QPoint(150, 237)));
        QVERIFY(shape.contains(QPoint(150, 236)));
        QCOMPARE(shape.boundingRect(), QRect(35, 15, 291, 222));
    }

    void scaleAndOffsetMoveTheOutline()
    {
        const QRegion shifted = FindShape::makeShape(1.0, 1.0, 10, 5);
        QCOMPARE(shifted, FindShape::makeShape(1.0, 1.0, 0, 0).translated(10, 5));

        const QRegion doubled = FindShape::makeShape(2.0, 2.0, 0, 0);
        QCOMPARE(doubled.boundingRect(), QRect(70, 30, 582, 444));
        QVERIFY(doubled.contains(QPoint(600, 260)));

        // 12 twips per pixel is a 1.25 scale
        QCOMPARE(FindShape::makeShape(1.0, 1.0, 0, 0, 12, 12),
                 FindShape::makeShape(1.25, 1.25, 0, 0));
    }
};

QTEST_MAIN(TestFindShape)
#include "editor_find_shape.moc"
