#include "editor/snapshotundo.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// A plain-text stand-in for the answer box: every change raises the change event, as the
// rich text box does, including the changes the engine itself applies.
class TextBox
{
public:
    explicit TextBox(SnapshotUndo &undo) : m_undo(undo) {}

    QString text;
    int selStart = 0;
    int selLength = 0;

    void select(int start, int length)
    {
        selStart = start;
        selLength = length;
    }
    // Typing or pasting replaces the selection and leaves the caret after the new text.
    void type(const QString &typed)
    {
        text.replace(selStart, selLength, typed);
        selStart += int(typed.size());
        selLength = 0;
        m_undo.textChanged(text, selStart);
    }
    void keys(const QString &typed)
    {
        for (const QChar c : typed)
            type(QString(c));
    }
    void backspace()
    {
        if (selLength == 0) {
            --selStart;
            selLength = 1;
        }
        type(QString());
    }
    bool undo()
    {
        return m_undo.Undo(text, [this](const UndoEdit &edit) { apply(edit); });
    }
    bool redo()
    {
        return m_undo.Redo(text, [this](const UndoEdit &edit) { apply(edit); });
    }

private:
    void apply(const UndoEdit &edit)
    {
        text.replace(edit.Start, edit.RemoveLength, edit.Insert);
        m_undo.textChanged(text, edit.Start + int(edit.Insert.size()));
        selStart = edit.SelStart;
        selLength = edit.SelLength;
    }

    SnapshotUndo &m_undo;
};

} // namespace

class TestSnapshotUndo : public QObject
{
    Q_OBJECT

private slots:
    void typingNeedsABaseSnapshot()
    {
        SnapshotUndo undo;
        QSignalSpy buttons(&undo, &SnapshotUndo::UpdateUndoButtons);
        undo.setEditing(true);
        TextBox box(undo);
        box.text = QStringLiteral("xy");
        box.select(2, 0);

        box.type(QStringLiteral("a"));
        QVERIFY(!undo.canUndo());
        QCOMPARE(buttons.last().at(0).toBool(), false);
        box.type(QStringLiteral("b"));
        QVERIFY(undo.canUndo());
        QCOMPARE(buttons.last().at(0).toBool(), true);

        QVERIFY(box.undo());
        QCOMPARE(box.text, QStringLiteral("xya"));
        QCOMPARE(box.selStart, 3);
        QCOMPARE(box.selLength, 0);
        // The engine's own edit raised the change event without adding a snapshot.
        QCOMPARE(undo.UndoSnapshots().size(), 1);
        QCOMPARE(buttons.last().at(0).toBool(), false);
        QCOMPARE(buttons.last().at(1).toBool(), true);
    }

    void threeKeystrokesTakeTwoUndos()
    {
        SnapshotUndo undo;
        undo.setEditing(true);
        TextBox box(undo);
        box.keys(QStringLiteral("abc"));
        QCOMPARE(undo.UndoSnapshots().size(), 3);
        QVERIFY(box.undo());
        QVERIFY(box.undo());
        QCOMPARE(box.text, QStringLiteral("a"));
        QSignalSpy buttons(&undo, &SnapshotUndo::UpdateUndoButtons);
        QVERIFY(!box.undo());
        QCOMPARE(box.text, QStringLiteral("a"));
        // A refused undo still reports the buttons.
        QCOMPARE(buttons.size(), 1);
        QVERIFY(box.redo());
        QVERIFY(box.redo());
        QCOMPARE(box.text, QStringLiteral("abc"));
        QVERIFY(!box.redo());
        QCOMPARE(box.text, QStringLiteral("abc"));
    }

    void deletionsComeBack()
    {
        SnapshotUndo undo;
        undo.setEditing(true);
        TextBox box(undo);
        box.keys(QStringLiteral("Hello world"));

        box.backspace();
        QCOMPARE(box.text, QStringLiteral("Hello worl"));
        QVERIFY(box.undo());
        QCOMPARE(box.text, QStringLiteral("Hello world"));
        QCOMPARE(box.selStart, 11);
        QCOMPARE(box.selLength, 0);

        // A deleted word is put back and left selected.
        box.select(0, 5);
        box.backspace();
        QCOMPARE(box.text, QStringLiteral(" world"));
        QVERIFY(box.undo());
        QCOMPARE(box.text, QStringLiteral("Hello world"));
        QCOMPARE(box.selStart, 0);
        QCOMPARE(box.selLength, 5);

        // Redo of an undone deletion removes the word again at the snapshot's caret.
        QVERIFY(box.redo());
        QCOMPARE(box.text, QStringLiteral(" world"));
        QCOMPARE(box.selStart, 0);
        QCOMPARE(box.selLength, 0);
    }

    void lineBreakIsNotSelected()
    {
        SnapshotUndo undo;
        undo.setEditing(true);
        TextBox box(undo);
        box.keys(QStringLiteral("ab"));
        box.type(QStringLiteral("\r\n"));
        box.type(QStringLiteral("c"));
        box.select(2, 2);
        box.backspace();
        QCOMPARE(box.text, QStringLiteral("abc"));
        QVERIFY(box.undo());
        QCOMPARE(box.text, QStringLiteral("ab\r\nc"));
        QCOMPARE(box.selStart, 4);
        QCOMPARE(box.selLength, 0);
    }

    void redoReinsertsBeforeTheCaret()
    {
        SnapshotUndo undo;
        undo.setEditing(true);
        TextBox box(undo);
        box.keys(QStringLiteral("ab"));
        box.select(1, 0);
        box.type(QStringLiteral("XYZ"));
        QCOMPARE(box.text, QStringLiteral("aXYZb"));
        QVERIFY(box.undo());
        QCOMPARE(box.text, QStringLiteral("ab"));
        QCOMPARE(box.selStart, 1);
        QVERIFY(box.redo());
        QCOMPARE(box.text, QStringLiteral("aXYZb"));
        QCOMPARE(box.selStart, 1);
        QCOMPARE(box.selLength, 3);
    }

    void replacementsRestoreExactly_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("after");
        QTest::newRow("longer paste") << "hello world" << 6 << 5 << "there, friend"
                                      << "hello there, friend";
        QTest::newRow("shorter paste") << "hello world" << 0 << 5 << "oh"
                                       << "oh world";
        QTest::newRow("same length") << "hello world" << 6 << 5 << "earth"
                                     << "hello earth";
        QTest::newRow("inside a run") << "aaaa" << 1 << 2 << "a"
                                      << "aaa";
        QTest::newRow("whole text") << "abc" << 0 << 3 << "xyzxyz"
                                    << "xyzxyz";
    }

    void replacementsRestoreExactly()
    {
        QFETCH(QString, before);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, pasted);
        QFETCH(QString, after);
        SnapshotUndo undo;
        undo.setEditing(true);
        TextBox box(undo);
        box.keys(before);
        box.select(start, length);
        box.type(pasted);
        QCOMPARE(box.text, after);
        QVERIFY(box.undo());
        QCOMPARE(box.text, before);
        QVERIFY(box.redo());
        QCOMPARE(box.text, after);
        QVERIFY(box.undo());
        QCOMPARE(box.text, before);
    }

    void theCaretPlacesAnInsertionInARun()
    {
        SnapshotUndo undo;
        undo.setEditing(true);
        TextBox box(undo);
        box.keys(QStringLiteral("aa"));
        box.select(1, 0);
        box.type(QStringLiteral("a"));
        QVERIFY(box.undo());
        QCOMPARE(box.text, QStringLiteral("aa"));
        QCOMPARE(box.selStart, 1);
    }

    void aNewChangeClearsRedo()
    {
        SnapshotUndo undo;
        QSignalSpy buttons(&undo, &SnapshotUndo::UpdateUndoButtons);
        undo.setEditing(true);
        TextBox box(undo);
        box.keys(QStringLiteral("abc"));
        QVERIFY(box.undo());
        QVERIFY(undo.canRedo());
        box.type(QStringLiteral("z"));
        QVERIFY(!undo.canRedo());
        QVERIFY(undo.RedoSnapshots().isEmpty());
        QCOMPARE(buttons.last().at(1).toBool(), false);
        QVERIFY(!box.redo());
        QCOMPARE(box.text, QStringLiteral("abz"));
    }

    void onlyWhileEditing()
    {
        SnapshotUndo undo;
        TextBox box(undo);
        box.keys(QStringLiteral("ab"));
        QVERIFY(undo.UndoSnapshots().isEmpty());

        undo.setEditing(true);
        box.keys(QStringLiteral("cd"));
        QVERIFY(undo.canUndo());
        undo.setEditing(false);
        QVERIFY(!undo.canUndo());
        QVERIFY(!box.undo());
        QCOMPARE(box.text, QStringLiteral("abcd"));
        // Still not tracking after a refused undo.
        box.type(QStringLiteral("e"));
        QCOMPARE(undo.UndoSnapshots().size(), 2);

        // The next edit (another record, say) starts with an empty history.
        box.text = QStringLiteral("other record");
        box.select(12, 0);
        undo.setEditing(true);
        QVERIFY(undo.UndoSnapshots().isEmpty());
        QVERIFY(undo.RedoSnapshots().isEmpty());
        box.type(QStringLiteral("!"));
        QVERIFY(!box.undo());
        QCOMPARE(box.text, QStringLiteral("other record!"));
    }

    void aTextChangedBehindTheHistoryIsRestoredWhole()
    {
        SnapshotUndo undo;
        undo.setEditing(true);
        TextBox box(undo);
        box.keys(QStringLiteral("abc"));
        box.text = QStringLiteral("something else");
        QVERIFY(box.undo());
        QCOMPARE(box.text, QStringLiteral("ab"));
        box.text = QStringLiteral("again");
        QVERIFY(box.redo());
        QCOMPARE(box.text, QStringLiteral("abc"));
    }

    void historyIsBounded()
    {
        SnapshotUndo undo;
        undo.setLimits(5, SnapshotUndo::DefaultMaxBytes);
        undo.setEditing(true);
        TextBox box(undo);
        box.keys(QStringLiteral("abcdefgh"));
        QCOMPARE(undo.UndoSnapshots().size(), 5);
        QCOMPARE(undo.UndoSnapshots().first().Text, QStringLiteral("abcd"));
        while (box.undo()) {
        }
        QCOMPARE(box.text, QStringLiteral("abcd"));

        // By size: a megabyte of text keeps only a few snapshots of itself.
        SnapshotUndo big;
        big.setLimits(SnapshotUndo::DefaultMaxSnapshots, 1024 * 1024);
        big.setEditing(true);
        TextBox large(big);
        large.type(QString(200 * 1024, QLatin1Char('x')));
        for (int i = 0; i < 50; ++i)
            large.type(QStringLiteral("y"));
        qint64 bytes = 0;
        for (const UndoSnapshot &snapshot : big.UndoSnapshots())
            bytes += snapshot.Text.size() * 2;
        QVERIFY(bytes <= 1024 * 1024);
        QCOMPARE(big.UndoSnapshots().size(), 2);
        QVERIFY(large.undo());
        QCOMPARE(large.text.size(), 200 * 1024 + 49);

        // The newest snapshot stays even when it alone is over the bound.
        SnapshotUndo tiny;
        tiny.setLimits(2, 10);
        tiny.setEditing(true);
        TextBox small(tiny);
        small.type(QStringLiteral("longer than ten characters"));
        QCOMPARE(tiny.UndoSnapshots().size(), 1);
    }

    void changeReturnsTheSpanBeforeThePosition()
    {
        QCOMPARE(SnapshotUndo::Change(QStringLiteral("abcdef"), QStringLiteral("abef"), 5),
                 QStringLiteral("cd"));
        QCOMPARE(SnapshotUndo::Change(QStringLiteral("ab"), QStringLiteral("aXYb"), 4),
                 QStringLiteral("XY"));
        QCOMPARE(SnapshotUndo::Change(QStringLiteral("abc"), QStringLiteral("xyz"), 2), QString());
    }
};

QTEST_GUILESS_MAIN(TestSnapshotUndo)
#include "editor_undo.moc"
