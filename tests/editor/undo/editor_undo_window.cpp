#include "../layout/recordwindowfixture.h"
#include "editor/frmrecord.h"
#include "editor/snapshotundo.h"
#include "kb/frmmain.h"
#include "platform/richtext/richtextbox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTest>

// Undo and redo as a user drives them from the Edit menu on a record window.
class TestUndoWindow : public QObject
{
    Q_OBJECT

private slots:
    void editUndoRedoGivesBackEachText()
    {
        RecordWindowFixture f;
        FrmRecord *form = f.form();
        RichTextBox *answer = form->RTBAnswer;
        QAction *undo = f.main->menuItem(QStringLiteral("mnuEditUndo"));
        QAction *redo = f.main->menuItem(QStringLiteral("mnuEditRedo"));
        QVERIFY(undo && redo);
        const QString original = answer->text();

        // Browsing: nothing to undo, and the verb does nothing.
        form->Undo();
        QCOMPARE(answer->text(), original);
        QVERIFY(!undo->isEnabled());

        form->EditRec();
        QVERIFY(!undo->isEnabled());
        answer->setFocus();
        answer->setSelStart(answer->textLength());
        QTest::keyClicks(answer, QStringLiteral(" now"));
        const QString typed = answer->text();
        QCOMPARE(typed, original + QStringLiteral(" now"));
        QVERIFY(undo->isEnabled());

        // A paste over a selection of another length comes back exactly.
        answer->setSelStart(0);
        answer->setSelLength(3);
        answer->setSelText(QStringLiteral("Apply"));
        const QString pasted = answer->text();
        QVERIFY(pasted.startsWith(QStringLiteral("Apply it.")));

        undo->trigger();
        QCOMPARE(answer->text(), typed);
        QVERIFY(redo->isEnabled());
        // The keys typed in one place are one step.
        undo->trigger();
        QCOMPARE(answer->text(), original); // the first change undoes too
        QVERIFY(!undo->isEnabled());

        redo->trigger();
        QCOMPARE(answer->text(), typed);
        redo->trigger();
        QCOMPARE(answer->text(), pasted);
        QVERIFY(!redo->isEnabled());

        // A new change clears what could be redone, from its first key on.
        undo->trigger();
        QTest::keyClicks(answer, QStringLiteral("!"));
        QVERIFY(!redo->isEnabled());
        QVERIFY(undo->isEnabled());

        // A pause in typing, or a move of the caret, ends one step (also after Delete, a key
        // that leaves the caret where it was).
        const QString before = answer->text();
        answer->setSelStart(answer->textLength());
        QTest::keyClicks(answer, QStringLiteral("ab"));
        QTest::qWait(SnapshotUndo::PauseMs + 100);
        QTest::keyClicks(answer, QStringLiteral("cd"));
        answer->setSelStart(0);
        QTest::keyClicks(answer, QStringLiteral(">"));
        QCOMPARE(answer->text(), QStringLiteral(">") + before + QStringLiteral("abcd"));
        undo->trigger();
        QCOMPARE(answer->text(), before + QStringLiteral("abcd"));
        undo->trigger();
        QCOMPARE(answer->text(), before + QStringLiteral("ab"));
        undo->trigger();
        QCOMPARE(answer->text(), before);
        answer->setSelStart(0);
        QTest::keyClick(answer, Qt::Key_Delete);
        answer->setSelStart(answer->textLength());
        QTest::keyClicks(answer, QStringLiteral("x"));
        undo->trigger();
        QCOMPARE(answer->text(), before.mid(1));

        // Leaving the edit ends the history.
        form->CancelChange(true);
        QVERIFY(!undo->isEnabled());
        QVERIFY(!redo->isEnabled());
    }
};

QTEST_MAIN(TestUndoWindow)
#include "editor_undo_window.moc"
