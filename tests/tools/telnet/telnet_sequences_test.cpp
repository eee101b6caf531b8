#include "tools/telnet/Telnet.h"

#include <QtTest>

namespace {

void feed(Telnet &screen, const QByteArray &bytes)
{
    screen.write(bytes.constData(), bytes.size());
}

QByteArray text(const Telnet &screen, int row)
{
    return QByteArray::fromStdString(screen.ScreenText(row)).trimmed();
}

QByteArray attrs(const Telnet &screen, int row)
{
    return QByteArray::fromStdString(screen.ScreenAttr(row));
}

// The characters of a row as the window shows them.
QString shown(const Telnet &screen, int row)
{
    QString out;
    for (int c = 0; c < Telnet::Columns; ++c) {
        const char32_t ch = screen.character(row, c);
        out += QString::fromUcs4(&ch, 1);
    }
    return out.trimmed();
}

QByteArray numberedRows()
{
    QByteArray out;
    for (int r = 0; r < Telnet::Rows; ++r)
        out += "row" + QByteArray::number(r) + (r < Telnet::Rows - 1 ? "\r\n" : "");
    return out;
}

} // namespace

class TelnetSequencesTest : public QObject
{
    Q_OBJECT

private slots:
    void printingAndWrapping();
    void lineFeedAndScrolling();
    void scrollRegion();
    void tabStops();
    void cursorMovement();
    void erasing();
    void attributes();
    void characterSets();
    void reverseScreen();
    void utf8Text();
    void controlsAreNotDrawn();
    void longAndOddSequences();
    void telnetCommandByte();
    void saveAndRestore();
    void initialisationKeepsTabsAndSavedCursor();
    void dirtyRowsAndRuns();
};

void TelnetSequencesTest::printingAndWrapping()
{
    Telnet screen;
    feed(screen, QByteArray(79, 'a') + "Z");
    QCOMPARE(screen.CursorCol(), 79);
    QCOMPARE(screen.ScreenText(0)[79], 'Z');
    // The next character wraps, as hosts that think they talk to a VT100 expect.
    feed(screen, "b");
    QCOMPARE(screen.CursorRow(), 1);
    QCOMPARE(screen.CursorCol(), 1);
    QCOMPARE(text(screen, 1), QByteArray("b"));

    // With wrapping switched off, characters at the margin replace the last cell.
    Telnet noWrap;
    feed(noWrap, "\x1b[?7l" + QByteArray(80, 'a') + "XY");
    QCOMPARE(noWrap.CursorRow(), 0);
    QCOMPARE(noWrap.CursorCol(), 79);
    QCOMPARE(noWrap.ScreenText(0)[79], 'Y');
    QCOMPARE(noWrap.ScreenText(0)[78], 'a');
    QCOMPARE(text(noWrap, 1), QByteArray());

    // A carriage return at the margin cancels the pending wrap.
    Telnet cr;
    feed(cr, QByteArray(80, 'a') + "\rB");
    QCOMPARE(cr.ScreenText(0)[0], 'B');
    QCOMPARE(cr.CursorRow(), 0);
}

void TelnetSequencesTest::lineFeedAndScrolling()
{
    Telnet screen;
    feed(screen, "ab\ncd\x0b"
                 "e\x0c"
                 "f");
    QCOMPARE(screen.CursorRow(), 3);
    QCOMPARE(text(screen, 1), QByteArray("cd"));
    QCOMPARE(QByteArray::fromStdString(screen.ScreenText(1)).left(4), QByteArray("  cd"));

    Telnet full;
    feed(full, numberedRows() + "\x1b[1;31mx\r\n");
    QCOMPARE(full.CursorRow(), 24);
    QCOMPARE(text(full, 0), QByteArray("row1"));
    QCOMPARE(text(full, 23), QByteArray("row24x"));
    QCOMPARE(text(full, 24), QByteArray());
    QCOMPARE(attrs(full, 24), QByteArray(80, '0'));

    // Index and next line stop at the last row: nothing scrolls. Reverse index scrolls
    // back at the top.
    feed(full, "\x1b[24;3H\x1b"
               "D\x1b"
               "Dz\x1b[H\x1bM\x1b[25;5H\x1b"
               "Eq");
    QCOMPARE(text(full, 0), QByteArray());
    QCOMPARE(text(full, 1), QByteArray("row1"));
    QCOMPARE(text(full, 24), QByteArray("qow24x"));
}

void TelnetSequencesTest::scrollRegion()
{
    Telnet screen;
    feed(screen, numberedRows() + "\x1b[5r\x1b[25;1H\n");
    QCOMPARE(screen.scrollTop(), 4);
    QCOMPARE(screen.scrollBottom(), 24);
    for (int r = 0; r < 4; ++r)
        QCOMPARE(text(screen, r), "row" + QByteArray::number(r));
    QCOMPARE(text(screen, 4), QByteArray("row5"));
    QCOMPARE(text(screen, 24), QByteArray());

    // A region without arguments is the whole screen again (not row -1); the cursor stays.
    feed(screen, "\x1b[3;7H\x1b[r");
    QCOMPARE(screen.scrollTop(), 0);
    QCOMPARE(screen.scrollBottom(), 24);
    QCOMPARE(screen.CursorRow(), 2);
    feed(screen, "\x1b[25;1H\n");
    QCOMPARE(text(screen, 0), QByteArray("row1"));

    Telnet middle;
    feed(middle, numberedRows() + "\x1b[5;10r\x1b[10;1H\n\x1b[24;1H\n");
    QCOMPARE(text(middle, 4), QByteArray("row5"));
    QCOMPARE(text(middle, 9), QByteArray());
    QCOMPARE(text(middle, 10), QByteArray("row10"));
    QCOMPARE(middle.CursorRow(), 24); // below the region: no scrolling, no moving
    QCOMPARE(text(middle, 24), QByteArray("row24"));

    Telnet origin; // the cursor keeps inside the region: a new one takes it to its top
    feed(origin, "\x1b[5;10r\x1b[?6h\x1b[Hx\x1b[99;1Hy\x1b[12;20rz");
    QCOMPARE(text(origin, 4), QByteArray("x"));
    QCOMPARE(text(origin, 9), QByteArray("y"));
    QCOMPARE(text(origin, 11), QByteArray("z"));

    Telnet invalid;
    feed(invalid, "\x1b[20;5r");
    QCOMPARE(invalid.scrollTop(), 0);
    QCOMPARE(invalid.scrollBottom(), 24);
}

void TelnetSequencesTest::tabStops()
{
    Telnet screen;
    feed(screen, "a\tb\tc");
    QCOMPARE(QByteArray::fromStdString(screen.ScreenText(0)).left(17),
             QByteArray("a       b       c"));

    // With every stop cleared a tab goes to the last column, never back to column 0.
    feed(screen, "\x1b[3g\r\t");
    QCOMPARE(screen.CursorCol(), 79);

    feed(screen, "\x1b[1;5H\x1bH\x1b[1;30H\x1bH\r\t");
    QCOMPARE(screen.CursorCol(), 4);
    feed(screen, "\t");
    QCOMPARE(screen.CursorCol(), 29);
    feed(screen, "\x1b[g\r\t\t");
    QCOMPARE(screen.CursorCol(), 79);

    // Any number of stops can be set.
    Telnet many;
    feed(many, "\x1b[3g");
    for (int c = 0; c < 79; ++c)
        feed(many, "\x1bH ");
    feed(many, "\r\t\t\t");
    QCOMPARE(many.CursorCol(), 3);
}

void TelnetSequencesTest::cursorMovement()
{
    Telnet screen;
    feed(screen, "\x1b[5;10H");
    QCOMPARE(screen.CursorRow(), 4);
    QCOMPARE(screen.CursorCol(), 9);
    feed(screen, "\x1b[H");
    QCOMPARE(screen.CursorRow(), 0);
    QCOMPARE(screen.CursorCol(), 0);
    feed(screen, "\x1b[99;99H");
    QCOMPARE(screen.CursorRow(), 24);
    QCOMPARE(screen.CursorCol(), 79);
    feed(screen, "\x1b[A");
    QCOMPARE(screen.CursorRow(), 23);
    feed(screen, "\x1b[0A");
    QCOMPARE(screen.CursorRow(), 22);
    feed(screen, "\x1b[30A");
    QCOMPARE(screen.CursorRow(), 0);
    feed(screen, "\x1b[3B\x1b[4D\x1b[2C");
    QCOMPARE(screen.CursorRow(), 3);
    QCOMPARE(screen.CursorCol(), 77);
    feed(screen, "\x1b[99999D");
    QCOMPARE(screen.CursorCol(), 0);
    feed(screen, "\x1b[12;40f");
    QCOMPARE(screen.CursorRow(), 11);
    QCOMPARE(screen.CursorCol(), 39);
    feed(screen, "\b\b");
    QCOMPARE(screen.CursorCol(), 37);
    feed(screen, "\r\b");
    QCOMPARE(screen.CursorCol(), 0);
}

void TelnetSequencesTest::erasing()
{
    const QByteArray filled = QByteArray(80, 'x') + QByteArray(80, 'y') + QByteArray(80, 'z');
    Telnet screen;
    feed(screen, filled + "\x1b[2;5H\x1b[K");
    QCOMPARE(text(screen, 1), QByteArray("yyyy"));
    feed(screen, "\x1b[1K");
    QCOMPARE(text(screen, 1), QByteArray());
    feed(screen, "\x1b[1;5H\x1b[1K");
    QCOMPARE(text(screen, 0), QByteArray(75, 'x'));
    feed(screen, "\x1b[2K");
    QCOMPARE(text(screen, 0), QByteArray());
    QCOMPARE(attrs(screen, 0), QByteArray(80, '0'));

    Telnet below;
    feed(below, filled + "\x1b[2;41H\x1b[J");
    QCOMPARE(text(below, 0), QByteArray(80, 'x'));
    QCOMPARE(text(below, 1), QByteArray(40, 'y'));
    QCOMPARE(text(below, 2), QByteArray());

    Telnet above;
    feed(above, filled + "\x1b[2;40H\x1b[1J");
    QCOMPARE(text(above, 0), QByteArray());
    QCOMPARE(text(above, 1), QByteArray(40, 'y'));
    QCOMPARE(text(above, 2), QByteArray(80, 'z'));

    // Erasing the whole screen is a full clear: the cursor goes home.
    Telnet all;
    feed(all, filled + "\x1b[2;40H\x1b[2J");
    for (int r = 0; r < 3; ++r)
        QCOMPARE(text(all, r), QByteArray());
    QCOMPARE(all.CursorRow(), 0);
    QCOMPARE(all.CursorCol(), 0);
    Telnet unknown;
    feed(unknown, filled + "\x1b[2;1H\x1b[7J\x1b[4K");
    QCOMPARE(text(unknown, 1), QByteArray(80, 'y'));
}

void TelnetSequencesTest::attributes()
{
    Telnet screen;
    feed(screen, "\x1b[1;31mab");
    QCOMPARE(screen.CurrentAttr(), char(31));
    QCOMPARE(attrs(screen, 0).left(3), QByteArray("\x1f\x1f"
                                                  "0"));
    // Every rendition in force is kept per cell, not only the last code.
    const Telnet::CellStyle red = screen.cells(0)[0].style;
    QCOMPARE(red.fore, uint8_t(1));
    QVERIFY(red.flags & Telnet::Bold);

    feed(screen, "\x1b[mc");
    QCOMPARE(screen.CurrentAttr(), char(0));
    QCOMPARE(screen.cells(0)[2].style, Telnet::CellStyle());

    feed(screen, "\x1b[4;5;7;8;47md");
    const Telnet::CellStyle mixed = screen.cells(0)[3].style;
    QCOMPARE(mixed.flags,
             uint8_t(Telnet::Underline | Telnet::Italic | Telnet::Reverse | Telnet::Conceal));
    QCOMPARE(mixed.back, uint8_t(7));
    QCOMPARE(screen.CurrentAttr(), char(47));

    // Codes outside the table change nothing, not even the recorded code.
    feed(screen, "\x1b[0;32m\x1b[22;39;300;38;5;1;48;2;1;2;3me");
    QCOMPARE(screen.CurrentAttr(), char(32));
    QCOMPARE(screen.cells(0)[4].style.fore, uint8_t(2));
    QCOMPARE(screen.cells(0)[4].style.back, Telnet::DefaultColor);

    // A full clear makes the colours in force the window's, which SGR 0 and reverse then
    // use; so does the hosts' clear (home, erase below), not an erase from elsewhere.
    // Concealed text stays readable; a new connection is white on black.
    Telnet clear;
    feed(clear, "\x1b[44m\x1b[2J\x1b[0mx\x1b[7my\x1b[2;1H\x1b[41m\x1b[J");
    QCOMPARE(clear.backColorOf(clear.cells(0)[0].style), Telnet::paletteColor(4));
    QCOMPARE(clear.foreColorOf(clear.cells(0)[1].style), Telnet::paletteColor(4));
    QCOMPARE(clear.windowBackColor(), Telnet::paletteColor(4));
    feed(clear, "\x1b[7m\x1b[H\x1b[J\x1b[0m");
    QCOMPARE(clear.foreColorOf(clear.currentStyle()), Telnet::paletteColor(1));
    QCOMPARE(clear.backColorOf(clear.currentStyle()), Telnet::DefaultForeColor);
    feed(clear, "\x1b[8m\x1b[2J\x1b[0m");
    QCOMPARE(clear.foreColorOf(clear.currentStyle()), Telnet::paletteColor(1));
    clear.resetScreen();
    QCOMPARE(clear.backColorOf(clear.currentStyle()), Telnet::DefaultBackColor);

    QCOMPARE(Telnet::paletteColor(1), 0x800000u);
    QCOMPARE(Telnet::paletteColor(3), 0xFFFF00u);
    QCOMPARE(Telnet::paletteColor(7), 0xFFFFFFu);
}

void TelnetSequencesTest::characterSets()
{
    Telnet screen;
    // Designating a set is not a cursor movement.
    feed(screen, "ab\x1b(B");
    QCOMPARE(screen.CursorRow(), 0);
    QCOMPARE(screen.CursorCol(), 2);

    feed(screen, "\x1b(0lqk\x1b(Bq");
    QVERIFY(screen.cells(0)[2].style.flags & Telnet::LineDrawing);
    QCOMPARE(Telnet::lineDrawingChar(uint8_t(screen.ScreenText(0)[2])), char32_t(0x250C));
    QVERIFY(!(screen.cells(0)[5].style.flags & Telnet::LineDrawing));

    // Shift out and in switch between the two sets and take no cell.
    feed(screen, "\x1b)0\x0ex\x0fx");
    QCOMPARE(screen.CursorCol(), 8);
    QVERIFY(screen.cells(0)[6].style.flags & Telnet::LineDrawing);
    QVERIFY(!(screen.cells(0)[7].style.flags & Telnet::LineDrawing));

    Telnet align;
    feed(align, "\x1b#8");
    QCOMPARE(text(align, 24), QByteArray(80, 'E'));
}

void TelnetSequencesTest::reverseScreen()
{
    // A new connection's screen starts the right way round.
    Telnet screen;
    feed(screen, "\x1b[?5h");
    QVERIFY(screen.reverseScreen());
    screen.resetScreen();
    QVERIFY(!screen.reverseScreen());
}

void TelnetSequencesTest::utf8Text()
{
    // "a\u00fc\u20ac", a character beyond the basic plane and German text, cut anywhere.
    const QByteArray bytes = "a\xc3\xbc\xe2\x82\xac\xf0\x9f\x98\x80 gr\xc3\xbc\xc3\x9f"
                             "e";
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
        Telnet screen;
        screen.setUtf8(true);
        feed(screen, bytes.left(cut));
        feed(screen, bytes.mid(cut));
        QCOMPARE(shown(screen, 0), QString::fromUtf8(bytes));
        QCOMPARE(screen.CursorCol(), 10);
    }
    // Broken sequences show U+FFFD for each piece that cannot start one and lose no control
    // or text after them: a stray continuation, a lead cut by a line end, an overlong form, a
    // surrogate, a lead cut by an escape sequence.
    Telnet broken;
    broken.setUtf8(true);
    feed(broken, "\x80x\xc3\r\ny\xc0\xafz\xed\xa0\x80w\xe2\x82\x1b[31mv");
    QCOMPARE(shown(broken, 0), QString::fromUtf8("\ufffdx\ufffd"));
    QCOMPARE(shown(broken, 1), QString::fromUtf8("y\ufffd\ufffdz\ufffdw\ufffdv"));
    QCOMPARE(broken.cells(1)[7].style.fore, uint8_t(1));
}

void TelnetSequencesTest::controlsAreNotDrawn()
{
    Telnet screen;
    int bells = 0;
    screen.setBellHandler([&] { ++bells; });
    feed(screen, QByteArray("a\0b\x07\x0e\x0f\x01\x1c\x7f"
                            "c",
                            10));
    QCOMPARE(text(screen, 0), QByteArray("abc"));
    QCOMPARE(bells, 1);

    // Bytes above 127 are characters of the window's code page, 255 included.
    feed(screen, "\x85\x9b\xe9\xff");
    QCOMPARE(text(screen, 0), QByteArray("abc\x85\x9b\xe9\xff"));
}

void TelnetSequencesTest::longAndOddSequences()
{
    // A long sequence is read to its final instead of spilling its tail onto the screen.
    Telnet screen;
    feed(screen, "\x1b[" + QByteArray("1;2;3;4;5;6;7;8;9;0;1;2;3;4;5;6;7;8;9") + "mx");
    QCOMPARE(text(screen, 0), QByteArray("x"));
    feed(screen, "\x1b[38;2;255;255;255my");
    QCOMPARE(text(screen, 0), QByteArray("xy"));

    // Modes do not move or save the cursor.
    feed(screen, "\x1b[5;5H\x1b[?1h\x1b[?25l\x1b[4h\x1b=");
    QCOMPARE(screen.CursorRow(), 4);
    QCOMPARE(screen.CursorCol(), 4);

    // Title strings, cancelled sequences and controls inside sequences.
    Telnet other;
    feed(other, "a\x1b]0;title\x07"
                "b\x1b[12\x18"
                "c\x1b[2;\r3Hd\x1b[5\x1b[1;1He");
    QCOMPARE(text(other, 0), QByteArray("ebc"));
    QCOMPARE(text(other, 1), QByteArray("d"));
    QVERIFY(!other.InEscape());
    feed(other, "\x1b[");
    QVERIFY(other.InEscape());
}

void TelnetSequencesTest::telnetCommandByte()
{
    Telnet screen;
    QCOMPARE(screen.ProcessChar('a'), Telnet::DataState);
    QCOMPARE(screen.ProcessChar(255), Telnet::CommandState);
    QCOMPARE(text(screen, 0), QByteArray("a"));

    // Inside a sequence the command byte is handed back and the sequence still completes.
    for (char b : QByteArray("\x1b[5"))
        QCOMPARE(screen.ProcessChar(uint8_t(b)), Telnet::DataState);
    QCOMPARE(screen.ProcessChar(255), Telnet::CommandState);
    QVERIFY(screen.InEscape());
    for (char b : QByteArray(";10H"))
        screen.ProcessChar(uint8_t(b));
    QCOMPARE(screen.CursorRow(), 4);
    QCOMPARE(screen.CursorCol(), 9);
}

void TelnetSequencesTest::saveAndRestore()
{
    Telnet screen;
    feed(screen, "\x1b[3;4H\x1b[1m\x1b"
                 "7\x1b[10;10H\x1b[m\x1b"
                 "8x");
    QCOMPARE(screen.ScreenText(2)[3], 'x');
    QVERIFY(screen.cells(2)[3].style.flags & Telnet::Bold);

    feed(screen, "\x1b[6;7H\x1b[s\x1b[H\x1b[uy");
    QCOMPARE(screen.ScreenText(5)[6], 'y');
}

void TelnetSequencesTest::initialisationKeepsTabsAndSavedCursor()
{
    Telnet screen;
    feed(screen, "\x1b[3g\x1b[1;9H\x1bH\x1b[4;4H\x1b"
                 "7\x1b[5;20r\x1b[?7l\x1b[31mtext\x1b[");
    screen.resetScreen();
    QCOMPARE(screen.CursorRow(), 0);
    QCOMPARE(screen.CursorCol(), 0);
    QVERIFY(!screen.InEscape());
    QCOMPARE(screen.CurrentAttr(), '0');
    QCOMPARE(screen.scrollTop(), 0);
    QCOMPARE(text(screen, 0), QByteArray());
    QVERIFY(screen.isTabStop(8));
    QVERIFY(!screen.isTabStop(16));
    feed(screen, QByteArray(81, 'w'));
    QCOMPARE(screen.CursorRow(), 1); // wrapping is back on
    feed(screen, "\x1b"
                 "8");
    QCOMPARE(screen.CursorRow(), 3);
    QCOMPARE(screen.CursorCol(), 3);
}

void TelnetSequencesTest::dirtyRowsAndRuns()
{
    Telnet screen;
    screen.takeDirtyRows();
    feed(screen, "\x1b[3;1Hab\x1b[31mcd\x1b[0me");
    QCOMPARE(screen.takeDirtyRows(), 1u << 2);
    QCOMPARE(screen.takeDirtyRows(), 0u);
    QCOMPARE(screen.AttrRunLength(2, 0), 2);
    QCOMPARE(screen.AttrRunLength(2, 2), 2);
    QCOMPARE(screen.AttrRunLength(2, 4), 76);
    QCOMPARE(screen.AttrRunLength(0, 0), 80);
    feed(screen, "\x1b[25;1H\n");
    QCOMPARE(screen.takeDirtyRows(), (1u << Telnet::Rows) - 1);
}

QTEST_GUILESS_MAIN(TelnetSequencesTest)
#include "telnet_sequences_test.moc"
