#include "../layout/recordwindowfixture.h"
#include "../record/recordtestdb.h"
#include "editor/findshape.h"
#include "editor/frmfindandreplace.h"
#include "editor/frmrecord.h"
#include "editor/snapshotundo.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "platform/richtext/richtextbox.h"
#include "winsvc/msubclass.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

// Opens the window as the Edit menu's Find does and sets what to look for.
FrmFindAndReplace *openFind(RecordWindowFixture &f, const QString &what)
{
    f.main->menuItem(QStringLiteral("mnuFindWord"))->trigger();
    FrmFindAndReplace *window = FrmFindAndReplace::instance(f.main.get(), false);
    if (window)
        window->cboFind->setEditText(what);
    return window;
}

// Starts editing the shown record with the given answer.
RichTextBox *editAnswer(RecordWindowFixture &f, const QString &text)
{
    f.form()->EditRec();
    RichTextBox *answer = f.form()->RTBAnswer;
    answer->setText(text);
    answer->setSelStart(0);
    QCoreApplication::processEvents(); // the window looks at the edit state once it settles
    return answer;
}

QStringList storedAnswers()
{
    return RecordTestDb::query(DatabaseFolder + QStringLiteral("C++.mdb"),
                               QStringLiteral("SELECT Answer FROM Basics ORDER BY 1"));
}

} // namespace

// The find window on a real main window and record window, as a user drives it.
class TestFind : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FrmMain::setFindWindowOpener(&FrmFindAndReplace::open); }

    void findNextFollowsTheOptionsAndStopsAtTheEnd()
    {
        RecordWindowFixture f;
        RichTextBox *answer = editAnswer(f, QStringLiteral("Cat cat concat\ncat."));
        FrmFindAndReplace *window = openFind(f, QStringLiteral("cat"));
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->cmdFind->text(), QStringLiteral("&Find"));

        window->chkMatchCase->setChecked(true);
        QCOMPARE(window->FindOptions(), int(RichTextBox::MatchCase));
        window->cmdFind->click();
        QCOMPARE(answer->selStart(), 4);
        QCOMPARE(window->cmdFind->text(), QStringLiteral("&Find Next"));
        window->cmdFind->click();
        QCOMPARE(answer->selStart(), 11); // inside "concat"
        window->cmdFind->click();
        QCOMPARE(answer->selStart(), 16); // after the line break, counted as CR LF
        QCOMPARE(answer->selText(), QStringLiteral("cat"));
        QVERIFY(f.prompter.calls().isEmpty());

        // Searching only goes forward: the end is a miss, and the next search starts over.
        window->cmdFind->click();
        QCOMPARE(f.prompter.calls().size(), 1);
        QCOMPARE(f.prompter.calls().last().prompt, QStringLiteral("Text not found"));
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("NOT FOUND!"));
        QCOMPARE(f.prompter.calls().last().icon, 105);
        QCOMPARE(f.prompter.calls().last().buttonSet, 4);
        QCOMPARE(window->cmdFind->text(), QStringLiteral("&Find"));
        QVERIFY(!window->cmdReplace->isEnabled());
        window->cmdFind->click();
        QCOMPARE(answer->selStart(), 4);

        // Whole words, any case: "Cat" counts, "concat" does not.
        window->chkMatchCase->setChecked(false);
        window->chkWholeWord->setChecked(true);
        window->cmdFind->click();
        QCOMPARE(answer->selStart(), 16);
        window->cmdFind->click(); // miss
        window->cmdFind->click();
        QCOMPARE(answer->selStart(), 0);
        QCOMPARE(answer->selText(), QStringLiteral("Cat"));

        // A caret past the end is simply a miss.
        answer->setSelStart(answer->textLength());
        window->cmdFind->click();
        QCOMPARE(window->cmdFind->text(), QStringLiteral("&Find"));

        // Nothing found at all keeps the first state.
        f.prompter.clear();
        window->cboFind->setEditText(QStringLiteral("dog"));
        window->cmdFind->click();
        QCOMPARE(f.prompter.prompts(), QStringList{QStringLiteral("Text not found")});
        QCOMPARE(window->cmdFind->text(), QStringLiteral("&Find"));
    }

    void noHighlightHidesTheHitAndGoesOn()
    {
        RecordWindowFixture f;
        RichTextBox *answer = f.form()->RTBAnswer; // browsing: finding needs no edit
        answer->setText(QStringLiteral("a b a b a"));
        FrmFindAndReplace *window = openFind(f, QStringLiteral("a"));
        window->chkNoHighlight->setChecked(true);
        window->cmdFind->click();
        QVERIFY(answer->isSelectionHidden());
        window->cmdFind->click();
        QCOMPARE(answer->selStart(), 4);
        QCOMPARE(answer->selLength(), 1);
        // Browsing: a hit does not open the way to replacing.
        QVERIFY(!window->cmdReplace->isEnabled());
        window->chkNoHighlight->setChecked(false);
        window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), window);
        window->cmdFind->click();
        QCOMPARE(answer->selStart(), 8);
        QVERIFY(!answer->isSelectionHidden());
        // The hit is drawn in the active window's colours: the answer box has the focus there.
        QTRY_COMPARE(QApplication::activeWindow(), f.main.get());
        QCOMPARE(QApplication::focusWidget(), answer);
        // It stands out from the browsing back colour.
        QVERIFY(answer->palette().color(QPalette::Highlight) !=
                answer->palette().color(QPalette::Base));
    }

    void presetTakesTheSelectionOrItsFirstWord()
    {
        RecordWindowFixture f;
        RichTextBox *answer = f.form()->RTBAnswer;
        const QString short41 = QStringLiteral("abcde fghij klmno pqrst uvwxy zabcd efghi");
        QCOMPARE(short41.size(), 41);
        const QString long42 = short41 + QStringLiteral("j");
        const QString noSpace = QString(50, u'x');
        answer->setText(short41 + QStringLiteral("\n") + long42 + QStringLiteral("\n") + noSpace);

        answer->setSelStart(0);
        answer->setSelLength(41);
        f.main->menuItem(QStringLiteral("mnuFindWord"))->trigger();
        FrmFindAndReplace *window = FrmFindAndReplace::instance(f.main.get(), false);
        QVERIFY(window);
        QCOMPARE(window->cboFind->currentText(), short41);
        QVERIFY(window->PresetText.isEmpty());

        answer->setSelStart(43);
        answer->setSelLength(42);
        f.main->menuItem(QStringLiteral("mnuFindWord"))->trigger();
        QCOMPARE(window->cboFind->currentText(), QStringLiteral("abcde"));

        answer->setSelStart(87);
        answer->setSelLength(50);
        f.main->TBEdit_ButtonClick(QStringLiteral("Find"));
        QCOMPARE(window->cboFind->currentText(), noSpace);

        // A short selection over two lines is taken whole and is found as it stands.
        answer->setSelStart(79);
        answer->setSelLength(11);
        f.main->menuItem(QStringLiteral("mnuFindWord"))->trigger();
        QCOMPARE(window->cboFind->currentText(), QStringLiteral("efghij\r\nxxx"));
        QCOMPARE(window->cboFind->count(), 4);
        window->cmdFind->click();
        QCOMPARE(answer->selStart(), 79);
        QCOMPARE(answer->selLength(), 11);

        // Cancel hides the window and keeps the history; the toolbar's Search presets nothing.
        window->cmdCancel->click();
        QVERIFY(!window->isVisible());
        answer->setSelStart(0);
        answer->setSelLength(5);
        f.main->ToolBarMain_ButtonClick(QStringLiteral("Search"));
        QCOMPARE(FrmFindAndReplace::instance(f.main.get(), false), window);
        QVERIFY(window->isVisible());
        QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(window->cboFind->count(), 4);

        // The close picture ends the window; the next command makes a fresh one.
        QPointer<FrmFindAndReplace> closed = window;
        QTest::mouseClick(window->CmdDef, Qt::LeftButton);
        QTRY_VERIFY(closed.isNull());
        f.main->menuItem(QStringLiteral("mnuFindWord"))->trigger();
        window = FrmFindAndReplace::instance(f.main.get(), false);
        QVERIFY(window);
        QCOMPARE(window->cboFind->count(), 1);
    }

    void replaceChangesTheSelectionOnlyWhileEditing()
    {
        RecordWindowFixture f;
        RichTextBox *answer = editAnswer(f, QStringLiteral("ab x ab"));
        QAction *replaceItem = f.main->menuItem(QStringLiteral("mnuReplace"));
        QVERIFY(replaceItem->isEnabled());
        replaceItem->trigger();
        FrmFindAndReplace *window = FrmFindAndReplace::instance(f.main.get(), false);
        QVERIFY(window);
        QCOMPARE(window->cmdReplace->text(), QStringLiteral("&Replace"));
        QVERIFY(window->cboReplace->isVisible());
        QVERIFY(window->cmdReplaceAll->isVisible());
        QCOMPARE(answer->text(), QStringLiteral("ab x ab")); // revealing replaces nothing

        window->cboFind->setEditText(QStringLiteral("ab"));
        window->cboReplace->setEditText(QStringLiteral("abab"));
        window->cmdFind->click();
        QVERIFY(window->cmdReplace->isEnabled());
        window->cmdReplace->click();
        QCOMPARE(answer->text(), QStringLiteral("abab x ab"));
        QCOMPARE(answer->selStart(), 7); // the next hit, after the inserted text
        QCOMPARE(answer->selLength(), 2);

        // A selection that is not a hit is replaced all the same; the search goes on after it.
        answer->setSelStart(5);
        answer->setSelLength(1);
        window->cmdReplace->click();
        QCOMPARE(answer->text(), QStringLiteral("abab abab ab"));
        QCOMPARE(answer->selStart(), 10);
        window->cmdReplace->click();
        QCOMPARE(answer->text(), QStringLiteral("abab abab abab"));
        QCOMPARE(f.prompter.prompts(), QStringList{QStringLiteral("Text not found")});
        QCOMPARE(window->cmdFind->text(), QStringLiteral("&Find"));
        QVERIFY(!window->cmdReplace->isEnabled());

        // The search after it obeys the options: with Match Case "AB" is replaced and the next
        // hit is the lower-case one.
        answer->setText(QStringLiteral("AB ab AB"));
        answer->setSelStart(0);
        answer->setSelLength(2);
        window->chkMatchCase->setChecked(true);
        window->cboFind->setEditText(QStringLiteral("AB"));
        window->cmdReplace_Click();
        QCOMPARE(answer->text(), QStringLiteral("abab ab AB"));
        QCOMPARE(answer->selStart(), 8);

        // Leaving the edit shuts replacing off; nothing reaches the database but Save.
        f.form()->CancelChange(true);
        QCoreApplication::processEvents();
        QVERIFY(!window->cmdReplace->isEnabled());
        const QString browsed = answer->text();
        answer->setSelStart(0);
        answer->setSelLength(2);
        window->cboFind->setEditText(browsed.left(2));
        window->cmdReplace_Click();
        window->cmdReplaceAll_Click();
        QCOMPARE(answer->text(), browsed);
        QCOMPARE(storedAnswers(),
                 (QStringList{QStringLiteral("Answer 2"), QStringLiteral("Use it. Then")}));
    }

    void replaceAllReplacesEachHitOnceAsOneChange()
    {
        RecordWindowFixture f;
        const QString original = QStringLiteral("ab ab\nxab");
        RichTextBox *answer = editAnswer(f, original);
        const qsizetype snapshots = f.form()->undoHistory()->UndoSnapshots().size();
        f.main->mnuReplace_Click();
        FrmFindAndReplace *window = FrmFindAndReplace::instance(f.main.get(), false);
        window->cboFind->setEditText(QStringLiteral("ab"));
        window->cboReplace->setEditText(QStringLiteral("abab"));
        QVERIFY(window->cmdReplaceAll->isEnabled());

        // The replacement holds the search text: each first hit is replaced once, and it stops.
        window->cmdReplaceAll->click();
        QCOMPARE(answer->text(), QStringLiteral("abab abab\r\nxabab"));
        QCOMPARE(f.prompter.calls().size(), 1);
        QCOMPARE(f.prompter.calls().last().prompt,
                 QStringLiteral("The specified region has been searched. \r\n3 replacements "
                                "have been made."));
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("REPLACE OK"));
        QCOMPARE(f.prompter.calls().last().icon, 104);
        QCOMPARE(answer->selStart(), answer->textLength());
        QCOMPARE(window->cmdFind->text(), QStringLiteral("&Find"));
        QVERIFY(!window->cmdReplace->isEnabled());
        QVERIFY(!window->cmdReplaceAll->isEnabled());

        // One change, undone in one step; the database still holds the old answer.
        QCOMPARE(f.form()->undoHistory()->UndoSnapshots().size(), snapshots + 1);
        f.form()->Undo();
        QCOMPARE(answer->text(), QStringLiteral("ab ab\r\nxab"));
        QCOMPARE(storedAnswers(),
                 (QStringList{QStringLiteral("Answer 2"), QStringLiteral("Use it. Then")}));

        // Whole words only; then no hit at all: no message, buttons reset.
        window->chkWholeWord->setChecked(true);
        window->cboReplace->setEditText(QStringLiteral("c"));
        window->cmdReplaceAll_Click();
        QCOMPARE(answer->text(), QStringLiteral("c c\r\nxab"));
        window->cboFind->setEditText(QStringLiteral("c"));
        window->cmdFind->click();
        QVERIFY(window->cmdReplaceAll->isEnabled());
        f.prompter.clear();
        window->cboFind->setEditText(QStringLiteral("zz"));
        window->cmdReplaceAll_Click();
        QVERIFY(f.prompter.calls().isEmpty());
        QCOMPARE(window->cmdFind->text(), QStringLiteral("&Find"));
        QVERIFY(!window->cmdReplaceAll->isEnabled());

        // An empty search text ends at once.
        window->cboFind->setEditText(QString());
        window->cmdReplaceAll_Click();
        QCOMPARE(answer->text(), QStringLiteral("c c\r\nxab"));
        QVERIFY(f.prompter.calls().isEmpty());

        // Save writes it.
        f.form()->SaveChange();
        QVERIFY(storedAnswers().join(u'|').contains(QStringLiteral("c c")));
    }

    void findStringSearchesBetweenPositionsWithoutCase()
    {
        RecordWindowFixture f;
        RichTextBox *answer = f.form()->RTBAnswer;
        answer->setText(QStringLiteral("xx ABC yy abc"));
        answer->setFocus();
        FrmFindAndReplace *window = openFind(f, QString());
        int start = 1;
        int end = 6;
        QVERIFY(window->FindString(QStringLiteral("abc"), QString(), start, end));
        QCOMPARE(answer->selStart(), 3);
        QCOMPARE(answer->selText(), QStringLiteral("ABC"));
        end = 5; // one short of the hit's last character
        answer->setSelStart(0);
        QVERIFY(!window->FindString(QStringLiteral("abc"), QString(), start, end));
        QCOMPARE(answer->selLength(), 0);
        // Browsing: a replacement is only selected, never written.
        end = 13;
        QVERIFY(window->FindString(QStringLiteral("abc"), QStringLiteral("z"), start, end));
        QCOMPARE(answer->text(), QStringLiteral("xx ABC yy abc"));

        // Region 2 starts after the selection, whose own hit does not count.
        window->cboFind->addItems(
            {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("abc")});
        window->cboFind->setCurrentIndex(2);
        answer->setSelStart(3);
        answer->setSelLength(3);
        window->FindInRegion();
        QCOMPARE(answer->selStart(), 10);
        QVERIFY(!window->isVisible());
        window->FindInRegion();
        QCOMPARE(f.prompter.prompts(), QStringList{QStringLiteral("No Match Found!")});
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("NO MATCH"));
        // Region 1 ends with the selection.
        window->cboFind->setCurrentIndex(1); // "b"
        answer->setSelStart(0);
        answer->setSelLength(4);
        window->FindInRegion();
        QCOMPARE(f.prompter.calls().size(), 2);
        answer->setSelStart(0);
        answer->setSelLength(5);
        window->FindInRegion();
        QCOMPARE(answer->selStart(), 4);
        QCOMPARE(f.prompter.calls().size(), 2);
    }

    void replaceAllOfManyHitsIsQuick()
    {
        RecordWindowFixture f;
        QString big;
        for (int i = 0; i < 10000; ++i)
            big +=
                QStringLiteral("lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do "
                               "eiusmod tempor incididunt ut labore et dolore magna qz aliqua\n");
        RichTextBox *answer = editAnswer(f, big);
        f.main->mnuReplace_Click();
        FrmFindAndReplace *window = FrmFindAndReplace::instance(f.main.get(), false);
        window->cboFind->setEditText(QStringLiteral("qz"));
        window->cboReplace->setEditText(QStringLiteral("qzqz"));
        QElapsedTimer timer;
        timer.start();
        window->cmdReplaceAll_Click();
        // a text rebuilt per hit takes many seconds here
        QVERIFY2(timer.elapsed() < 4000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(f.prompter.prompts().value(0).endsWith(
            QStringLiteral("\r\n10000 replacements have been made.")));
        QCOMPARE(answer->textLength(), int(big.size()) + 10000 + 10000 * 2); // breaks count CR LF
        QCOMPARE(answer->text().count(QStringLiteral("magna qzqz aliqua\r\n")), 10000);
    }

    void windowIsShapedAroundItsControls()
    {
        RecordWindowFixture f;
        FrmFindAndReplace *window = openFind(f, QString());
        window->cmdReplace_Click();
        QCOMPARE(window->mask(), FindShape::makeShape(1.0, 1.0, 0, 0));
        QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);
        // Every control lies whole inside the outline.
        const QList<QWidget *> controls =
            window->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(controls.size() >= 13);
        for (QWidget *control : controls) {
            const QRect r = control->geometry();
            for (const QPoint &corner :
                 {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
                QVERIFY2(window->mask().contains(corner),
                         qPrintable(control->objectName() + control->metaObject()->className()));
        }
        QCOMPARE(window->lblFind->text(), QStringLiteral("Fin&d What:"));
        QCOMPARE(window->lblReplace->text(), QStringLiteral("Replace &With:"));
        QCOMPARE(window->chkWholeWord->text(), QStringLiteral("Find Whole Word &Only"));
        // Its two combo boxes have the flat look.
        QVERIFY(MSubClass::IsWatched(window->cboFind));
        QVERIFY(MSubClass::IsWatched(window->cboReplace));
    }
};

QTEST_MAIN(TestFind)
#include "editor_find.moc"
