// The record window's editing cycle against small knowledge bases on disk.
#include "editor/frmrecord.h"
#include "editor/keywordcolourer.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "platform/db/dbdatacontrol.h"
#include "platform/db/dbrecordset.h"
#include "platform/richtext/richtextbox.h"
#include "recordtestdb.h"
#include "scriptedprompter.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QDockWidget>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMap>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <sqlite3.h>

#include <functional>
#include <memory>
#include <utility>

using RecordTestDb::Topic;

namespace {

const QString Rtf = QStringLiteral("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}}"
                                   "\\pard Dim x As Integer 'count\\par}");

struct Fixture
{
    TestSupport::TempDataRoot root;
    ScriptedPrompter prompter;
    std::unique_ptr<FrmMain> main;
    QString file;

    explicit Fixture(const QList<Topic> &topics)
    {
        QDir().mkpath(root.path() + QStringLiteral("/Database"));
        main.reset(RecordTestDb::newMainWindow());
        file = DatabaseFolder + QStringLiteral("C++.mdb");
        RecordTestDb::create(file, topics);
        RecordTestDb::pressDatabaseButton(main.get(), QStringLiteral("C++"));
    }

    FrmRecord *form() const { return qobject_cast<FrmRecord *>(main->RecordForms[5].data()); }
    QStringList questions(const QString &topic) const
    {
        return RecordTestDb::query(
            file, QStringLiteral("SELECT Question FROM \"%1\" ORDER BY ID").arg(topic));
    }
    QStringList listItems() const
    {
        QStringList items;
        for (int i = 0; i < main->ListRecords->count(); ++i)
            items.append(main->ListRecords->item(i)->text());
        return items;
    }
    void click(int row) { main->ListRecords->setCurrentRow(row); }
};

// Runs a nested event loop inside the next message box, as a real modal box does, and
// performs an action there before answering.
class NestingPrompter : public ScriptedPrompter
{
public:
    std::function<void()> duringNextBox;

    QString messageBox(const QString &prompt, int icon, int buttonSet,
                       const QString &title) override
    {
        if (duringNextBox) {
            const std::function<void()> action = std::exchange(duringNextBox, nullptr);
            QEventLoop loop;
            QTimer::singleShot(0, &loop, [&] {
                action();
                loop.quit();
            });
            loop.exec();
        }
        return ScriptedPrompter::messageBox(prompt, icon, buttonSet, title);
    }
};

// Holds a file as a compaction does: another connection keeps an exclusive lock.
std::unique_ptr<sqlite3, int (*)(sqlite3 *)> holdFile(const QString &path)
{
    sqlite3 *handle = nullptr;
    sqlite3_open(path.toUtf8().constData(), &handle);
    sqlite3_exec(handle, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;", nullptr,
                 nullptr, nullptr);
    return {handle, sqlite3_close};
}

Topic numbered(const QString &name, int count)
{
    Topic topic{name, {}, {}, {}};
    for (int i = 1; i <= count; ++i)
        topic.records.append(
            {QStringLiteral("Question %1").arg(i), QStringLiteral("Answer %1").arg(i)});
    return topic;
}

} // namespace

class TestRecord : public QObject
{
    Q_OBJECT

private slots:
    void opensTopicAndShowsRecords()
    {
        Fixture f({numbered(QStringLiteral("Basics"), 3),
                   numbered(QStringLiteral("Zipped Examples"), 1)});
        FrmRecord *form = f.form();
        QVERIFY(form);
        QCOMPARE(f.main->ComboTable->count(), 2);
        QVERIFY(f.main->ComboTable->isEnabled());

        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));
        QCOMPARE(f.listItems(), f.questions(QStringLiteral("Basics")));
        QCOMPARE(f.main->StatusPanel1->text(), QStringLiteral("There are 3 records in: Basics"));
        QCOMPARE(f.main->ListRecords->currentRow(), 0);
        QCOMPARE(form->RTBQuestion->toPlainText(), QStringLiteral("Question 1"));
        QVERIFY(form->CmdZip->isHidden());

        f.click(2);
        QCOMPARE(form->RTBQuestion->toPlainText(), QStringLiteral("Question 3"));
        QCOMPARE(form->RTBAnswer->text(), QStringLiteral("Answer 3"));
        QVERIFY(form->RTBAnswer->locked());

        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Zipped Examples"));
        QVERIFY(!form->CmdZip->isHidden());
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));
        QVERIFY(form->CmdZip->isHidden());
    }

    void longAnswerShowsTheHourglassUntilLaidOut()
    {
#ifndef MARLUX_OWN_TEXT_LAYOUT
        QSKIP("Qt's private headers are missing: the layout tells no progress");
#endif
        QString rtf = QStringLiteral("{\\rtf1 ");
        for (int i = 0; i < 20000; ++i)
            rtf += QStringLiteral("\\pard line %1 of a long answer\\par ").arg(i);
        rtf += QLatin1Char('}');
        Fixture f(
            {{QStringLiteral("Long"),
              {{QStringLiteral("Short"), QStringLiteral("Short.")}, {QStringLiteral("Long"), rtf}},
              {},
              {}}});
        f.main->show();
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Long"));
        QTRY_VERIFY(!QApplication::overrideCursor());
        f.click(1);
        // The box lays the answer out step by step; the hourglass stays until it is done (and
        // while editing's wider box lays it out anew).
        QVERIFY(!f.form()->RTBAnswer->isLaidOut());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QTRY_VERIFY(f.form()->RTBAnswer->isLaidOut());
        QTRY_VERIFY(!QApplication::overrideCursor());
        f.form()->EditRec();
        QTRY_VERIFY(!QApplication::overrideCursor());
    }

    void emptyTopicAsksOnce()
    {
        Fixture f(
            {numbered(QStringLiteral("Basics"), 2), Topic{QStringLiteral("Empty"), {}, {}, {}}});
        f.prompter.answer(QStringLiteral("No"));
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Empty"));
        QCOMPARE(f.prompter.prompts(),
                 QStringList{QStringLiteral(
                     "There is no records in this topic, do your want to add now?")});
        QCOMPARE(f.main->ListRecords->count(), 0);
        QVERIFY(f.main->ListRecords->isVisible());
        QCOMPARE(f.form()->state(), FrmRecord::State::Browsing);

        // "Yes" starts a new record straight away.
        f.prompter.answer(QStringLiteral("Yes"));
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Empty"));
        QCOMPARE(f.form()->state(), FrmRecord::State::Adding);
    }

    void addSaveWritesTheFileAndSelectsTheNewItem()
    {
        Fixture f({numbered(QStringLiteral("Basics"), 3)});
        FrmRecord *form = f.form();
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));
        f.click(1);

        form->AddRec();
        QCOMPARE(form->state(), FrmRecord::State::Adding);
        QVERIFY(!form->RTBAnswer->locked());
        QVERIFY(f.main->PanelLeftDock->isHidden());
        QVERIFY(f.main->DBToolbar->isHidden());
        // A second Add while adding must not throw the first one away.
        form->RTBQuestion->setPlainText(QStringLiteral("New question"));
        form->AddRec();
        QCOMPARE(form->RTBQuestion->toPlainText(), QStringLiteral("New question"));
        // The Edit menu's record commands wait, as the toolbar's buttons do.
        const QStringList recordItems = {
            QStringLiteral("mnuEditAddMore"), QStringLiteral("mnuEditCurRec"),
            QStringLiteral("mnuEditDelete"), QStringLiteral("mnuTransfer")};
        emit f.main->subMenu(QStringLiteral("mnuEdit"))->aboutToShow();
        for (const QString &name : recordItems)
            QVERIFY2(!f.main->menuItem(name)->isEnabled(), qPrintable(name));

        form->RTBAnswer->setText(QStringLiteral("New answer"));
        f.prompter.answer(QStringLiteral("Ok"));
        form->SaveChange();
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("SUCCEED"));
        QCOMPARE(form->state(), FrmRecord::State::Browsing);
        QVERIFY(form->RTBAnswer->locked());
        QVERIFY(!f.main->PanelLeftDock->isHidden());
        emit f.main->subMenu(QStringLiteral("mnuEdit"))->aboutToShow();
        for (const QString &name : recordItems)
            QVERIFY2(f.main->menuItem(name)->isEnabled(), qPrintable(name));
        QCOMPARE(f.questions(QStringLiteral("Basics")).last(), QStringLiteral("New question"));
        QCOMPARE(f.listItems(), f.questions(QStringLiteral("Basics")));
        QCOMPARE(f.main->ListRecords->currentRow(), 3);
        QCOMPARE(form->recordPosition(), 3);
        QCOMPARE(f.main->StatusPanel1->text(), QStringLiteral("There are 4 records in: Basics"));
        QVERIFY(RecordTestDb::query(f.file, QStringLiteral("SELECT Answer FROM Basics WHERE ID=4"))
                    .first()
                    .contains(QStringLiteral("New answer")));
    }

    void editSaveKeepsThePositionAndBrowsingNeverRewrites()
    {
        Topic topic{QStringLiteral("Basics"),
                    {{QStringLiteral("One"), Rtf},
                     {QStringLiteral("Two"), QStringLiteral("plain two")},
                     {QStringLiteral("Three"), Rtf}},
                    {},
                    {}};
        Fixture f({topic});
        FrmRecord *form = f.form();
        const QList<QByteArray> before =
            RecordTestDb::answerBytes(f.file, QStringLiteral("Basics"));
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));
        for (int row : {1, 2, 0, 2})
            f.click(row);
        // Pressing Edit and cancelling an untouched record writes nothing either.
        form->EditRec();
        QCOMPARE(form->state(), FrmRecord::State::Editing);
        f.prompter.answer(QStringLiteral("Yes"));
        form->CancelChange();
        QCOMPARE(form->state(), FrmRecord::State::Browsing);
        QCOMPARE(RecordTestDb::answerBytes(f.file, QStringLiteral("Basics")), before);

        // Editing only the question keeps the stored answer's bytes.
        f.click(0);
        form->EditRec();
        form->RTBQuestion->setPlainText(QStringLiteral("One, renamed"));
        f.prompter.answer(QStringLiteral("Ok"));
        form->SaveChange();
        QCOMPARE(RecordTestDb::answerBytes(f.file, QStringLiteral("Basics")), before);
        QCOMPARE(f.questions(QStringLiteral("Basics")).first(), QStringLiteral("One, renamed"));
        QCOMPARE(f.main->ListRecords->currentRow(), 0);
        QCOMPARE(f.main->ListRecords->item(0)->text(), QStringLiteral("One, renamed"));
    }

    void duplicateQuestionKeepsTheTypedText()
    {
        Fixture f({numbered(QStringLiteral("Basics"), 2)});
        FrmRecord *form = f.form();
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));
        form->AddRec();
        form->RTBQuestion->setPlainText(QStringLiteral("Question 1"));
        form->RTBAnswer->setText(QStringLiteral("A long answer the user typed"));
        f.prompter.answer(QStringLiteral("Ok"));
        form->SaveChange();
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("UPDATE FAILED"));
        QCOMPARE(f.prompter.calls().last().icon, 105);
        QCOMPARE(form->state(), FrmRecord::State::Adding);
        QCOMPARE(form->RTBAnswer->text(), QStringLiteral("A long answer the user typed"));
        QVERIFY(form->RTBAnswer->isVisible());

        // Fixing the question then saves the very same record.
        form->RTBQuestion->setPlainText(QStringLiteral("Question 3"));
        f.prompter.answer(QStringLiteral("Ok"));
        form->SaveChange();
        QCOMPARE(f.questions(QStringLiteral("Basics")),
                 (QStringList{QStringLiteral("Question 1"), QStringLiteral("Question 2"),
                              QStringLiteral("Question 3")}));
    }

    void deleteSelectsNeighbourAndKeepsListInStep()
    {
        Fixture f({numbered(QStringLiteral("Basics"), 5)});
        FrmRecord *form = f.form();
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));

        f.click(4);
        f.prompter.answer(QStringLiteral("Yes"));
        form->DeleteRec();
        QCOMPARE(f.main->ListRecords->currentRow(), 3);
        QCOMPARE(form->RTBQuestion->toPlainText(), QStringLiteral("Question 4"));
        QCOMPARE(f.main->StatusPanel1->text(), QStringLiteral("There are 4 records in: Basics"));

        f.click(1);
        f.prompter.answer(QStringLiteral("Yes"));
        form->DeleteRec();
        QCOMPARE(f.main->ListRecords->currentRow(), 1);
        QCOMPARE(form->RTBQuestion->toPlainText(), QStringLiteral("Question 3"));
        QCOMPARE(f.listItems(), f.questions(QStringLiteral("Basics")));

        // "No" deletes nothing.
        f.prompter.answer(QStringLiteral("No"));
        form->DeleteRec();
        QCOMPARE(f.questions(QStringLiteral("Basics")).size(), 3);

        // After adds and deletes, item n still shows record n.
        form->AddRec();
        form->RTBQuestion->setPlainText(QStringLiteral("Added"));
        form->RTBAnswer->setText(QStringLiteral("Added answer"));
        f.prompter.answer(QStringLiteral("Ok"));
        form->SaveChange();
        const QStringList stored = f.questions(QStringLiteral("Basics"));
        QCOMPARE(f.listItems(), stored);
        for (int row = stored.size() - 1; row >= 0; --row) {
            f.click(row);
            QCOMPARE(form->RTBQuestion->toPlainText(), stored.at(row));
        }
    }

    void cancelAsksWhenEitherBoxHoldsText()
    {
        Fixture f({numbered(QStringLiteral("Basics"), 2)});
        FrmRecord *form = f.form();
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));
        f.click(1);
        form->AddRec();
        form->RTBAnswer->setText(QStringLiteral("only an answer"));
        f.prompter.answer(QStringLiteral("No"));
        form->CancelChange();
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("CANCEL"));
        QCOMPARE(form->state(), FrmRecord::State::Adding);
        QCOMPARE(form->RTBAnswer->text(), QStringLiteral("only an answer"));

        f.prompter.answer(QStringLiteral("Yes"));
        form->CancelChange();
        QCOMPARE(form->state(), FrmRecord::State::Browsing);
        QCOMPARE(form->RTBQuestion->toPlainText(), QStringLiteral("Question 2"));
        QCOMPARE(f.main->ListRecords->currentRow(), 1);
        QCOMPARE(f.questions(QStringLiteral("Basics")).size(), 2);

        // Both boxes empty: nothing to lose, no question.
        form->AddRec();
        const int asked = int(f.prompter.calls().size());
        form->CancelChange();
        QCOMPARE(f.prompter.calls().size(), asked);
        QCOMPARE(form->state(), FrmRecord::State::Browsing);
    }

    void defaultsUnchangedCannotBeSaved()
    {
        Topic topic = numbered(QStringLiteral("Basics"), 1);
        topic.questionDefault = QStringLiteral("'Type the question'");
        topic.answerDefault = QStringLiteral("'Type the answer'");
        Fixture f({topic});
        FrmRecord *form = f.form();
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));
        form->AddRec();
        QCOMPARE(form->RTBQuestion->toPlainText(), QStringLiteral("Type the question"));
        form->RTBQuestion->setPlainText(QStringLiteral("Changed"));
        f.prompter.answer(QStringLiteral("Retry"));
        form->SaveChange();
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("FAILED"));
        QCOMPARE(f.prompter.calls().last().buttonSet, 2);
        QCOMPARE(form->state(), FrmRecord::State::Adding);
        f.prompter.answer(QStringLiteral("Cancel"));
        form->SaveChange();
        QCOMPARE(form->state(), FrmRecord::State::Browsing);
        QCOMPARE(f.questions(QStringLiteral("Basics")).size(), 1);
    }

    void closingWhileEditingAsksAndAFailedSaveKeepsTheWindow()
    {
        Fixture f({numbered(QStringLiteral("Basics"), 2)});
        QPointer<FrmRecord> form = f.form();
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));
        form->AddRec();
        form->RTBQuestion->setPlainText(QStringLiteral("Question 2"));
        form->RTBAnswer->setText(QStringLiteral("typed"));
        QMdiSubWindow *window = f.main->subWindowOf(form);
        f.prompter.answer(QStringLiteral("Yes")); // save?
        f.prompter.answer(QStringLiteral("Ok"));  // duplicate
        QVERIFY(!window->close());
        QVERIFY(form);
        QCOMPARE(form->RTBAnswer->text(), QStringLiteral("typed"));
        QCOMPARE(f.prompter.calls().at(f.prompter.calls().size() - 2).title,
                 QStringLiteral("SAVE CHANGE"));

        // "No" discards without the cancel question and closes.
        f.prompter.answer(QStringLiteral("No"));
        QVERIFY(window->close());
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("SAVE CHANGE"));
        QCOMPARE(f.questions(QStringLiteral("Basics")).size(), 2);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form);
        QCOMPARE(f.main->StatusPanel1->text(), QStringLiteral("Welcome : ") + WindowsUserName);
        QVERIFY(!f.main->ComboTable->isEnabled());
        QCOMPARE(f.main->ComboTable->count(), 0);
        QVERIFY(f.main->DBToolbar->actions().at(4)->isEnabled());
        QCOMPARE(f.main->LoadCount, 0);
    }

    void searchWindowIgnoresVerbs()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        QDir().mkpath(root.path() + QStringLiteral("/Database"));
        std::unique_ptr<FrmMain> main(RecordTestDb::newMainWindow());
        RecordTestDb::create(DatabaseFolder + QStringLiteral("Search.mdb"),
                             {numbered(QStringLiteral("SrhResult"), 2)});
        auto *form = qobject_cast<FrmRecord *>(main->OpenSearchResultForm());
        QVERIFY(form && form->SearchMode());
        QCOMPARE(form->RTBQuestion->toPlainText(), QStringLiteral("Question 1"));
        form->AddRec();
        form->EditRec();
        form->DeleteRec();
        QCOMPARE(form->state(), FrmRecord::State::Browsing);
        QVERIFY(prompter.calls().isEmpty());
        QCOMPARE(RecordTestDb::query(DatabaseFolder + QStringLiteral("Search.mdb"),
                                     QStringLiteral("SELECT count(*) FROM SrhResult")),
                 QStringList{QStringLiteral("2")});
        QVERIFY(main->subWindowOf(form)->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!main->SearchResultForm);
    }

    void shippedAnswersSurviveBrowsingAndUntouchedEdits()
    {
        const QString shipped = TestSupport::buildDir() + QStringLiteral("/bin/Database/C++.mdb");
        if (!QFile::exists(shipped))
            QSKIP("the shipped knowledge bases are not built");
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        QDir().mkpath(root.path() + QStringLiteral("/Database"));
        std::unique_ptr<FrmMain> main(RecordTestDb::newMainWindow());
        const QString file = DatabaseFolder + QStringLiteral("C++.mdb");
        QVERIFY(QFile::copy(shipped, file));
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        RecordTestDb::pressDatabaseButton(main.get(), QStringLiteral("C++"));
        auto *form = qobject_cast<FrmRecord *>(main->RecordForms[5].data());
        QVERIFY(form);
        QVERIFY(main->ComboTable->count() > 0);
        QMap<QString, QList<QByteArray>> before;
        for (int t = 0; t < main->ComboTable->count(); ++t) {
            const QString topic = main->ComboTable->itemText(t);
            before.insert(topic, RecordTestDb::answerBytes(file, topic));
            RecordTestDb::chooseTopic(main.get(), topic);
            QCOMPARE(main->ListRecords->count(), before.value(topic).size());
            for (int row = main->ListRecords->count() - 1; row >= 0; --row) {
                main->ListRecords->setCurrentRow(row);
                QCOMPARE(form->recordPosition(), row);
            }
            // Edit and save without touching the answer: only the question is written.
            if (main->ListRecords->count() > 0) {
                form->EditRec();
                prompter.answer(QStringLiteral("Ok"));
                form->SaveChange();
                QCOMPARE(form->state(), FrmRecord::State::Browsing);
            }
        }
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QCOMPARE(RecordTestDb::answerBytes(file, it.key()), it.value());
    }

    void answerIsColouredOnScreenOnly()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        QDir().mkpath(root.path() + QStringLiteral("/Database"));
        std::unique_ptr<FrmMain> main(RecordTestDb::newMainWindow());
        RecordTestDb::createKeywordList(
            DatabaseFolder + QStringLiteral("C Keywords.mdb"),
            {QStringLiteral("Dim"), QStringLiteral("As"), QStringLiteral("Integer")});
        RecordTestDb::create(
            DatabaseFolder + QStringLiteral("C++.mdb"),
            {Topic{QStringLiteral("Basics"), {{QStringLiteral("Q"), Rtf}}, {}, {}}});
        RecordTestDb::pressDatabaseButton(main.get(), QStringLiteral("C++"));
        auto *form = qobject_cast<FrmRecord *>(main->RecordForms[5].data());
        RecordTestDb::chooseTopic(main.get(), QStringLiteral("Basics"));
        QVERIFY(form->colouring()->hasKeywords());
        form->ScanTheRTBAnswer();
        const QTextBlock block = form->RTBAnswer->document()->firstBlock();
        const auto colourAt = [&block](int position) {
            for (const QTextLayout::FormatRange &range : block.layout()->formats())
                if (position >= range.start && position < range.start + range.length &&
                    range.format.hasProperty(QTextFormat::ForegroundBrush))
                    return range.format.foreground().color();
            return QColor();
        };
        QCOMPARE(colourAt(0), KeywordColourer::keywordColour());
        QCOMPARE(colourAt(4), KeywordColourer::baseColour());
        QCOMPARE(colourAt(18), KeywordColourer::commentColour());
        QCOMPARE(form->RTBAnswer->selStart(), 0);
        QCOMPARE(form->RTBAnswer->selLength(), 0);
        QVERIFY(!form->RTBAnswer->isModified());
    }
    void closeDuringItsOwnQuestionWaitsForTheAnswer()
    {
        Fixture f({numbered(QStringLiteral("Basics"), 3)});
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));
        f.click(1);
        QPointer<FrmRecord> form = f.form();
        QPointer<QWidget> frame = form->parentWidget();
        NestingPrompter prompter;
        bool closedInBox = true;
        bool aliveInBox = false;
        // A quit or a top-band tab closes every window while the delete question is open.
        const auto closeInBox = [&] {
            closedInBox = frame->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            aliveInBox = !form.isNull();
        };
        prompter.duringNextBox = closeInBox;
        prompter.answer(QStringLiteral("Yes"));
        form->DeleteRec();
        QVERIFY(!closedInBox);
        QVERIFY(aliveInBox);
        QCOMPARE(f.questions(QStringLiteral("Basics")),
                 (QStringList{QStringLiteral("Question 1"), QStringLiteral("Question 3")}));
        QTRY_VERIFY(frame.isNull());

        // Unsaved text is still asked about when the waiting close comes.
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("C++"));
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));
        form = f.form();
        frame = form->parentWidget();
        form->EditRec();
        form->RTBQuestion->setPlainText(QStringLiteral("Kept"));
        prompter.clear();
        prompter.duringNextBox = closeInBox;
        prompter.answer(QStringLiteral("No"));  // keep editing
        prompter.answer(QStringLiteral("Yes")); // save before exit
        prompter.answer(QStringLiteral("Ok"));
        form->CancelChange();
        QVERIFY(aliveInBox);
        QTRY_VERIFY(frame.isNull());
        QCOMPARE(prompter.calls().at(1).title, QStringLiteral("SAVE CHANGE"));
        QCOMPARE(f.questions(QStringLiteral("Basics")).first(), QStringLiteral("Kept"));
    }

    void busyFileKeepsTheShownRecordAndTheTyping()
    {
        Fixture f({numbered(QStringLiteral("Basics"), 3)});
        RecordTestDb::create(DatabaseFolder + QStringLiteral("C.mdb"),
                             {numbered(QStringLiteral("Other"), 2)});
        FrmRecord *form = f.form();
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));
        const auto saidBusy = [&](int calls) {
            QTest::qWait(20);
            return f.prompter.calls().size() == calls &&
                   f.prompter.calls().last().prompt.contains(QStringLiteral("already in use"));
        };
        auto hold = holdFile(f.file);
        // A click says why, keeps the record and puts the list back on it.
        f.click(2);
        QVERIFY(saidBusy(1));
        QCOMPARE(form->RTBAnswer->text(), QStringLiteral("Answer 1"));
        QCOMPARE(f.main->ListRecords->currentRow(), 0);
        // Back from another database's window: one message, and neither the list nor the
        // combo is the other window's.
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("C"));
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Other"));
        f.main->mdiArea()->setActiveSubWindow(f.main->subWindowOf(form));
        QVERIFY(saidBusy(2));
        QVERIFY(f.listItems().isEmpty());
        QCOMPARE(f.main->ComboTable->currentText(), QStringLiteral("Basics"));
        // A save while the file is held keeps the typing; Discard then shows the record as
        // stored.
        hold.reset();
        form->EditRec();
        form->RTBAnswer->setText(QStringLiteral("Typed while busy"));
        hold = holdFile(f.file);
        form->SaveChange();
        QVERIFY(saidBusy(3));
        QCOMPARE(form->state(), FrmRecord::State::Editing);
        QCOMPARE(form->RTBAnswer->text(), QStringLiteral("Typed while busy"));
        f.prompter.answer(QStringLiteral("Yes"));
        form->CancelChange();
        QVERIFY(saidBusy(5));
        QCOMPARE(form->RTBAnswer->text(), QStringLiteral("Answer 1"));
    }

    void questionListFollowsKeyOrder()
    {
        // Text order ("Question 10" before "Question 2") is not key order, and keys have gaps.
        Fixture f({numbered(QStringLiteral("Mixed"), 12)});
        RecordTestDb::query(f.file, QStringLiteral("DELETE FROM Mixed WHERE ID IN (3, 7)"));
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Mixed"));
        const QStringList stored = f.questions(QStringLiteral("Mixed"));
        QCOMPARE(f.listItems(), stored);
        for (int row = stored.size() - 1; row >= 0; --row) {
            f.click(row);
            QCOMPARE(f.form()->RTBQuestion->toPlainText(), stored.at(row));
        }
    }
};

QTEST_MAIN(TestRecord)
#include "editor_record.moc"
