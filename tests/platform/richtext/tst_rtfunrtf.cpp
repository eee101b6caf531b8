// Our reader against an independent one: the text both extract from the same files must agree.
#include "platform/richtext/rtfreader.h"
#include "platform/richtext/rtfwriter.h"
#include "rtfunrtf.h"

#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QString ourText(const QByteArray &rtf)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    return doc.toRawText();
}

} // namespace

class TestRtfAgainstUnrtf : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void handwrittenSamples_data();
    void handwrittenSamples();
    void writerOutput_data();
    void writerOutput();
    void plainTextModeOnLatin1();
};

void TestRtfAgainstUnrtf::initTestCase()
{
    if (TestSupport::unrtfText("{\\rtf1 x}").isNull())
        QSKIP("unrtf is not installed");
}

void TestRtfAgainstUnrtf::handwrittenSamples_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::newRow("windows-1252") << QByteArray(
        "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset0 Arial;}}\\f0 Caf\\'e9 \\'80 "
        "\\'93q\\'94 "
        "na\\'efve \\'c6ther \\'df\\par}");
    QTest::newRow("cyrillic") << QByteArray(
        "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}}\\f0 \\'cf\\'f0\\'e8\\'e2"
        "\\'e5\\'f2 \\'ec\\'e8\\'f0\\par}");
    QTest::newRow("greek") << QByteArray("{\\rtf1\\ansi\\ansicpg1253{\\fonttbl{\\f0\\fcharset161 "
                                         "Arial;}}\\f0 \\'e1\\'e2\\'e3 x\\par}");
    QTest::newRow("japanese") << QByteArray("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 "
                                            "MS Gothic;}}\\f0 \\'93\\'fa\\'96\\'7b "
                                            "x\\par}");
    // (unrtf skips one fallback character whatever \\uc says, so \\ucN is tested elsewhere)
    QTest::newRow("unicode escapes") << QByteArray(
        "{\\rtf1\\ansi\\uc1 a\\u8364\\'80b \\u1046\\'3f\\u1047\\'3f c \\u8364? d {\\u1046\\'3f}"
        "e\\u-10179\\'3f\\u-8704\\'3f f\\par}");
    QTest::newRow("specials") << QByteArray(
        "{\\rtf1\\ansi\\lquote a\\rquote  \\ldblquote b\\rdblquote  \\emdash  \\endash  \\bullet  "
        "c\\~d\\tab e\\line f\\par}");
    QTest::newRow("tables of fonts and colours") << QByteArray(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
        "{\\f1\\fswiss\\fcharset0{\\*\\panose 020b0604020202020204}Arial;}"
        "{\\f2\\fmodern Courier New;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;\\red0\\green0\\blue255;}"
        "{\\*\\generator Writer 1.0;}\\viewkind4\\uc1\\pard\\f0\\fs24 Times \\f1\\cf1 red Arial "
        "\\f2\\cf2\\highlight3 green mono\\cf0\\highlight0 \\par"
        "\\pard\\qc\\li720 {\\b bold} {\\i italic} {\\ul under} {\\strike struck} x{\\sub "
        "2}y{\\super 3}"
        "\\par}");
    QTest::newRow("groups and escapes") << QByteArray(
        "{\\rtf1\\ansi{\\*\\unknown skipped {nested}}a\\\\b\\{c\\}d{\\b{\\i{\\ul deep}}}e"
        "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}\\par}");
}

void TestRtfAgainstUnrtf::handwrittenSamples()
{
    QFETCH(QByteArray, rtf);
    QCOMPARE(TestSupport::rtfComparable(ourText(rtf)),
             TestSupport::rtfComparable(TestSupport::unrtfText(rtf)));
}

void TestRtfAgainstUnrtf::writerOutput_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("formatted");
    QString cp1252;
    for (char16_t c = 0x21; c < 0x7F; ++c)
        cp1252 += QChar(c);
    for (char16_t c = 0xA1; c <= 0xFF; ++c) {
        if (c != 0xAD)
            cp1252 += QChar(c);
    }
    cp1252 += QString::fromUtf8("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
    QTest::newRow("windows-1252 repertoire") << cp1252 << false;
    QTest::newRow("beyond windows-1252")
        << QString::fromUtf8("Ж Жук αβγ 日本語 ﬁ ☃ 😀x Ω\u2028next line") << false;
    QTest::newRow("formatted code")
        << QStringLiteral("Dim x As Integer ' count\u2029If x > 0 Then {x}\\n\tEnd If\u2029\u2029"
                          "caf\u00e9 \u20ac5")
        << true;
}

void TestRtfAgainstUnrtf::writerOutput()
{
    QFETCH(QString, text);
    QFETCH(bool, formatted);
    QTextDocument doc;
    QTextCursor cursor(&doc);
    cursor.insertText(text);
    if (formatted) {
        // a run of every format over the middle of the text
        cursor.setPosition(4);
        cursor.setPosition(int(text.size()) - 4, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setFontWeight(QFont::Bold);
        format.setFontItalic(true);
        format.setFontUnderline(true);
        format.setForeground(Qt::blue);
        format.setBackground(Qt::yellow);
        format.setFontFamilies({QStringLiteral("Courier New")});
        format.setFontPointSize(9);
        cursor.mergeCharFormat(format);
        QTextBlockFormat block;
        block.setAlignment(Qt::AlignHCenter);
        block.setLeftMargin(30);
        cursor.mergeBlockFormat(block);
    }
    const QByteArray rtf = RtfWriter::write(&doc);
    QCOMPARE(ourText(rtf), doc.toRawText());
    QCOMPARE(TestSupport::rtfComparable(TestSupport::unrtfText(rtf)),
             TestSupport::rtfComparable(doc.toRawText()));
}

void TestRtfAgainstUnrtf::plainTextModeOnLatin1()
{
    // unrtf's own text mode, on text it can print
    const QByteArray handwritten =
        "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset0 "
        "Arial;}}{\\colortbl;\\red9\\green9\\blue9;}"
        "\\f0 Caf\\'e9 na\\'efve {\\b\\cf1 \\'c6ther} \\'df \\'bd\\par second {\\i line}\\par}";
    QCOMPARE(TestSupport::rtfComparable(ourText(handwritten)),
             TestSupport::rtfComparable(TestSupport::unrtfPlainText(handwritten)));
    QString latin1;
    for (char16_t c = 0x21; c <= 0xFF; ++c) {
        if (c < 0x7F || (c > 0xA0 && c != 0xAD))
            latin1 += QChar(c);
    }
    QTextDocument doc;
    QTextCursor(&doc).insertText(latin1 + QStringLiteral("\u2029next"));
    const QByteArray written = RtfWriter::write(&doc);
    QCOMPARE(TestSupport::rtfComparable(TestSupport::unrtfPlainText(written)),
             TestSupport::rtfComparable(doc.toRawText()));
}

QTEST_MAIN(TestRtfAgainstUnrtf)
#include "tst_rtfunrtf.moc"
