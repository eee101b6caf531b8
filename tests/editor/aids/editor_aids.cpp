// The editing aids of a record window's boxes and the main-window tools that follow them.
#include "../layout/recordwindowfixture.h"
#include "editor/editingaids.h"
#include "editor/frmrecord.h"
#include "kb/frmmain.h"
#include "platform/base/colors.h"
#include "platform/richtext/richtextbox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

namespace {

EditingAids *aidsOf(FrmRecord *form)
{
    return form->findChild<EditingAids *>(QStringLiteral("EditingAids"));
}

void select(RichTextBox *box, int start, int length)
{
    box->setSelStart(start);
    box->setSelLength(length);
}

bool pressed(FrmMain *main, const char *key)
{
    return main->toolbarButton(QString::fromLatin1(key))->isChecked();
}

QAction *item(FrmMain *main, const char *name)
{
    return main->menuItem(QString::fromLatin1(name));
}

void rightClick(RichTextBox *box, QPoint at = QPoint(10, 10))
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, box->viewport()->mapToGlobal(at));
    QApplication::sendEvent(box->viewport(), &event);
}

// Which Edit menu items showed while the menu was up.
struct PopupRecord
{
    int count = 0;
    QPoint at;
    QStringList shown;
    QStringList hidden;
    bool copyEnabled = false;
};

void recordPopups(EditingAids *aids, FrmMain *main, PopupRecord *record)
{
    aids->setPopup([main, record](QMenu *menu, const QPoint &at) {
        QCOMPARE(menu, main->subMenu(QStringLiteral("mnuEdit")));
        ++record->count;
        record->at = at;
        record->shown.clear();
        record->hidden.clear();
        for (const QString &name : EditingAids::EditMenuItems())
            (main->menuItem(name)->isVisible() ? record->shown : record->hidden).append(name);
        record->copyEnabled = main->menuItem(QStringLiteral("mnuEditCopy"))->isEnabled();
    });
}

// Plain, then bold, in a left paragraph of 12 points; a centred paragraph of 16 points.
const QString MixedRtf =
    QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                   "\\pard\\f0\\fs24 plain \\b bold\\b0\\par\\pard\\qc\\f1\\fs32 centred\\par}");

} // namespace

class TestAids : public QObject
{
    Q_OBJECT

private slots:
    void tabTypesIntoUnlockedBoxesOnly()
    {
        RecordWindowFixture f;
        FrmRecord *form = f.form();
        RichTextBox *answer = form->RTBAnswer;
        QPlainTextEdit *question = form->RTBQuestion;
        QCOMPARE(answer->text(), QStringLiteral("Use it. Then"));

        // Browsing: the boxes are locked and Tab is left alone.
        QVERIFY(answer->locked());
        answer->setSelStart(3);
        QTest::keyClick(answer, Qt::Key_Tab);
        QCOMPARE(answer->text(), QStringLiteral("Use it. Then"));
        QTest::keyClick(question, Qt::Key_Tab);
        QCOMPARE(question->toPlainText(), QStringLiteral("First question"));

        form->EditRec();
        QVERIFY(!answer->locked());
        f.main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
        answer->setFocus();
        QVERIFY(answer->hasFocus());
        answer->setSelStart(3);
        QTest::keyClick(answer, Qt::Key_Tab);
        QCOMPARE(answer->text(), QStringLiteral("Use\t it. Then"));
        QCOMPARE(answer->selStart(), 4);
        QVERIFY(answer->hasFocus());
        // A selection is replaced by the tab; Shift+Tab types one as well.
        select(answer, 5, 2);
        QTest::keyClick(answer, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(answer->text(), QStringLiteral("Use\t \t. Then"));
        QVERIFY(answer->hasFocus());

        // The question box types exactly one tab.
        question->setFocus();
        question->moveCursor(QTextCursor::End);
        QTest::keyClick(question, Qt::Key_Tab);
        QCOMPARE(question->toPlainText(), QStringLiteral("First question\t"));
        QVERIFY(question->hasFocus());
        form->CancelChange(true);
    }

    void ctrlSAndCtrlWSelectOnRelease()
    {
        RecordWindowFixture f;
        FrmRecord *form = f.form();
        RichTextBox *answer = form->RTBAnswer;

        answer->setSelStart(0);
        QTest::keyRelease(answer, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(answer->selText(), QStringLiteral("Use it."));
        answer->setSelStart(0);
        QTest::keyRelease(answer, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(answer->selText(), QStringLiteral("Use"));
        // The shift state must be exactly Ctrl; a press alone does nothing.
        answer->setSelStart(0);
        QTest::keyRelease(answer, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyRelease(answer, Qt::Key_W, Qt::ControlModifier | Qt::AltModifier);
        QTest::keyRelease(answer, Qt::Key_S, Qt::NoModifier);
        QTest::keyPress(answer, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(answer->selLength(), 0);

        // From inside the text; a last sentence without a mark runs to the end.
        answer->setSelStart(4);
        QTest::keyRelease(answer, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(answer->selText(), QStringLiteral("it."));
        answer->setSelStart(8);
        QTest::keyRelease(answer, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(answer->selText(), QStringLiteral("Then"));
        answer->setSelStart(8);
        QTest::keyRelease(answer, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(answer->selText(), QStringLiteral("Then"));
        // An existing selection is extended from its end.
        select(answer, 0, 2);
        QTest::keyRelease(answer, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(answer->selText(), QStringLiteral("Use"));
        QTest::keyRelease(answer, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(answer->selText(), QStringLiteral("Use"));

        // A sentence runs over line ends; the span stops at any of its marks.
        answer->setText(QStringLiteral("Why\r\nnot? Yes"));
        answer->setSelStart(0);
        QTest::keyRelease(answer, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(answer->selText(), QStringLiteral("Why\r\nnot?"));
        QCOMPARE(EditingAids::SpanEnd(QStringLiteral("a;b"), 0, QStringLiteral(" ,;:.?!")), 1);
        QCOMPARE(EditingAids::SpanEnd(QStringLiteral("ab"), 5, QStringLiteral(".")), 2);

        form->SelectALL();
        QCOMPARE(answer->selText(), answer->text());
    }

    void ctrlSAlsoSavesAndCtrlWKeepsTheWindow()
    {
        // File > Save keeps Ctrl+S: the press runs the menu item, the release still selects.
        RecordWindowFixture f;
        FrmRecord *form = f.form();
        RichTextBox *answer = form->RTBAnswer;
        QAction *save = item(f.main.get(), "mnuFileSave");
        QCOMPARE(save->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        save->setEnabled(true);
        f.main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
        QSignalSpy saved(save, &QAction::triggered);
        answer->setFocus();
        answer->setSelStart(0);
        QTest::keyClick(answer, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(saved.count(), 1);
        QCOMPARE(answer->selText(), QStringLiteral("Use it."));

        // Ctrl+W would close the window on this desktop; in the answer it selects a word.
        const QPointer<QMdiSubWindow> window = f.subWindow();
        answer->setSelStart(0);
        QTest::keyPress(answer, Qt::Key_W, Qt::ControlModifier);
        QVERIFY(window && window->isVisible());
        QTest::keyRelease(answer, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(answer->selText(), QStringLiteral("Use"));
    }

    void rightClickOffersTheEditMenu()
    {
        RecordWindowFixture f;
        FrmMain *main = f.main.get();
        FrmRecord *form = f.form();
        RichTextBox *answer = form->RTBAnswer;
        PopupRecord popup;
        recordPopups(aidsOf(form), main, &popup);
        const QStringList recordItems = {
            QStringLiteral("mnuTransfer"), QStringLiteral("mnuEditAddMore"),
            QStringLiteral("mnuEditCurRec"), QStringLiteral("mnuEditDelete")};
        const QStringList clipboardItems = {
            QStringLiteral("mnuEditPaste"), QStringLiteral("mnuEditCut"),
            QStringLiteral("mnuEditUndo"), QStringLiteral("mnuEditRedo"),
            QStringLiteral("mnuEditBar0")};

        // Browsing: the record items, no clipboard or undo items; Copy needs a selection.
        answer->setSelStart(0);
        rightClick(answer, QPoint(12, 7));
        QCOMPARE(popup.count, 1);
        QCOMPARE(popup.at, answer->viewport()->mapToGlobal(QPoint(12, 7)));
        QCOMPARE(popup.shown, recordItems + QStringList{QStringLiteral("mnuEditBar1")});
        QCOMPARE(popup.hidden, clipboardItems);
        QVERIFY(!popup.copyEnabled);
        for (const QString &name : EditingAids::EditMenuItems())
            QVERIFY2(main->menuItem(name)->isVisible(), qPrintable(name));
        select(answer, 0, 3);
        rightClick(answer);
        QVERIFY(popup.copyEnabled);

        // Editing: the reverse, and the bar between them goes too.
        form->EditRec();
        rightClick(answer);
        QCOMPARE(popup.count, 3);
        QCOMPARE(popup.shown, clipboardItems);
        QCOMPARE(popup.hidden, recordItems + QStringList{QStringLiteral("mnuEditBar1")});
        for (const QString &name : EditingAids::EditMenuItems())
            QVERIFY2(main->menuItem(name)->isVisible(), qPrintable(name));
        form->CancelChange(true);
    }

    void searchWindowShowsTheBoxMenu()
    {
        RecordWindowFixture f;
        RichTextBox answer;
        QPlainTextEdit question;
        EditingAids aids(f.main.get(), &question, &answer, true, nullptr, nullptr);
        int ours = 0;
        aids.setPopup([&ours](QMenu *, const QPoint &) { ++ours; });
        answer.setText(QStringLiteral("found text"));
        answer.resize(200, 100);
        answer.show();
        rightClick(&answer);
        QCOMPARE(ours, 0);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QVERIFY(!menu->actions().isEmpty());
        menu->close();
    }

    void formatToolsFollowTheSelection()
    {
        RecordWindowFixture f;
        FrmMain *main = f.main.get();
        FrmRecord *form = f.form();
        RichTextBox *answer = form->RTBAnswer;
        form->EditRec();
        QVERIFY(!main->TBEdit->isHidden());
        answer->setTextRtf(MixedRtf);
        QCOMPARE(answer->text(), QStringLiteral("plain bold\r\ncentred"));
        QSignalSpy fontSignals(main->ComboFont, &QComboBox::currentIndexChanged);
        QSignalSpy sizeSignals(main->ComboFontSize, &QComboBox::editTextChanged);

        select(answer, 6, 4);
        QVERIFY(pressed(main, "Bold"));
        QVERIFY(!pressed(main, "Italic"));
        QVERIFY(!pressed(main, "Underline"));
        QVERIFY(pressed(main, "Align Left"));
        QVERIFY(!pressed(main, "Align Right"));
        QVERIFY(!pressed(main, "Center"));
        QCOMPARE(main->ComboFontSize->currentText(), QStringLiteral("12"));
        // "Arial" may not be installed: the combo then names the font drawn in its place.
        QVERIFY(!main->ComboFont->currentText().isEmpty());
        QVERIFY(item(main, "mnuEditCut")->isEnabled());
        QVERIFY(item(main, "mnuEditCopy")->isEnabled());

        // A selection half plain, half bold: Bold is not pressed.
        select(answer, 0, 10);
        QVERIFY(!pressed(main, "Bold"));
        QCOMPARE(main->ComboFontSize->currentText(), QStringLiteral("12"));

        // Over both paragraphs: no alignment, no single size or font.
        select(answer, 3, 10);
        QVERIFY(!pressed(main, "Align Left"));
        QVERIFY(!pressed(main, "Align Right"));
        QVERIFY(!pressed(main, "Center"));
        QCOMPARE(main->ComboFontSize->currentText(), QString());
        QCOMPARE(main->ComboFont->currentIndex(), -1);

        // The caret alone: its own formats; nothing to cut or copy.
        answer->setSelStart(15);
        QVERIFY(pressed(main, "Center"));
        QVERIFY(!pressed(main, "Align Left"));
        QCOMPARE(main->ComboFontSize->currentText(), QStringLiteral("16"));
        QVERIFY(!item(main, "mnuEditCut")->isEnabled());
        QVERIFY(!item(main, "mnuEditCopy")->isEnabled());
        // Showing a value never runs the combos' own handling.
        QCOMPARE(fontSignals.count(), 0);
        QCOMPARE(sizeSignals.count(), 0);

        // An installed font is shown by its own name.
        const QString installed = main->ComboFont->itemText(main->ComboFont->count() / 2);
        answer->setTextRtf(
            QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 %1;}}\\pard\\f0 in it\\par}")
                .arg(installed));
        select(answer, 0, 2);
        QCOMPARE(main->ComboFont->currentText(), installed);

        // Paste follows the clipboard's text, Select All the answer's.
        QApplication::clipboard()->setText(QStringLiteral("clip"));
        answer->setSelStart(1);
        QVERIFY(item(main, "mnuEditPaste")->isEnabled());
        QVERIFY(item(main, "mnuSelectAll")->isEnabled());
        QApplication::clipboard()->clear();
        answer->clear();
        aidsOf(form)->RTBAnswer_SelChange();
        QVERIFY(!item(main, "mnuEditPaste")->isEnabled());
        QVERIFY(!item(main, "mnuSelectAll")->isEnabled());

        // The toolbar comes up showing this window's selection.
        answer->setTextRtf(MixedRtf);
        main->TBEdit->hide();
        select(answer, 6, 4);
        main->toolbarButton(QStringLiteral("Bold"))->setChecked(false);
        main->TBEdit->show();
        QVERIFY(pressed(main, "Bold"));

        // While browsing the tools are left alone.
        form->CancelChange(true);
        QVERIFY(main->TBEdit->isHidden());
        answer->setTextRtf(MixedRtf);
        main->toolbarButton(QStringLiteral("Bold"))->setChecked(false);
        select(answer, 6, 4);
        QVERIFY(!pressed(main, "Bold"));
    }

    void questionBoxGrowsWithItsLines()
    {
        RecordWindowFixture f;
        FrmRecord *form = f.form();
        QPlainTextEdit *question = form->RTBQuestion;
        RichTextBox *answer = form->RTBAnswer;
        const int line = Twips::toPixels(360);
        // The first record's one-line question is one line high from the start, shown whole.
        QApplication::sendPostedEvents();
        QCOMPARE(question->height(), line);
        QCOMPARE(question->verticalScrollBar()->maximum(), 0);
        f.resizeWindow(600, 700);
        form->EditRec();

        question->setPlainText(QStringLiteral("one\ntwo"));
        QCOMPARE(question->height(), 2 * line);
        const int answerHeight = answer->height();
        // A third line typed: 720 to 1080 twips, and the answer gives up 360.
        question->moveCursor(QTextCursor::End);
        QTest::keyClick(question, Qt::Key_Return);
        QTest::keyClicks(question, QStringLiteral("three"));
        QCOMPARE(question->height(), 3 * line);
        QCOMPARE(answer->height(), answerHeight - line);
        // Deleting back to two lines restores both.
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(question, Qt::Key_Backspace);
        QCOMPARE(question->toPlainText(), QStringLiteral("one\ntwo"));
        QCOMPARE(question->height(), 2 * line);
        QCOMPARE(answer->height(), answerHeight);

        // A wrapped line counts as a line.
        question->setPlainText(QStringLiteral("one\n") + QStringLiteral("word ").repeated(60));
        const int lines = EditingAids::VisualLineCount(question->document());
        QVERIFY(lines > 2);
        QCOMPARE(question->height(), lines * line);

        // A narrower window wraps the question onto more lines, and the box grows with them
        // instead of showing one line and a scroll bar; wider again, it gives the room back.
        question->setPlainText(QStringLiteral("one\n") + QStringLiteral("word ").repeated(12));
        QTRY_COMPARE(question->height(), 2 * line);
        f.resizeWindow(380, 700);
        QTRY_VERIFY(EditingAids::VisualLineCount(question->document()) > 2);
        QTRY_COMPARE(question->height(), EditingAids::VisualLineCount(question->document()) * line);
        QCOMPARE(question->verticalScrollBar()->maximum(), 0);
        f.resizeWindow(600, 700);
        QTRY_COMPARE(question->height(), 2 * line);

        // Many lines: the question stops at half the frame and scrolls; the answer stays.
        question->setPlainText(QStringLiteral("line\n").repeated(60));
        QVERIFY(question->height() + question->y() <= form->FrameQuestion->height() / 2 + 1);
        QVERIFY(answer->height() >= answerHeight / 2);
        form->CancelChange(true);
    }

    void wordAndLineProcedures()
    {
        QVERIFY(!EditingAids::IsDelimiter(QStringLiteral("_")));
        for (const char *ch : {"0", "9", "A", "Z", "a", "z", "m"})
            QVERIFY2(!EditingAids::IsDelimiter(QString::fromLatin1(ch)), ch);
        for (const QString &ch :
             {QStringLiteral(" "), QStringLiteral("-"), QString(), QStringLiteral("\r"),
              QStringLiteral("\n"), QStringLiteral("."), QStringLiteral("\u00e9")})
            QVERIFY(EditingAids::IsDelimiter(ch));

        RichTextBox box;
        box.resize(400, 120);
        box.show();
        box.setText(QStringLiteral("the code."));
        // The middle of character i, in twips relative to the box.
        const auto pointAt = [&box](int i) {
            QTextCursor cursor(box.document());
            cursor.setPosition(i);
            const QRect left = box.cursorRect(cursor);
            cursor.setPosition(i + 1);
            const QRect right = box.cursorRect(cursor);
            return QPoint((left.left() + right.left()) / 2, left.center().y()) * Twips::PerPixel;
        };
        for (int i = 4; i <= 7; ++i) {
            box.setSelStart(0);
            const QPoint at = pointAt(i);
            QCOMPARE(EditingAids::RichWordOver(&box, at.x(), at.y()), QStringLiteral("code"));
            QCOMPARE(box.selText(), QStringLiteral("code"));
        }
        for (int i : {0, 2, 3, 8}) {
            box.setSelStart(1);
            const QPoint at = pointAt(i);
            QCOMPARE(EditingAids::RichWordOver(&box, at.x(), at.y()), QString());
            QCOMPARE(box.selStart(), 1);
            QCOMPARE(box.selLength(), 0);
        }

        box.setText(QStringLiteral("first\r\nsecond\r\nlast"));
        box.setSelStart(9);
        EditingAids::ToggleLineBold(&box);
        QCOMPARE(box.selText(), QStringLiteral("second"));
        QCOMPARE(box.selBold(), std::optional<bool>(true));
        EditingAids::ToggleLineBold(&box);
        QCOMPARE(box.selBold(), std::optional<bool>(false));
        // The last line runs to the text's end; the first starts at 0.
        box.setSelStart(17);
        EditingAids::ToggleLineBold(&box);
        QCOMPARE(box.selStart(), 15);
        QCOMPARE(box.selText(), QStringLiteral("last"));
        box.setSelStart(0);
        EditingAids::ToggleLineBold(&box);
        QCOMPARE(box.selText(), QStringLiteral("first"));
        // A partly bold line becomes bold.
        select(&box, 7, 2);
        box.setSelBold(true);
        EditingAids::ToggleLineBold(&box);
        QCOMPARE(box.selText(), QStringLiteral("second"));
        QCOMPARE(box.selBold(), std::optional<bool>(true));
    }
};

QTEST_MAIN(TestAids)
#include "editor_aids.moc"
