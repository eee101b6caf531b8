#include "editor/keywordcolourer.h"
#include "platform/richtext/richtextbox.h"
#include "platform/richtext/rtfwriter.h"

#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

namespace {

using Span = KeywordColourer::Span;

const QColor Key = KeywordColourer::keywordColour();
const QColor Note = KeywordColourer::commentColour();

// The colour the overlay shows at a cursor position.
QColor shownAt(QTextDocument *doc, int position)
{
    const QTextBlock block = doc->findBlock(position);
    QColor colour;
    for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
        const int at = position - block.position();
        if (at >= range.start && at < range.start + range.length)
            colour = range.format.foreground().color();
    }
    return colour;
}

} // namespace

class TestKeywordColourer : public QObject
{
    Q_OBJECT

private slots:
    void colours();
    void keywordsAreWholeWordsAndCaseSensitive();
    void comments_data();
    void comments();
    void keywordsWithOtherCharacters();
    void noListGivesBaseOnly();
    void overlayLeavesStoredAnswer();
    void colourDocumentForExports();
};

void TestKeywordColourer::colours()
{
    // the BGR values &H400040, &HFF0000 and &H8000
    QCOMPARE(KeywordColourer::baseColour(), QColor(0x40, 0x00, 0x40));
    QCOMPARE(KeywordColourer::keywordColour(), QColor(0x00, 0x00, 0xFF));
    QCOMPARE(KeywordColourer::commentColour(), QColor(0x00, 0x80, 0x00));
}

void TestKeywordColourer::keywordsAreWholeWordsAndCaseSensitive()
{
    KeywordColourer colourer;
    colourer.setKeywords({"Dim", "As", "Integer"});
    QCOMPARE(colourer.spans(u"Dim x As Integer"),
             (std::vector<Span>{{0, 3, Key}, {6, 2, Key}, {9, 7, Key}}));
    QCOMPARE(colourer.spans(u"Dimension dim DIM xDim Dim_1 Dim2"), std::vector<Span>{});
    QCOMPARE(colourer.spans(u"(Dim).As,Integer"),
             (std::vector<Span>{{1, 3, Key}, {6, 2, Key}, {9, 7, Key}}));
    // a keyword listed twice colours once; blank entries are ignored
    colourer.setKeywords({"Dim", "Dim", "", " "});
    QCOMPARE(colourer.spans(u"Dim"), (std::vector<Span>{{0, 3, Key}}));
    // letters beyond ASCII are word characters
    colourer.setKeywords({"Für"});
    QCOMPARE(colourer.spans(u"Für Fürst"), (std::vector<Span>{{0, 3, Key}}));
}

void TestKeywordColourer::comments_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::vector<Span>>("expected");
    QTest::newRow("line comment") << QStringLiteral("x = 1 'note\r\ny")
                                  << std::vector<Span>{{6, 5, Note}};
    QTest::newRow("last line without line end")
        << QStringLiteral("a\r\nx = 1 'note") << std::vector<Span>{{9, 5, Note}};
    QTest::newRow("at the very start")
        << QStringLiteral("'note\r\nDim 'b")
        << std::vector<Span>{{0, 5, Note}, {7, 3, Key}, {11, 2, Note}};
    QTest::newRow("at a line start")
        << QStringLiteral("x\n'note") << std::vector<Span>{{2, 5, Note}};
    QTest::newRow("apostrophe in a word, comment after it")
        << QStringLiteral("don't Dim 'Dim note\r\nnext 'two")
        << std::vector<Span>{{6, 3, Key}, {10, 9, Note}, {26, 4, Note}};
    QTest::newRow("no blank before")
        << QStringLiteral("x='a' Dim") << std::vector<Span>{{6, 3, Key}};
    QTest::newRow("keywords inside a comment")
        << QStringLiteral("' Dim As") << std::vector<Span>{{0, 8, Note}};
    QTest::newRow("document separators")
        << QStringLiteral("a 'one\u2028b 'two\u2029Dim")
        << std::vector<Span>{{2, 4, Note}, {9, 4, Note}, {14, 3, Key}};
    QTest::newRow("lone apostrophe at the end")
        << QStringLiteral("x '") << std::vector<Span>{{2, 1, Note}};
}

void TestKeywordColourer::comments()
{
    QFETCH(QString, text);
    QFETCH(std::vector<Span>, expected);
    KeywordColourer colourer;
    colourer.setKeywords({"Dim"});
    QCOMPARE(colourer.spans(text), expected);
}

void TestKeywordColourer::keywordsWithOtherCharacters()
{
    KeywordColourer colourer;
    colourer.setKeywords({"C++", "#include", "End If", "int"});
    QCOMPARE(colourer.spans(u"#include <x> C++ int End If xC++ C++x End Iffy"),
             (std::vector<Span>{{0, 8, Key}, {13, 3, Key}, {17, 3, Key}, {21, 6, Key}}));
}

void TestKeywordColourer::noListGivesBaseOnly()
{
    RichTextBox box;
    box.setText(QStringLiteral("Dim x 'note"));
    KeywordColourer colourer(box.document());
    colourer.rehighlight();
    QVERIFY(!colourer.hasKeywords());
    QCOMPARE(colourer.spans(u"Dim x 'note"), std::vector<Span>{});
    QCOMPARE(shownAt(box.document(), 0), KeywordColourer::baseColour());
    QCOMPARE(shownAt(box.document(), 8), KeywordColourer::baseColour());
    colourer.setKeywords({"Dim"});
    QCOMPARE(shownAt(box.document(), 0), Key);
    QCOMPARE(shownAt(box.document(), 4), KeywordColourer::baseColour());
    QCOMPARE(shownAt(box.document(), 8), Note);
    colourer.clearKeywords();
    QCOMPARE(shownAt(box.document(), 0), KeywordColourer::baseColour());
}

void TestKeywordColourer::overlayLeavesStoredAnswer()
{
    const QString stored =
        QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                       "\\f0\\cf1 Dim x As Integer\\par\\cf0 y = 2 'note\\par}");
    RichTextBox box;
    box.setTextRtf(stored);
    const QByteArray before = RtfWriter::write(box.document());
    QSignalSpy changed(&box, &RichTextBox::changed);
    KeywordColourer colourer(box.document());
    colourer.setKeywords({"Dim", "As", "Integer"});
    colourer.rehighlight();
    QCOMPARE(changed.count(), 0); // colouring is no edit
    // shown in colour, stored as it was
    QCOMPARE(shownAt(box.document(), 0), Key);
    QCOMPARE(shownAt(box.document(), 4), KeywordColourer::baseColour());
    QCOMPARE(RtfWriter::write(box.document()), before);
    QCOMPARE(box.textRtf(), stored);
    QVERIFY(!box.isModified());
    // typing recolours the edited line
    box.setSelStart(int(box.text().size()));
    box.setSelText(QStringLiteral(" As"));
    const int last = box.document()->characterCount() - 2;
    QCOMPARE(shownAt(box.document(), last), Note);
    box.setSelText(QStringLiteral("\r\nAs"));
    QCOMPARE(shownAt(box.document(), box.document()->characterCount() - 2), Key);
}

void TestKeywordColourer::colourDocumentForExports()
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("Dim x 'c\nAs"));
    KeywordColourer colourer;
    colourer.setKeywords({"Dim", "As"});
    colourer.colourDocument(&doc);
    auto colourAt = [&](int position) {
        QTextCursor cursor(&doc);
        cursor.setPosition(position + 1);
        return cursor.charFormat().foreground().color();
    };
    QCOMPARE(colourAt(0), Key);
    QCOMPARE(colourAt(4), KeywordColourer::baseColour());
    QCOMPARE(colourAt(6), Note);
    QCOMPARE(colourAt(9), Key);
}

QTEST_MAIN(TestKeywordColourer)
#include "tst_keywordcolourer.moc"
