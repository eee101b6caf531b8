#include "tools/telnet/TelnetScreenView.h"

#include <QFontInfo>
#include <QImage>
#include <QtTest>

namespace {

void feed(TelnetScreenView &view, const QByteArray &bytes)
{
    view.writeData(bytes.constData(), bytes.size());
}

QImage snapshot(TelnetScreenView &view)
{
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QColor cellCentre(const QImage &image, const TelnetScreenView &view, int row, int column)
{
    return image.pixelColor(view.cellRect(row, column).center());
}

// Whether any pixel of the cell differs from its background colour.
bool hasInk(const QImage &image, const TelnetScreenView &view, int row, int column,
            const QColor &background)
{
    const QRect cell = view.cellRect(row, column);
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (image.pixelColor(x, y) != background)
                return true;
    return false;
}

} // namespace

class TelnetViewTest : public QObject
{
    Q_OBJECT

private slots:
    void initialisationSizesTheScreen();
    void cursorBlinksAndSuspends();
    void paintsColoursAndCursor();
    void repaintMatchesLiveDrawing();
    void reverseScreenAndWideText();
};

void TelnetViewTest::initialisationSizesTheScreen()
{
    TelnetScreenView view;
    QVERIFY(!view.isTerminalReady());
    feed(view, "\x1b[5;5Hold");
    view.InitTerminal();
    QVERIFY(view.isTerminalReady());
    QVERIFY(QFontInfo(view.font()).fixedPitch() || view.cellWidth() > 0);
    QVERIFY(view.cellWidth() >= 4);
    QVERIFY(view.cellHeight() >= view.cellWidth());
    QCOMPARE(view.sizeHint(), QSize(qRound(80 * view.cellWidth()), qRound(25 * view.cellHeight())));
    QCOMPARE(view.size(), view.sizeHint());
    // Every connection starts on a cleared screen with the cursor at home.
    QCOMPARE(QByteArray::fromStdString(view.screen().ScreenText(4)).left(8).trimmed(),
             QByteArray());
    QCOMPARE(view.screen().CursorRow(), 0);
    QVERIFY(view.cursorDrawn());
}

void TelnetViewTest::cursorBlinksAndSuspends()
{
    TelnetScreenView view;
    view.InitTerminal();
    QVERIFY(view.cursorDrawn());
    view.CursorBlink();
    QVERIFY(!view.cursorDrawn());
    view.CursorBlink();
    QVERIFY(view.cursorDrawn());

    // A batch hides the cursor and shows it again only if it was shown.
    view.CursorSuspend(true);
    QVERIFY(!view.cursorDrawn());
    view.CursorSuspend(false);
    QVERIFY(view.cursorDrawn());
    view.CursorHide();
    view.CursorSuspend(true);
    view.CursorSuspend(false);
    QVERIFY(!view.cursorDrawn());

    // The timer blinks every 300 ms, but not while a batch is being processed.
    view.CursorShow();
    QTRY_VERIFY_WITH_TIMEOUT(!view.cursorDrawn(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(view.cursorDrawn(), 1000);
    view.setBusy(true);
    QTest::qWait(700);
    QVERIFY(view.cursorDrawn());
    view.setBusy(false);
    QTRY_VERIFY_WITH_TIMEOUT(!view.cursorDrawn(), 1000);
}

void TelnetViewTest::paintsColoursAndCursor()
{
    TelnetScreenView view;
    view.InitTerminal();
    view.CursorHide();
    feed(view, "\x1b[41m \x1b[44m \x1b[43m \x1b[7m \x1b[0m\x1b[1mW\x1b(0q\x1b(B \x1b[2;1H");
    QImage image = snapshot(view);
    QCOMPARE(cellCentre(image, view, 0, 0), QColor(128, 0, 0));
    QCOMPARE(cellCentre(image, view, 0, 1), QColor(0, 0, 128));
    QCOMPARE(cellCentre(image, view, 0, 2), QColor(255, 255, 0));
    QCOMPARE(cellCentre(image, view, 0, 3), QColor(255, 255, 255)); // reverse of white on yellow
    QVERIFY(hasInk(image, view, 0, 4, Qt::black));
    QVERIFY(hasInk(image, view, 0, 5, Qt::black)); // a line, not the letter's absence
    QVERIFY(!hasInk(image, view, 0, 6, Qt::black));
    QCOMPARE(cellCentre(image, view, 3, 3), QColor(Qt::black));

    // The block cursor inverts its cell.
    view.CursorShow();
    image = snapshot(view);
    QCOMPARE(cellCentre(image, view, 1, 0), QColor(Qt::white));
    view.CursorHide();
    image = snapshot(view);
    QCOMPARE(cellCentre(image, view, 1, 0), QColor(Qt::black));

    // After a full clear in blue, text in the default colours and the room around the
    // screen are blue, until the next connection.
    QSignalSpy surround(&view, &TelnetScreenView::windowColorsChanged);
    feed(view, "\x1b[44m\x1b[2J\x1b[0mx");
    QTRY_COMPARE(surround.size(), 1);
    QCOMPARE(snapshot(view).pixelColor(view.cellRect(0, 0).topLeft()), QColor(0, 0, 128));
    view.InitTerminal();
    QCOMPARE(surround.last().first().value<QColor>(), QColor(Qt::black));
}

void TelnetViewTest::repaintMatchesLiveDrawing()
{
    const QByteArray stream =
        "\x1b[1;31mred\x1b[0m plain\r\n\x1b[44m\x1b[K\x1b[33;1mbold yellow"
        "\x1b[m\r\n\x1b[4munder\x1b[m\x1b(0lqqk\x1b(B\x1b[5;20r\x1b[20;1H\n\n";
    TelnetScreenView live;
    live.InitTerminal();
    live.CursorHide();
    live.show();
    for (char b : stream) {
        live.ProcessChar(uint8_t(b));
        QCoreApplication::processEvents();
    }
    live.hide(); // nothing is drawn while hidden; showing it again paints from the buffers
    live.show();
    live.RepaintScreen();

    TelnetScreenView whole;
    whole.InitTerminal();
    whole.CursorHide();
    feed(whole, stream);
    QCOMPARE(snapshot(live), snapshot(whole));
}

void TelnetViewTest::reverseScreenAndWideText()
{
    TelnetScreenView view;
    view.screen().setUtf8(true);
    view.InitTerminal();
    view.CursorHide();
    // Characters beyond Latin-1 keep to their cells: the one after them is drawn where it
    // belongs.
    feed(view, "\xe2\x82\xac\xd0\x96\xe2\x94\x80x \x1b[41m \x1b[0m\x1b(A#");
    QImage image = snapshot(view);
    for (int column = 0; column < 4; ++column)
        QVERIFY2(hasInk(image, view, 0, column, Qt::black), qPrintable(QString::number(column)));
    QVERIFY(!hasInk(image, view, 0, 4, Qt::black));
    QCOMPARE(cellCentre(image, view, 0, 5), QColor(128, 0, 0));
    QVERIFY(hasInk(image, view, 0, 6, Qt::black)); // the pound sign

    // The reversed screen swaps every cell's colours, blank ones included, and back.
    feed(view, "\x1b[?5h");
    QTRY_COMPARE(cellCentre(snapshot(view), view, 10, 10), QColor(Qt::white));
    image = snapshot(view);
    QCOMPARE(cellCentre(image, view, 0, 5), QColor(Qt::white)); // white text on red, reversed
    feed(view, "\x1b[?5l");
    QTRY_COMPARE(cellCentre(snapshot(view), view, 10, 10), QColor(Qt::black));
}

QTEST_MAIN(TelnetViewTest)
#include "telnet_view_test.moc"
