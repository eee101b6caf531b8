#include "shell/msgboxshape.h"

#include <QtTest>

class MsgBoxShapeTest : public QObject
{
    Q_OBJECT

private slots:
    void pointsAtScaleOne_data();
    void pointsAtScaleOne();
    void largerTwipsScaleEveryCoordinate();
    void roundsHalvesToEven();
    void offsetShiftsTheWholeOutline();
    void fitsTheWindow();
};

void MsgBoxShapeTest::pointsAtScaleOne_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("inside");
    QTest::newRow("close-mark corner") << QPoint(20, 20) << true;
    QTest::newRow("body") << QPoint(300, 100) << true;
    QTest::newRow("right bar added back") << QPoint(470, 120) << true;
    QTest::newRow("upper notch added back") << QPoint(460, 87) << true;
    QTest::newRow("drag tab") << QPoint(427, 30) << true;
    QTest::newRow("top-left corner") << QPoint(5, 5) << false;
    QTest::newRow("cut by the inner slot") << QPoint(460, 120) << false;
    QTest::newRow("cut by the right edge") << QPoint(500, 115) << false;
    QTest::newRow("below the body") << QPoint(100, 190) << false;
    QTest::newRow("last row of the body") << QPoint(300, 199) << true;
    QTest::newRow("bottom edge is exclusive") << QPoint(300, 200) << false;
}

void MsgBoxShapeTest::pointsAtScaleOne()
{
    QFETCH(QPoint, point);
    QFETCH(bool, inside);
    QCOMPARE(MsgBoxShape::makeShape(1.0, 1.0, 0, 0).contains(point), inside);
}

void MsgBoxShapeTest::largerTwipsScaleEveryCoordinate()
{
    // 12 twips to the pixel stretches the outline by 1.25.
    const QRegion scaled = MsgBoxShape::makeShape(1.0, 1.0, 0, 0, 12, 12);
    const QRegion plain = MsgBoxShape::makeShape(1.0, 1.0, 0, 0);
    const struct
    {
        QPoint point;
        bool inside;
    } cases[] = {{{20, 20}, true}, {{300, 100}, true},  {{470, 120}, true}, {{460, 87}, true},
                 {{5, 5}, false},  {{460, 120}, false}, {{500, 115}, false}};
    for (const auto &c : cases) {
        const QPoint stretched(qRound(c.point.x() * 1.25), qRound(c.point.y() * 1.25));
        QVERIFY2(scaled.contains(stretched) == c.inside, qPrintable(QTest::toString(c.point)));
    }
    // The body's left edge: x = 31 at scale 1, 38.75 -> 39 here.
    QVERIFY(plain.contains(QPoint(31, 100)) && !plain.contains(QPoint(30, 100)));
    QVERIFY(scaled.contains(QPoint(39, 125)) && !scaled.contains(QPoint(38, 125)));
    QVERIFY(scaled.boundingRect().width() > plain.boundingRect().width() * 1.2);
}

void MsgBoxShapeTest::roundsHalvesToEven()
{
    // The body's left edge 31 x 1.5 = 46.5 rounds to 46, not 47.
    const QRegion shape = MsgBoxShape::makeShape(1.5, 1.0, 0, 0);
    QVERIFY(shape.contains(QPoint(46, 100)));
    QVERIFY(!shape.contains(QPoint(45, 100)));
}

void MsgBoxShapeTest::offsetShiftsTheWholeOutline()
{
    const QRegion shifted = MsgBoxShape::makeShape(1.0, 1.0, 10, -4);
    QCOMPARE(shifted, MsgBoxShape::makeShape(1.0, 1.0, 0, 0).translated(10, -4));
}

void MsgBoxShapeTest::fitsTheWindow()
{
    const QRect bounds = MsgBoxShape::makeShape(1.0, 1.0, 0, 0).boundingRect();
    QVERIFY(QRect(0, 0, MsgBoxShape::Width, MsgBoxShape::Height).contains(bounds));
    QCOMPARE(bounds.topLeft(), QPoint(9, 8));
    QCOMPARE(bounds.bottom(), 199);
}

QTEST_APPLESS_MAIN(MsgBoxShapeTest)
#include "shell_msgboxshape_test.moc"
