#include "platform/richtext/rtfcodepage.h"
#include "platform/richtext/rtfformat.h"
#include "platform/richtext/rtfreader.h"
#include "platform/richtext/rtfwriter.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QString plain(const QByteArray &rtf)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    return doc.toRawText();
}

QTextCharFormat formatAt(const QTextDocument &doc, int position)
{
    QTextCursor cursor(const_cast<QTextDocument *>(&doc));
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

QByteArray pngHex(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return png.toHex();
}

// A document with every format the writer knows.
void buildFormatted(QTextDocument &doc)
{
    QTextCursor cursor(&doc);
    QTextCharFormat plainFormat;
    plainFormat.setFontFamilies({QStringLiteral("Arial")});
    plainFormat.setFontPointSize(10);
    QTextBlockFormat block;
    block.setAlignment(Qt::AlignHCenter);
    block.setLeftMargin(20);
    block.setRightMargin(10);
    block.setTextIndent(-5);
    block.setTopMargin(4);
    block.setBottomMargin(6);
    cursor.setBlockFormat(block);
    cursor.insertText(QStringLiteral("Plain {braces} \\ back "), plainFormat);
    QTextCharFormat bold = plainFormat;
    bold.setFontWeight(QFont::Bold);
    bold.setForeground(QColor(255, 0, 0));
    cursor.insertText(QStringLiteral("bold red"), bold);
    QTextCharFormat italic = plainFormat;
    italic.setFontItalic(true);
    italic.setFontUnderline(true);
    italic.setFontStrikeOut(true);
    italic.setBackground(QColor(255, 255, 0));
    italic.setFontFamilies({QStringLiteral("Courier New")});
    italic.setFontPointSize(13.5);
    cursor.insertText(QStringLiteral(" italic\tunderlined"), italic);
    QTextCharFormat sub = plainFormat;
    sub.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    cursor.insertText(QStringLiteral("2"), sub);
    sub.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    cursor.insertText(QStringLiteral("3"), sub);
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    cursor.insertBlock(right, plainFormat);
    cursor.insertText(QString::fromUtf8("Café € Ж 日本 😀 a\u2028b\u00a0c\u00add\u2011e"),
                      plainFormat);
    QTextBlockFormat justify;
    justify.setAlignment(Qt::AlignJustify);
    QTextCharFormat big = plainFormat;
    big.setFontPointSize(20);
    cursor.insertBlock(justify, big); // an empty line keeps its size
    cursor.insertBlock(QTextBlockFormat(), plainFormat);
    cursor.insertText(QStringLiteral("last"), plainFormat);
}

} // namespace

class TestRtfCodec : public QObject
{
    Q_OBJECT

private slots:
    void roundTripIsStable();
    void formatsSurvive();
    void escapesAndSpecials();
    void unicodeSkipsFallback();
    void codePages();
    void tablesOfFontsAndColours();
    void paragraphs();
    void destinationsSkipped();
    void picturesKeptByteForByte();
    void plainTextInput();
    void stringInputKeepsCharacters();
    void malformedInputEnds_data();
    void malformedInputEnds();
    void deepNestingIsLinear();
    void textPastDepthLimitKept();
    void nothingLost_data();
    void nothingLost();
    void everyCodePageLetsOutItsLastCharacter();
    void hiddenTextStaysHidden();
    void objectResultShownOnce();
};

void TestRtfCodec::roundTripIsStable()
{
    QTextDocument doc;
    buildFormatted(doc);
    const QByteArray first = RtfWriter::write(&doc);
    QTextDocument again;
    RtfReader::read(first, &again);
    QCOMPARE(again.toRawText(), doc.toRawText());
    const QByteArray second = RtfWriter::write(&again);
    QCOMPARE(second, first);
    // and once more through a third document
    QTextDocument third;
    RtfReader::read(second, &third);
    QCOMPARE(RtfWriter::write(&third), first);
    // the output is 7-bit
    for (const char c : first)
        QVERIFY(uchar(c) < 0x80);

    QTextDocument empty;
    const QByteArray emptyRtf = RtfWriter::write(&empty);
    QTextDocument emptyAgain;
    RtfReader::read(emptyRtf, &emptyAgain);
    QCOMPARE(emptyAgain.toRawText(), QString());
    QCOMPARE(emptyAgain.blockCount(), 1);
    QCOMPARE(RtfWriter::write(&emptyAgain), emptyRtf);
}

void TestRtfCodec::formatsSurvive()
{
    QTextDocument doc;
    buildFormatted(doc);
    QTextDocument copy;
    RtfReader::read(RtfWriter::write(&doc), &copy);
    const QString text = copy.toRawText();

    const QTextCharFormat bold = formatAt(copy, int(text.indexOf(u"bold")));
    QCOMPARE(bold.fontWeight(), int(QFont::Bold));
    QCOMPARE(bold.foreground().color(), QColor(255, 0, 0));
    QCOMPARE(bold.fontFamilies().toStringList(), QStringList{QStringLiteral("Arial")});
    QCOMPARE(bold.fontPointSize(), 10.0);

    const QTextCharFormat italic = formatAt(copy, int(text.indexOf(u"italic")));
    QVERIFY(italic.fontItalic());
    QVERIFY(italic.fontUnderline());
    QVERIFY(italic.fontStrikeOut());
    QCOMPARE(italic.background().color(), QColor(255, 255, 0));
    QCOMPARE(italic.fontFamilies().toStringList(), QStringList{QStringLiteral("Courier New")});
    QCOMPARE(italic.fontPointSize(), 13.5);
    QCOMPARE(italic.fontWeight(), int(QFont::Normal));

    QCOMPARE(formatAt(copy, int(text.indexOf(u"23"))).verticalAlignment(),
             QTextCharFormat::AlignSubScript);
    QCOMPARE(formatAt(copy, int(text.indexOf(u"23")) + 1).verticalAlignment(),
             QTextCharFormat::AlignSuperScript);

    const QTextBlockFormat first = copy.begin().blockFormat();
    QCOMPARE(first.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(first.leftMargin(), 20.0);
    QCOMPARE(first.rightMargin(), 10.0);
    QCOMPARE(first.textIndent(), -5.0);
    QCOMPARE(first.topMargin(), 4.0);
    QCOMPARE(first.bottomMargin(), 6.0);
    QCOMPARE(copy.begin().next().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignRight);
    const QTextBlock emptyLine = copy.begin().next().next();
    QCOMPARE(emptyLine.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    QCOMPARE(emptyLine.charFormat().fontPointSize(), 20.0);
    QCOMPARE(copy.blockCount(), 4);
}

void TestRtfCodec::escapesAndSpecials()
{
    QCOMPARE(plain("{\\rtf1 a\\\\b\\{c\\}d}"), QStringLiteral("a\\b{c}d"));
    QCOMPARE(plain("{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}"),
             QString::fromUtf8("—–•‘’“”"));
    QCOMPARE(plain("{\\rtf1 a\\~b\\-c\\_d\\tab e\\line f}"),
             QString::fromUtf8("a\u00a0b\u00adc\u2011d\te\u2028f"));
    // a control word ends at its space, which is not text; the next one is
    QCOMPARE(plain("{\\rtf1 \\b  x\\b0 y}"), QStringLiteral(" xy"));
    // line breaks in the file are not text; a backslash before one is a paragraph
    QCOMPARE(plain("{\\rtf1 a\r\nb\\\r\nc}"), QStringLiteral("ab\u2029c"));
    // unknown words (with parameters) are ignored
    QCOMPARE(plain("{\\rtf1 a\\frobnicate-12 b\\zz  c}"), QStringLiteral("ab c"));
}

void TestRtfCodec::unicodeSkipsFallback()
{
    QCOMPARE(plain("{\\rtf1 \\u8364?x}"), QString::fromUtf8("€x"));
    QCOMPARE(plain("{\\rtf1 \\uc2\\u8364??x}"), QString::fromUtf8("€x"));
    QCOMPARE(plain("{\\rtf1 \\uc0\\u8364 x}"), QString::fromUtf8("€x"));
    // the fallback may be an escaped byte; a group end stops skipping
    QCOMPARE(plain("{\\rtf1 \\u1046\\'c6x}"), QString::fromUtf8("Жx"));
    QCOMPARE(plain("{\\rtf1 {\\uc3\\u1046?}x}"), QString::fromUtf8("Жx"));
    // negative values and surrogate pairs
    QCOMPARE(plain("{\\rtf1 \\u-4064?}"), QString(QChar(0xF020)));
    QCOMPARE(plain("{\\rtf1 \\u-10179?\\u-8704?}"), QString::fromUtf8("😀"));
}

void TestRtfCodec::codePages()
{
    QCOMPARE(plain("{\\rtf1\\ansi\\ansicpg1252 Caf\\'e9 \\'80\\'93}"),
             QString::fromUtf8("Café €“"));
    QCOMPARE(plain("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}}\\f0 "
                   "\\'cf\\'f0\\'e8}"),
             QString::fromUtf8("При"));
    // a document's code page applies when the font gives none
    QCOMPARE(plain("{\\rtf1\\ansi\\ansicpg1253 \\'e1\\'e2}"), QString::fromUtf8("αβ"));
    // double-byte code pages take the two escaped bytes together
    QCOMPARE(plain("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 MS Gothic;}}\\f0 "
                   "\\'93\\'fa\\'96\\'7b}"),
             QString::fromUtf8("日本"));
    QCOMPARE(plain("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset134 SimSun;}}\\f0 \\'d6\\'d0}"),
             QString::fromUtf8("中"));
    // switching fonts switches code pages
    QCOMPARE(plain("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset161 G;}}"
                   "\\f0\\'e1\\f1\\'e1}"),
             QString::fromUtf8("áα"));
    // a font's name is in the font's own code page
    QTextDocument named;
    RtfReader::read(
        QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset204 \\'c0\\'f0\\'e8\\'e0\\'eb;}}"
                   "\\f0 x}"),
        &named);
    QCOMPARE(formatAt(named, 0).fontFamilies().toStringList(),
             QStringList{QString::fromUtf8("Ариал")});
    // raw 8-bit bytes count as the code page too
    QCOMPARE(plain("{\\rtf1\\ansi Caf\xe9}"), QString::fromUtf8("Café"));
}

void TestRtfCodec::tablesOfFontsAndColours()
{
    const QByteArray rtf = "{\\rtf1\\ansi\\deff1{\\fonttbl\\f0\\froman Times New Roman;"
                           "\\f1\\fswiss{\\*\\panose 020b0604}Arial;}"
                           "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                           "a\\f0\\cf2 b\\cf1\\highlight2 c\\cf0\\highlight0 d\\cf9 e}";
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QCOMPARE(doc.toRawText(), QStringLiteral("abcde"));
    QCOMPARE(formatAt(doc, 0).fontFamilies().toStringList(), QStringList{"Arial"});
    QCOMPARE(formatAt(doc, 1).fontFamilies().toStringList(), QStringList{"Times New Roman"});
    QCOMPARE(formatAt(doc, 1).foreground().color(), QColor(0, 0, 255));
    QCOMPARE(formatAt(doc, 2).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(formatAt(doc, 2).background().color(), QColor(0, 0, 255));
    QCOMPARE(formatAt(doc, 3).foreground().style(), Qt::NoBrush);
    QCOMPARE(formatAt(doc, 3).background().style(), Qt::NoBrush);
    QCOMPARE(formatAt(doc, 4).foreground().style(), Qt::NoBrush); // no such colour
    // \plain goes back to the default font and size
    QTextDocument reset;
    RtfReader::read(
        QByteArray("{\\rtf1{\\fonttbl{\\f0 A;}{\\f1 B;}}\\deff0\\f1\\fs40\\b x\\plain y}"), &reset);
    QCOMPARE(formatAt(reset, 1).fontFamilies().toStringList(), QStringList{"A"});
    QCOMPARE(formatAt(reset, 1).fontPointSize(), 12.0);
    QCOMPARE(formatAt(reset, 1).fontWeight(), int(QFont::Normal));
    QCOMPARE(formatAt(reset, 0).fontPointSize(), 20.0);
}

void TestRtfCodec::paragraphs()
{
    // one trailing \par ends the last paragraph; a second one is an empty paragraph
    QCOMPARE(plain("{\\rtf1 a\\par b\\par}"), QStringLiteral("a\u2029b"));
    QCOMPARE(plain("{\\rtf1 a\\par\\par}"), QStringLiteral("a\u2029"));
    QCOMPARE(plain("{\\rtf1 a\\par b}"), QStringLiteral("a\u2029b"));
    QTextDocument doc;
    RtfReader::read(QByteArray("{\\rtf1\\pard\\qr\\li300 a\\par\\pard b\\par\\qc\\qj c\\par}"),
                    &doc);
    QTextBlock block = doc.begin();
    QCOMPARE(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    QCOMPARE(block.blockFormat().leftMargin(), 20.0);
    block = block.next();
    QCOMPARE(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    QCOMPARE(block.blockFormat().leftMargin(), 0.0);
    // the properties in force at \par are the paragraph's
    QCOMPARE(block.next().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    // table rows are paragraphs, their cells apart by tabs
    QCOMPARE(plain("{\\rtf1\\trowd\\cellx1000\\cellx2000\\intbl a\\cell b\\cell\\row"
                   "\\trowd\\intbl c\\cell d\\cell\\row\\pard e\\par}"),
             QStringLiteral("a\tb\t\u2029c\td\t\u2029e"));
}

void TestRtfCodec::destinationsSkipped()
{
    QCOMPARE(plain("{\\rtf1{\\*\\generator Writer 1.0;}{\\info{\\title T}{\\author A}}"
                   "{\\stylesheet{\\s0 Normal;}}{\\header H}{\\footer F}"
                   "{\\*\\unknown {nested} text}a{\\field{\\*\\fldinst HYPERLINK x}"
                   "{\\fldrslt link}}b}"),
             QStringLiteral("alinkb"));
    // binary data inside a skipped group does not end it early
    QCOMPARE(plain("{\\rtf1{\\*\\x \\bin4 }}}}x}y}"), QStringLiteral("y"));
    // \bin in text is skipped whole
    QCOMPARE(plain("{\\rtf1 a\\bin3 {{{b}"), QStringLiteral("ab"));
}

void TestRtfCodec::picturesKeptByteForByte()
{
    const QByteArray pict =
        "{\\pict\\pngblip\\picw4\\pich3\\picwgoal600\\pichgoal450 " + pngHex(4, 3) + "}";
    const QByteArray wmf = "{\\pict\\wmetafile8\\picw100\\pich100 0102030405}";
    const QByteArray object = "{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0a0b}"
                              "{\\result{\\pict\\dibitmap0 00}}}";
    const QByteArray shape = "{\\*\\shppict" + pict + "}";
    const QByteArray fallback = "{\\nonshppict" + wmf + "}";
    const QByteArray rtf =
        "{\\rtf1 a" + pict + "b" + wmf + "c" + object + shape + fallback + "d\\par}";
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    const QString text = doc.toRawText();
    QCOMPARE(text, QStringLiteral("a\uFFFCb\uFFFCc\uFFFC\uFFFCd"));
    // the PNG is shown at its goal size
    const QTextCharFormat shown = formatAt(doc, 1);
    QVERIFY(shown.isImageFormat());
    QCOMPARE(shown.toImageFormat().width(), 40.0);
    QCOMPARE(shown.toImageFormat().height(), 30.0);
    const QImage image =
        doc.resource(QTextDocument::ImageResource, QUrl(shown.toImageFormat().name()))
            .value<QImage>();
    QCOMPARE(image.size(), QSize(4, 3));
    QCOMPARE(image.pixelColor(0, 0), QColor(Qt::red));
    // the shape picture and its fallback stay one object
    QCOMPARE(formatAt(doc, 6).property(RtfFormat::RawGroupProperty).toByteArray(),
             shape + fallback);

    const QByteArray written = RtfWriter::write(&doc);
    QVERIFY(written.contains("a" + pict + "b" + wmf + "c" + object + shape + fallback + "d"));
    QTextDocument again;
    RtfReader::read(written, &again);
    QCOMPARE(RtfWriter::write(&again), written);

    // a picture that came from elsewhere is written as PNG and read back
    QTextDocument pasted;
    QImage blue(5, 2, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    pasted.addResource(QTextDocument::ImageResource, QUrl("mem:blue"), blue);
    QTextCursor cursor(&pasted);
    QTextImageFormat format;
    format.setName(QStringLiteral("mem:blue"));
    cursor.insertImage(format);
    QTextDocument back;
    RtfReader::read(RtfWriter::write(&pasted), &back);
    const QTextImageFormat read = formatAt(back, 0).toImageFormat();
    QCOMPARE(back.resource(QTextDocument::ImageResource, QUrl(read.name())).value<QImage>().size(),
             QSize(5, 2));
}

void TestRtfCodec::plainTextInput()
{
    QCOMPARE(plain("just text\nsecond"), QStringLiteral("just text\u2029second"));
    QCOMPARE(plain("caf\xc3\xa9"), QString::fromUtf8("café"));
    QCOMPARE(plain("caf\xe9"), QString::fromUtf8("café")); // not UTF-8: Windows-1252
    QCOMPARE(plain("{\\rt not quite"), QStringLiteral("{\\rt not quite"));
    QCOMPARE(plain("  \r\n{\\rtf1 lead}"), QStringLiteral("lead"));
    QTextDocument doc;
    RtfReader::read(QStringLiteral("plain\r\nstring"), &doc);
    QCOMPARE(doc.toPlainText(), QStringLiteral("plain\nstring"));
}

void TestRtfCodec::stringInputKeepsCharacters()
{
    // a memo field may hold characters beyond ASCII unescaped
    QTextDocument doc;
    RtfReader::read(QString::fromUtf8("{\\rtf1\\ansi Caf\u00e9 \u65e5\\'e9}"), &doc);
    QCOMPARE(doc.toRawText(), QString::fromUtf8("Café 日é"));
}

void TestRtfCodec::malformedInputEnds_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::newRow("unclosed") << QByteArray("{\\rtf1 {\\b bold {\\i more");
    QTest::newRow("extra closes") << QByteArray("{\\rtf1 a}}}}}b");
    QTest::newRow("huge parameters")
        << QByteArray("{\\rtf1\\fs99999999999999999999 a\\u-99999999999"
                      "\\uc99999999999 b\\li-999999999999\\bin99999999"
                      "99999999}");
    QTest::newRow("truncated bin") << QByteArray("{\\rtf1 a{\\pict\\bin500 xyz");
    QTest::newRow("truncated pict") << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e47");
    QTest::newRow("truncated escape") << QByteArray("{\\rtf1 a\\'");
    QTest::newRow("bad escape") << QByteArray("{\\rtf1 a\\'zz\\'4");
    QTest::newRow("lone backslash") << QByteArray("{\\rtf1 a\\");
    QTest::newRow("long word") << "{\\rtf1 \\" + QByteArray(100000, 'a') + "1 x}";
    QTest::newRow("nul bytes") << QByteArray("{\\rtf1 a\0b\\'00c}", 17);
    QTest::newRow("tables unclosed") << QByteArray("{\\rtf1{\\fonttbl{\\f0 A{\\colortbl\\red");
    QTest::newRow("picture group inside a later picture group")
        << QByteArray("{\\rtf1 a{\\*\\shppict{\\pict 01}}{{\\nonshppict 02}\\nonshppict 03}b}");
    const QByteArray deep = "{\\rtf1 " + QByteArray(RtfReader::MaxDepth + 10, '{');
    QTest::newRow("cut off past the depth limit") << deep + "a{\\*\\x b";
    QTest::newRow("objects past the depth limit")
        << deep + "a{\\object{\\result{\\*\\x}r}}b{\\pict\\bin9 }";
    QTest::newRow("closing braces past the depth limit") << deep + "a}}}}}b}}}}}}}}}}}}}}}}c";
    QTest::newRow("dib header lies")
        << QByteArray("{\\rtf1{\\pict\\dibitmap0 28000000ffffff7fffffff7f"
                      "01002000}}");
}

void TestRtfCodec::malformedInputEnds()
{
    QFETCH(QByteArray, rtf);
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    // whatever was read writes and reads back stably
    const QByteArray written = RtfWriter::write(&doc);
    QTextDocument again;
    RtfReader::read(written, &again);
    QCOMPARE(again.toRawText(), doc.toRawText());
    QCOMPARE(RtfWriter::write(&again), written);
}

void TestRtfCodec::deepNestingIsLinear()
{
    QByteArray deep = "{\\rtf1 a";
    for (int i = 0; i < 200000; ++i)
        deep += "{\\b ";
    deep += "x";
    QElapsedTimer timer;
    timer.start();
    QTextDocument doc;
    RtfReader::read(deep, &doc);
    QCOMPARE(doc.toRawText(), QStringLiteral("ax"));
    QVERIFY2(timer.elapsed() < 5000, "deep nesting must not be quadratic");
    // text at a reasonable depth still counts
    QCOMPARE(plain("{\\rtf1 " + QByteArray(100, '{') + "deep" + QByteArray(100, '}') + "}"),
             QStringLiteral("deep"));
}

void TestRtfCodec::textPastDepthLimitKept()
{
    // the document's group and {\b open the first two of the groups kept
    const int kept = RtfReader::MaxDepth - 2;
    const QByteArray pict = "{\\pict\\wmetafile8\\picw10\\pich10 0102}";
    const QByteArray object = "{\\object{\\*\\objdata 0a}{\\result{\\i shown}}}";
    const QByteArray rtf = "{\\rtf1 a{\\b " + QByteArray(kept, '{') +
                           "{{\\i\\plain\\fs60\\qc deep {\\*\\x gone}{\\uc0\\u8364 }\\u8364?" +
                           pict + object + "\\par more}}" + QByteArray(kept, '}') + "} z}";
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    const QString text = QStringLiteral("adeep \u20ac\u20ac\ufffc\ufffcshown\u2029more z");
    QCOMPARE(doc.toRawText(), text);
    // in the formats of the deepest group kept: its words are left out
    for (const int at : {1, 6, 11, 16}) {
        const QTextCharFormat format = formatAt(doc, at);
        QVERIFY2(format.fontWeight() == QFont::Bold && !format.fontItalic() &&
                     format.fontPointSize() == 12.0,
                 qPrintable(QString::number(at)));
    }
    QCOMPARE(formatAt(doc, int(text.size()) - 1).fontWeight(), int(QFont::Normal));
    QCOMPARE(doc.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    // what is kept whole stays byte for byte, and a save keeps every character
    const QByteArray written = RtfWriter::write(&doc);
    QVERIFY(written.contains(pict));
    QVERIFY(written.contains(object));
    QCOMPARE(plain(written), text);
}

void TestRtfCodec::nothingLost_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("hebrew last letter")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1255 \\'f9\\'ec\\'e5\\'ed x}")
        << QString::fromUtf8("שלום x");
    QTest::newRow("hebrew at the end")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1255 \\'e0}") << QString::fromUtf8("א");
    QTest::newRow("vietnamese") << QByteArray("{\\rtf1\\ansi\\ansicpg1258 Vi\\'ea t}")
                                << QString::fromUtf8("Viê t");
    QTest::newRow("ascii trail bytes")
        << QByteArray("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 A;}}\\f0 "
                      "\\'81A\\'90\\'a2\\'8aE}")
        << QString::fromUtf8("、世界");
    QTest::newRow("escaped backslash trail")
        << QByteArray("{\\rtf1\\ansi\\ansicpg932 \\'95\\\\x}") << QString::fromUtf8("表x");
    QTest::newRow("broken lead byte")
        << QByteArray("{\\rtf1\\ansi\\ansicpg932 \\'81;x}") << QStringLiteral("\ufffd;x");
    QTest::newRow("gbk trail") << QByteArray("{\\rtf1\\ansi\\ansicpg936 \\'b0A}")
                               << QString::fromUtf8("癆");
    QTest::newRow("korean trail") << QByteArray("{\\rtf1\\ansi\\ansicpg949 \\'81A}")
                                  << QString::fromUtf8("갂");
    QTest::newRow("big5 trail") << QByteArray("{\\rtf1\\ansi\\ansicpg950 \\'a4@}")
                                << QString::fromUtf8("一");
    QTest::newRow("starred field result")
        << QByteArray("{\\rtf1 a{\\field{\\*\\fldinst HYPERLINK x}{\\*\\fldrslt a link}}b}")
        << QStringLiteral("aa linkb");
    QTest::newRow("nested cells")
        << QByteArray("{\\rtf1 \\intbl 1\\nestcell Inner\\nestcell{\\*\\nesttableprops\\nestrow}"
                      "{\\nonesttables 1 Inner}\\cell\\row}")
        << QStringLiteral("1\tInner\t\t");
    QTest::newRow("old numbering")
        << QByteArray("{\\rtf1{\\*\\pn\\pnlvlbody\\pndec\\pnstart1{\\pntxta .}}one\\par "
                      "two\\par\\pard three\\par}")
        << QStringLiteral("1.\tone\u20292.\ttwo\u2029three");
    QTest::newRow("old numbering with its text")
        << QByteArray("{\\rtf1{\\pntext 7.\\tab}{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}x\\par}")
        << QStringLiteral("7.\tx");
    QTest::newRow("old bullets") << QByteArray(
                                        "{\\rtf1{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}x\\par}")
                                 << QString::fromUtf8("•\tx");
    QTest::newRow("old numbering after empty number text")
        << QByteArray("{\\rtf1{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}{\\listtext\\tab}one\\par "
                      "{\\listtext \\tab}two\\par}")
        << QStringLiteral("1.\tone\u20292.\ttwo");
    QTest::newRow("empty number text without numbering")
        << QByteArray("{\\rtf1{\\listtext\\tab}one\\par}") << QStringLiteral("\tone");
    QTest::newRow("footnote marks")
        << QByteArray("{\\rtf1 here{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} The note.} "
                      "and there{\\super\\chftn}{\\footnote{\\super\\chftn} Two.}.}")
        << QStringLiteral("here1 and there2.");
    QTest::newRow("narrow spaces and joiners") << QByteArray("{\\rtf1 a\\qmspace b\\zwj c\\zwnj d}")
                                               << QStringLiteral("a\u2005b\u200dc\u200cd");
    QTest::newRow("symbol bullets")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}"
                      "{\\f1\\'b7}\\f0\\'b7\\u61623?}")
        << QString::fromUtf8("•·•");
}

void TestRtfCodec::nothingLost()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(plain(rtf), text);
    // and a save keeps it
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QCOMPARE(plain(RtfWriter::write(&doc)), text);
}

void TestRtfCodec::everyCodePageLetsOutItsLastCharacter()
{
    // a run's last byte decodes as it does with more after it
    QList<int> pages = {437, 850, 10000, 20127, 28591, 65001};
    for (int charset = 0; charset < 256; ++charset) {
        const int page = RtfCodePage::codePageOfCharset(charset);
        if (page > 0 && !pages.contains(page))
            pages << page;
    }
    for (int page = 1250; page <= 1258; ++page) {
        if (!pages.contains(page))
            pages << page;
    }
    for (const int page : pages) {
        RtfCodePage codePage;
        for (int byte = 0x20; byte < 0x100; ++byte) {
            if (RtfCodePage::isLeadByte(page, uchar(byte)))
                continue;
            QString alone, followed;
            codePage.decode(page, QByteArray(1, char(byte)), alone);
            codePage.decode(page, QByteArray(1, char(byte)) + "x", followed);
            QVERIFY2(!alone.isEmpty() && followed.startsWith(alone),
                     qPrintable(QStringLiteral("code page %1, byte %2").arg(page).arg(byte)));
        }
    }
}

void TestRtfCodec::hiddenTextStaysHidden()
{
    QTextDocument doc;
    RtfReader::read(QByteArray("{\\rtf1 a{\\v secret}b\\v c\\v0 d}"), &doc);
    QCOMPARE(doc.toRawText(), QStringLiteral("asecretbcd"));
    const QByteArray written = RtfWriter::write(&doc);
    QTextDocument again;
    RtfReader::read(written, &again);
    QVERIFY(formatAt(again, 2).boolProperty(RtfFormat::HiddenProperty));
    QVERIFY(formatAt(again, 8).boolProperty(RtfFormat::HiddenProperty));
    QVERIFY(!formatAt(again, 9).boolProperty(RtfFormat::HiddenProperty));
    QVERIFY(!formatAt(again, 0).boolProperty(RtfFormat::HiddenProperty));
    QVERIFY(!formatAt(again, 7).boolProperty(RtfFormat::HiddenProperty));
    QCOMPARE(RtfWriter::write(&again), written);
}

void TestRtfCodec::objectResultShownOnce()
{
    const QByteArray object = "{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}"
                              "{\\result {\\b shown}\\par\\plain text}}";
    QTextDocument doc;
    RtfReader::read("{\\rtf1 a" + object + "b}", &doc);
    QCOMPARE(doc.toRawText(), QStringLiteral("a\ufffcshown\u2028textb"));
    const QByteArray written = RtfWriter::write(&doc);
    QVERIFY(written.contains(object));
    QCOMPARE(written.count("shown"), 1);
    QTextDocument again;
    RtfReader::read(written, &again);
    QCOMPARE(again.toRawText(), doc.toRawText());
    QCOMPARE(RtfWriter::write(&again), written);
    // an edited result is saved as text after the object, not dropped
    QTextCursor cursor(&again);
    cursor.setPosition(int(again.toRawText().indexOf(u"text")));
    cursor.insertText(QStringLiteral("new "));
    const QByteArray edited = RtfWriter::write(&again);
    QTextDocument third;
    RtfReader::read(edited, &third);
    QVERIFY(third.toRawText().contains(u"new text"));
    QCOMPARE(RtfWriter::write(&third), edited);
    // an optional word in the object's own group does not end it early
    QTextDocument starred;
    RtfReader::read(QByteArray("{\\rtf1 {\\object{\\result r}\\*\\x y}z}"), &starred);
    QCOMPARE(starred.toRawText(), QStringLiteral("\ufffcrz"));
    QCOMPARE(plain(RtfWriter::write(&starred)), QStringLiteral("\ufffcrz"));
    // nor does a font table in the result change the text after the object
    QCOMPARE(
        plain("{\\rtf1{\\fonttbl{\\f0 A;}}\\f0 {\\object{\\result{\\fonttbl{\\f0\\fcharset161 G;}}"
              "r}}\\'e1}"),
        QString::fromUtf8("\ufffcrá"));
}

QTEST_MAIN(TestRtfCodec)
#include "tst_rtfcodec.moc"
