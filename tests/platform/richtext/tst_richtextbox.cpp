#include "platform/richtext/richtextbox.h"
#ifdef MARLUX_OWN_TEXT_LAYOUT
#include "platform/richtext/richtextlayout.h"
#endif
#include "platform/richtext/rtfwriter.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocumentFragment>

class TestRichTextBox : public QObject
{
    Q_OBJECT

private slots:
    void textCountsLineBreaksAsCrLf();
    void offsetsAgreeWithText();
    void selTextReplaces();
    void selectionFormats();
    void findOptions();
    void spanAndLines();
    void unchangedAnswerKeepsItsBytes();
    void changedOnlyForText();
    void textFollowsEveryKindOfEdit();
    void lockedRefusesTyping();
    void filesLoadAndSave();
    void answerBuiltAwayFromTheScreen();
    void editsLayOutAsAFreshLayoutWould();
};

void TestRichTextBox::textCountsLineBreaksAsCrLf()
{
    RichTextBox box;
    box.setText(QStringLiteral("a\r\nb\rc\nd"));
    QCOMPARE(box.text(), QStringLiteral("a\r\nb\r\nc\r\nd"));
    QCOMPARE(box.textLength(), 10);
    QCOMPARE(box.document()->blockCount(), 4);
    // a line break inside a paragraph is a line end too
    box.setTextRtf(QStringLiteral("{\\rtf1 one\\line two\\par three\\par}"));
    QCOMPARE(box.text(), QStringLiteral("one\r\ntwo\r\nthree"));
    box.setText(QString());
    QCOMPARE(box.text(), QString());
    QCOMPARE(box.textLength(), 0);
}

void TestRichTextBox::offsetsAgreeWithText()
{
    RichTextBox box;
    box.setText(QStringLiteral("ab\r\ncd\r\n\r\nef"));
    const QString text = box.text();
    // every offset the text yields (InStr and friends) selects the same characters
    for (int i = 0; i <= text.size(); ++i) {
        const bool midBreak = i > 0 && text[i - 1] == u'\r';
        box.setSelStart(i);
        QCOMPARE(box.selStart(), midBreak ? i - 1 : i);
        if (midBreak)
            continue;
        for (int length = 0; i + length <= text.size(); ++length) {
            const bool endsMidBreak = length > 0 && text[i + length - 1] == u'\r';
            box.setSelStart(i);
            box.setSelLength(length);
            QCOMPARE(box.selStart(), i);
            QCOMPARE(box.selLength(), endsMidBreak ? length + 1 : length);
            QCOMPARE(box.selText(), text.mid(i, box.selLength()));
        }
    }
    // past the end is the end
    box.setSelStart(1000);
    QCOMPARE(box.selStart(), int(text.size()));
    box.setSelStart(2);
    box.setSelLength(1000);
    QCOMPARE(box.selLength(), int(text.size()) - 2);
    // a picture is one character, as in the document
    box.setTextRtf(QStringLiteral("{\\rtf1 a{\\pict\\wmetafile8 00}b\\par c}"));
    QCOMPARE(box.text(), QStringLiteral("a\uFFFCb\r\nc"));
    QCOMPARE(box.find(QStringLiteral("c")), 5);
    QCOMPARE(box.toPosition(5), 4);
    QCOMPARE(box.toOffset(4), 5);
}

void TestRichTextBox::selTextReplaces()
{
    RichTextBox box;
    box.setText(QStringLiteral("hello world"));
    box.setSelStart(6);
    box.setSelLength(5);
    QCOMPARE(box.selText(), QStringLiteral("world"));
    box.setSelText(QStringLiteral("there\r\nfriend"));
    QCOMPARE(box.text(), QStringLiteral("hello there\r\nfriend"));
    QCOMPARE(box.selStart(), int(box.text().size()));
    QCOMPARE(box.selLength(), 0);
    // with nothing selected it inserts at the caret
    box.setSelStart(0);
    box.setSelText(QStringLiteral(">"));
    QCOMPARE(box.text(), QStringLiteral(">hello there\r\nfriend"));
    QCOMPARE(box.selStart(), 1);
}

void TestRichTextBox::selectionFormats()
{
    RichTextBox box;
    box.setTextRtf(QStringLiteral("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                                  "{\\colortbl;\\red255\\green0\\blue0;}"
                                  "\\f0\\fs20 plain \\b\\cf1 bold\\b0\\cf0  \\f1\\fs28 mono\\par"
                                  "\\qc centred\\par}"));
    box.setSelStart(6);
    box.setSelLength(4);
    QCOMPARE(box.selText(), QStringLiteral("bold"));
    QCOMPARE(box.selBold(), std::optional<bool>(true));
    QCOMPARE(box.selColor(), QColor(255, 0, 0));
    QCOMPARE(box.selFontName(), QStringLiteral("Arial"));
    QCOMPARE(box.selFontSize(), 10.0);
    // mixed selections have no single value
    box.setSelStart(0);
    box.setSelLength(10);
    QCOMPARE(box.selBold(), std::nullopt);
    QVERIFY(!box.selColor().isValid());
    box.setSelLength(15);
    QCOMPARE(box.selFontName(), QString());
    QCOMPARE(box.selFontSize(), 0.0);
    box.setSelLength(int(box.text().size()));
    QCOMPARE(box.selAlignment(), int(RichTextBox::AlignMixed));
    // setting applies to the selection only
    box.setSelStart(0);
    box.setSelLength(5);
    box.setSelItalic(true);
    box.setSelUnderline(true);
    box.setSelColor(QColor(0, 0, 255));
    box.setSelFontName(QStringLiteral("Times"));
    box.setSelFontSize(18);
    QCOMPARE(box.selItalic(), std::optional<bool>(true));
    QCOMPARE(box.selUnderline(), std::optional<bool>(true));
    QCOMPARE(box.selColor(), QColor(0, 0, 255));
    QCOMPARE(box.selFontName(), QStringLiteral("Times"));
    QCOMPARE(box.selFontSize(), 18.0);
    box.setSelStart(6);
    box.setSelLength(4);
    QCOMPARE(box.selItalic(), std::optional<bool>(false));
    box.setSelBold(false);
    QCOMPARE(box.selBold(), std::optional<bool>(false));
    // alignment is the paragraph's; the caret alone reports its own paragraph
    box.setSelStart(box.find(QStringLiteral("centred")));
    box.setSelLength(0);
    QCOMPARE(box.selAlignment(), int(RichTextBox::AlignCentre));
    box.setSelAlignment(RichTextBox::AlignRight);
    QCOMPARE(box.selAlignment(), int(RichTextBox::AlignRight));
    box.setSelStart(0);
    QCOMPARE(box.selAlignment(), int(RichTextBox::AlignLeft));
    // and everything survives the RTF
    RichTextBox copy;
    copy.setTextRtf(box.textRtf());
    copy.setSelStart(0);
    copy.setSelLength(5);
    QCOMPARE(copy.selColor(), QColor(0, 0, 255));
    QCOMPARE(copy.selFontName(), QStringLiteral("Times"));
    QCOMPARE(copy.selFontSize(), 18.0);
    QCOMPARE(copy.selItalic(), std::optional<bool>(true));
}

void TestRichTextBox::findOptions()
{
    RichTextBox box;
    box.setText(QStringLiteral("Dim x\r\nDimension dim DIM Dim"));
    QCOMPARE(
        box.find(QStringLiteral("Dim"), 0, -1, RichTextBox::WholeWord | RichTextBox::MatchCase), 0);
    QCOMPARE(box.selLength(), 3);
    // the next search starts after the selection, as the find window does it
    const int next = box.selStart() + box.selLength();
    QCOMPARE(box.find(QStringLiteral("Dim"), next, -1, 6), 25);
    QCOMPARE(box.selText(), QStringLiteral("Dim"));
    QCOMPARE(box.find(QStringLiteral("Dim"), 26, -1, 6), -1);
    QCOMPARE(box.find(QStringLiteral("dim"), 1), 7); // inside Dimension, any case
    QCOMPARE(box.find(QStringLiteral("dim"), 1, -1, RichTextBox::WholeWord), 17);
    QCOMPARE(box.find(QStringLiteral("dim"), 1, -1, RichTextBox::MatchCase), 17);
    // the end bounds the hit
    QCOMPARE(box.find(QStringLiteral("x"), 0, 4), -1);
    QCOMPARE(box.find(QStringLiteral("x"), 0, 5), 4);
    QCOMPARE(box.find(QString()), -1);
    QCOMPARE(box.find(QStringLiteral("x\r\nDim")), 4);
    QCOMPARE(box.selText(), QStringLiteral("x\r\nDim"));
    // no highlight: selected, not shown
    const QColor highlight = box.palette().color(QPalette::Highlight);
    QCOMPARE(box.find(QStringLiteral("DIM"), 0, -1, RichTextBox::NoHighlight | 4), 21);
    QVERIFY(box.isSelectionHidden());
    QCOMPARE(box.selStart(), 21);
    QCOMPARE(box.selLength(), 3);
    // a background set meanwhile stays when the selection shows again
    box.setBackColor(QColor(0xC0, 0xC0, 0xFF));
    box.find(QStringLiteral("DIM"), 0, -1, 4);
    QVERIFY(!box.isSelectionHidden());
    QCOMPARE(box.backColor(), QColor(0xC0, 0xC0, 0xFF));
    QCOMPARE(box.palette().color(QPalette::Highlight), highlight);
}

void TestRichTextBox::spanAndLines()
{
    RichTextBox box;
    box.setText(QStringLiteral("Use it. Then\r\nmore, words"));
    // a sentence: over everything but its mark, then the mark
    box.setSelStart(0);
    box.span(QStringLiteral(".?!:"), true, true);
    box.setSelLength(box.selLength() + 1);
    QCOMPARE(box.selText(), QStringLiteral("Use it."));
    // a word
    box.setSelStart(0);
    box.setSelLength(0);
    box.span(QStringLiteral(" ,;:.?!"), true, true);
    QCOMPARE(box.selText(), QStringLiteral("Use"));
    // across a line end, and backwards
    box.setSelStart(8);
    box.setSelLength(0);
    box.span(QStringLiteral(",."), true, true);
    QCOMPARE(box.selText(), QStringLiteral("Then\r\nmore"));
    box.setSelStart(12);
    box.setSelLength(0);
    box.span(QStringLiteral("enhT"), false);
    QCOMPARE(box.selText(), QStringLiteral("Then"));
    // lines as shown: two paragraphs, then a long one that wraps
    box.resize(200, 300);
    box.show();
    QCOMPARE(box.lineCount(), 2);
    box.setText(QString(400, u'x').replace(QLatin1String("xxxxx"), QLatin1String("xxxx ")));
    QVERIFY(box.lineCount() > 3);
}

void TestRichTextBox::unchangedAnswerKeepsItsBytes()
{
    // not what our writer would produce: a stored answer from elsewhere
    const QString stored =
        QStringLiteral("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times;}}{\\*\\generator x;}"
                       "\\pard\\plain\\f0\\fs20 Dim x\\par{\\*\\unknownthing kept}\\par}\r\n");
    RichTextBox box;
    box.setTextRtf(stored);
    QVERIFY(!box.isModified());
    QCOMPARE(box.textRtf(), stored);
    // moving around and selecting changes nothing
    box.setSelStart(2);
    box.setSelLength(3);
    QCOMPARE(box.textRtf(), stored);
    // typing and taking it back leaves the same content
    box.setSelText(QStringLiteral("m x"));
    QCOMPARE(box.textRtf(), stored);
    box.setSelStart(0);
    box.setSelLength(1);
    box.setSelText(QStringLiteral("d"));
    QVERIFY(box.isModified());
    QVERIFY(box.textRtf() != stored);
    QVERIFY(box.textRtf().startsWith(u"{\\rtf1"));
    // a format change is a change
    box.setTextRtf(stored);
    box.setSelStart(0);
    box.setSelLength(3);
    box.setSelBold(true);
    QVERIFY(box.isModified());
    // a plain-text answer stays plain text while unchanged
    box.setTextRtf(QStringLiteral("plain answer"));
    QCOMPARE(box.textRtf(), QStringLiteral("plain answer"));
    QCOMPARE(box.text(), QStringLiteral("plain answer"));
    // text set directly has no stored form
    box.setText(QStringLiteral("typed"));
    QVERIFY(box.textRtf().startsWith(u"{\\rtf1"));
}

void TestRichTextBox::changedOnlyForText()
{
    RichTextBox box;
    box.setText(QStringLiteral("abc"));
    QSignalSpy spy(&box, &RichTextBox::changed);
    box.setSelStart(0);
    box.setSelLength(3);
    box.setSelColor(Qt::red);
    box.setSelBold(true);
    QCOMPARE(spy.count(), 0);
    // a same-length replacement is a change
    box.setSelStart(1);
    box.setSelLength(1);
    box.setSelText(QStringLiteral("X"));
    QVERIFY(spy.count() > 0);
    QCOMPARE(box.text(), QStringLiteral("aXc"));
}

void TestRichTextBox::textFollowsEveryKindOfEdit()
{
    // The text is patched where each edit happened; it must read as the document does.
    RichTextBox box;
    box.setTextRtf(QStringLiteral("{\\rtf1 one\\par two\\line three\\par {\\b four}\\par}"));
    const auto check = [&](const char *step) {
        QString text = box.document()->toRawText();
        for (const char16_t mark : {u'\u2029', u'\u2028', u'\uFDD0', u'\uFDD1'})
            text.replace(QChar(mark), QLatin1String("\r\n"));
        QVERIFY2(box.text() == text && box.textLength() == text.size(), step);
        QVERIFY2(box.toOffset(box.document()->characterCount() - 1) == text.size(), step);
    };
    QTextCursor cursor(box.document());
    cursor.insertText(QStringLiteral("start "));
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral(" end"));
    check("inserts at the start and the end");
    cursor.setPosition(3);
    cursor.setPosition(16, QTextCursor::KeepAnchor);
    cursor.insertText(QStringLiteral("x\ny"));
    check("a replacement across breaks");
    QSignalSpy changed(&box, &RichTextBox::changed);
    cursor.select(QTextCursor::Document);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.mergeCharFormat(bold);
    QCOMPARE(changed.count(), 0); // formats alone are no change of the text
    box.document()->undo();
    box.document()->undo();
    check("undo");
    box.document()->clear();
    check("cleared");
}

void TestRichTextBox::lockedRefusesTyping()
{
    RichTextBox box;
    box.setText(QStringLiteral("abc"));
    box.setLocked(true);
    QVERIFY(box.locked());
    box.setSelStart(3);
    QTest::keyClicks(&box, QStringLiteral("xyz"));
    QCOMPARE(box.text(), QStringLiteral("abc"));
    // still selectable from the keyboard
    QTest::keyClick(&box, Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(box.selLength(), 1);
    box.setLocked(false);
    box.setSelStart(3);
    QTest::keyClicks(&box, QStringLiteral("d"));
    QCOMPARE(box.text(), QStringLiteral("abcd"));
}

void TestRichTextBox::filesLoadAndSave()
{
    QTemporaryDir dir;
    const QString rtfPath = dir.filePath(QStringLiteral("answer.rtf"));
    // a file with 8-bit bytes and a layout of its own is saved back unchanged
    const QByteArray original = "{\\rtf1\\ansi\\ansicpg1252 Caf\xe9  two\\par}";
    {
        QFile file(rtfPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(original);
    }
    RichTextBox box;
    QString error;
    QVERIFY(box.loadFile(rtfPath, RichTextBox::RtfFile, &error));
    QCOMPARE(box.text(), QString::fromUtf8("Café  two"));
    const QString copyPath = dir.filePath(QStringLiteral("copy.rtf"));
    QVERIFY(box.saveFile(copyPath));
    QFile copy(copyPath);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), original);
    // once changed, the writer's RTF is saved
    box.setSelStart(0);
    box.setSelText(QStringLiteral("x"));
    QVERIFY(box.saveFile(copyPath));
    RichTextBox back;
    QVERIFY(back.loadFile(copyPath));
    QCOMPARE(back.text(), QString::fromUtf8("xCafé  two"));
    // text files
    const QString textPath = dir.filePath(QStringLiteral("answer.txt"));
    back.setText(QStringLiteral("line 1\r\nline 2"));
    QVERIFY(back.saveFile(textPath, RichTextBox::TextFile));
    RichTextBox text;
    QVERIFY(text.loadFile(textPath, RichTextBox::TextFile));
    QCOMPARE(text.text(), QStringLiteral("line 1\r\nline 2"));
    // a plain file loaded as rich text gives its text
    QVERIFY(text.loadFile(textPath, RichTextBox::RtfFile));
    QCOMPARE(text.text(), QStringLiteral("line 1\r\nline 2"));
    // failures say why and leave the box alone
    QVERIFY(
        !text.loadFile(dir.filePath(QStringLiteral("missing.rtf")), RichTextBox::RtfFile, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(text.text(), QStringLiteral("line 1\r\nline 2"));
    error.clear();
    QVERIFY(!text.saveFile(dir.filePath(QStringLiteral("no/such/folder/x.rtf")),
                           RichTextBox::RtfFile, &error));
    QVERIFY(!error.isEmpty());
}

void TestRichTextBox::answerBuiltAwayFromTheScreen()
{
    // a shown document lays out again after each paragraph added: a huge answer took minutes
    RichTextBox box;
    box.resize(400, 300);
    box.show();
    QFont font(QStringLiteral("Serif"), 15);
    box.document()->setDefaultFont(font);
    QByteArray rtf = "{\\rtf1 ";
    for (int i = 0; i < 2000; ++i)
        rtf += "line " + QByteArray::number(i) + "\\par ";
    rtf += "}";
    QPointer<QTextDocument> shown = box.document();
    int touched = 0;
    connect(shown, &QTextDocument::contentsChange, this, [&] { ++touched; });
    QSignalSpy replaced(&box, &RichTextBox::documentReplaced);
    QSignalSpy changed(&box, &RichTextBox::changed);
    box.setTextRtf(QString::fromLatin1(rtf));
    QCOMPARE(touched, 0);
    QCOMPARE(replaced.count(), 1);
    QCOMPARE(replaced.first().first().value<QTextDocument *>(), box.document());
    QCOMPARE(changed.count(), 1);
    QVERIFY(!shown); // no document left behind
    QCOMPARE(box.document()->defaultFont(), font);
    QCOMPARE(box.document()->blockCount(), 2000);
    QVERIFY(!box.isModified());
    QCOMPARE(box.textRtf(), QString::fromLatin1(rtf));
    // edits reach the box from the new document
    box.setSelStart(0);
    box.setSelText(QStringLiteral("x"));
    QVERIFY(box.isModified());
    QVERIFY(box.text().startsWith(u"xline 0\r\n"));
}

void TestRichTextBox::editsLayOutAsAFreshLayoutWould()
{
#ifndef MARLUX_OWN_TEXT_LAYOUT
    QSKIP("Qt's private headers are missing: Qt's own layout does all the work");
#else
    // A key that keeps its paragraph's height is laid out in that paragraph alone; whatever
    // mix of edits follows, every paragraph must stand where a fresh layout puts it.
    RichTextBox box;
    box.resize(500, 300);
    box.show();
    QByteArray rtf = "{\\rtf1 ";
    for (int i = 0; i < 3000; ++i)
        rtf += (i % 50 == 7 ? "\\pard\\qc centred " : "\\pard line ") + QByteArray::number(i) +
               "\\par ";
    rtf += "}";
    QSignalSpy laidOut(&box, &RichTextBox::laidOut);
    box.setTextRtf(QString::fromLatin1(rtf));
    QTRY_COMPARE(laidOut.count(), 1); // laid out in steps, and says when it is done
    auto *layout = qobject_cast<RichTextLayout *>(box.document()->documentLayout());
    QVERIFY(layout);

    const auto matchesFreshLayout = [&](const char *step) {
        QTextDocument fresh;
        fresh.setDocumentMargin(box.document()->documentMargin());
        fresh.setDefaultFont(box.document()->defaultFont());
        fresh.setPageSize(box.document()->pageSize());
        QTextCursor(&fresh).insertFragment(QTextDocumentFragment(box.document()));
        QAbstractTextDocumentLayout *ours = box.document()->documentLayout();
        QAbstractTextDocumentLayout *theirs = fresh.documentLayout();
        QVERIFY2(ours->documentSize() == theirs->documentSize(), step);
        QTextBlock a = box.document()->begin();
        for (QTextBlock b = fresh.begin(); a.isValid() && b.isValid(); a = a.next(), b = b.next())
            QVERIFY2(ours->blockBoundingRect(a) == theirs->blockBoundingRect(b), step);
    };
    box.setFocus();
    box.setSelStart(box.find(QStringLiteral("line 1500")) + 9);
    const int ownBefore = layout->ownLayouts();
    QTest::keyClicks(&box, QStringLiteral(" more"));
    QCOMPARE(layout->ownLayouts() - ownBefore, 5);
    matchesFreshLayout("typing");
    // Then edits that move what follows, typed before and after the first ones.
    QTest::keyClick(&box, Qt::Key_Return);
    box.setSelStart(box.find(QStringLiteral("line 2900")));
    QTest::keyClicks(&box, QStringLiteral("abc"));
    box.setSelStart(box.find(QStringLiteral("line 10")));
    QTest::keyClick(&box, Qt::Key_Backspace);
    matchesFreshLayout("a new line, and two lines joined");
    box.setSelStart(box.find(QStringLiteral("line 200")) + 8);
    QTest::keyClicks(&box, QString(200, QLatin1Char('w')));
    box.setSelStart(box.find(QStringLiteral("centred 57")) + 10);
    QTest::keyClicks(&box, QStringLiteral("xyz"));
    box.setSelStart(box.find(QStringLiteral("line 400")));
    box.setSelAlignment(RichTextBox::AlignRight);
    // characters typed in a bigger font make their line higher
    box.setSelStart(box.find(QStringLiteral("line 500")));
    box.setSelFontSize(30);
    QTest::keyClicks(&box, QStringLiteral("big"));
    matchesFreshLayout("a wrapped line, formats and keys");
#endif
}

QTEST_MAIN(TestRichTextBox)
#include "tst_richtextbox.moc"
