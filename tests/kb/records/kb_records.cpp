// The main road through the main window: database buttons, record windows, the question list.
#include "dbtestfiles.h"
#include "editor/frmrecord.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/richtext/richtextbox.h"
#include "recordtestdb.h"
#include "scriptedprompter.h"
#include "soundrecorder.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <memory>

using RecordTestDb::Topic;

namespace {

Topic numbered(const QString &name, int count, const QString &prefix = QStringLiteral("Question"))
{
    Topic topic{name, {}, {}, {}};
    for (int i = 1; i <= count; ++i)
        topic.records.append(
            {prefix + QStringLiteral(" %1").arg(i), QStringLiteral("Answer %1").arg(i)});
    return topic;
}

struct Fixture
{
    TestSupport::TempDataRoot root;
    ScriptedPrompter prompter;
    TestSupport::SoundGate gate{true};
    TestSupport::SoundRecorder sounds;
    std::unique_ptr<FrmMain> main;

    Fixture()
    {
        QDir().mkpath(root.path() + QStringLiteral("/Database"));
        main.reset(RecordTestDb::newMainWindow());
    }
    QString file(const QString &key) const { return DatabaseFolder + key + QStringLiteral(".mdb"); }
    QAction *button(const QString &key) const
    {
        for (QAction *action : main->DBToolbar->actions())
            if (action->objectName() == key)
                return action;
        return nullptr;
    }
    FrmRecord *form(int index) const
    {
        return qobject_cast<FrmRecord *>(main->RecordForms[index].data());
    }
    void activate(FrmRecord *form) { main->mdiArea()->setActiveSubWindow(main->subWindowOf(form)); }
};

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void missingAndDamagedFiles()
    {
        Fixture f;
        f.prompter.answer(QStringLiteral("Ok"));
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("Net Working"));
        QCOMPARE(
            f.prompter.calls().last().prompt,
            QStringLiteral(
                "Marlux\r\nCould not find the database file! Please reinstalled the program!"));
        QCOMPARE(f.prompter.calls().last().icon, 103);
        QCOMPARE(f.main->LoadCount, 0);
        QVERIFY(f.button(QStringLiteral("Net Working"))->isEnabled());

        QFile junk(f.file(QStringLiteral("Java")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, '\x5a'));
        junk.close();
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("Java"));
        QCOMPARE(f.prompter.calls().last().prompt,
                 QStringLiteral("Database has corrupted! Please reinstall the program!"));
        QCOMPARE(f.main->LoadCount, 0);
        QVERIFY(!f.main->RecordForms[2]);
        QVERIFY(f.main->TxtOpenDB->text().isEmpty());

        // A password gate is no damage: the window opens and meets it itself.
        RecordTestDb::create(f.file(QStringLiteral("Linux")),
                             {numbered(QStringLiteral("Shell"), 1)});
        db::DBEngine::OpenDatabase(f.file(QStringLiteral("Linux")))
            ->NewPassword(QString(), QStringLiteral("secret"));
        db::DBEngine::closeAll();
        QVERIFY(f.main->TestOpenDatabase(f.file(QStringLiteral("Linux"))));

        // A cut-off file, a foreign database and a table that is no topic: each is named,
        // and no empty window stays behind.
        RecordTestDb::create(f.file(QStringLiteral("C")), {numbered(QStringLiteral("T"), 2000)});
        const qint64 size = QFileInfo(f.file(QStringLiteral("C"))).size();
        QVERIFY(size > 8 * 4096);
        QVERIFY(QFile::resize(f.file(QStringLiteral("C")), size / 2 / 4096 * 4096));
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("C"));
        QCOMPARE(f.prompter.calls().last().prompt,
                 QStringLiteral("Database has corrupted! Please reinstall the program!"));
        QCOMPARE(f.main->LoadCount, 0);
        DbTestFiles::sqlite(f.file(QStringLiteral("C++")),
                            QStringLiteral("CREATE TABLE Photos (Name TEXT, Taken TEXT);"));
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("C++"));
        QVERIFY(f.prompter.calls().last().prompt.endsWith(QStringLiteral(
            "holds no topic of questions and answers: it is not a knowledge base.")));
        QCOMPARE(f.main->LoadCount, 0);
        QFile::remove(f.file(QStringLiteral("C++")));
        RecordTestDb::create(f.file(QStringLiteral("C++")), {numbered(QStringLiteral("T"), 2)});
        DbTestFiles::sqlite(f.file(QStringLiteral("C++")),
                            QStringLiteral("CREATE TABLE Notes (Name TEXT);"));
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("C++"));
        f.prompter.clear();
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Notes"));
        QVERIFY(f.prompter.prompts().contains(QStringLiteral(
            "The topic Notes has no Question and Answer fields, so it holds no records to show.")));
        QCOMPARE(f.main->ListRecords->count(), 0);
    }

    void buttonsOpenOneWindowEachAndTile()
    {
        Fixture f;
        RecordTestDb::create(f.file(QStringLiteral("Net Working")),
                             {numbered(QStringLiteral("TCP"), 2)});
        RecordTestDb::create(f.file(QStringLiteral("C++")),
                             {numbered(QStringLiteral("Basics"), 2)});

        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("Net Working"));
        FrmRecord *first = f.form(3);
        QVERIFY(first);
        QCOMPARE(first->windowTitle(), QStringLiteral("Net Working"));
        QCOMPARE(first->property("Tag").toString(), QStringLiteral("3"));
        QCOMPARE(f.main->LoadCount, 1);
        QVERIFY(!f.button(QStringLiteral("Net Working"))->isEnabled());
        QVERIFY(f.main->subWindowOf(first)->isMaximized());
        QCOMPARE(f.main->ComboTable->itemText(0), QStringLiteral("TCP"));

        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("C++"));
        FrmRecord *second = f.form(5);
        QVERIFY(second);
        QCOMPARE(f.main->LoadCount, 2);
        QMdiSubWindow *a = f.main->subWindowOf(first);
        QMdiSubWindow *b = f.main->subWindowOf(second);
        QVERIFY(!a->isMaximized() && !b->isMaximized());
        QCOMPARE(a->geometry().top(), b->geometry().top());
        QVERIFY(a->geometry().right() < b->geometry().left());
        QCOMPARE(f.main->ComboTable->itemText(0), QStringLiteral("Basics"));

        QVERIFY(b->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(f.main->LoadCount, 1);
        QVERIFY(f.button(QStringLiteral("C++"))->isEnabled());
        QVERIFY(!f.main->RecordForms[5]);
        // The window left behind takes the topic combo over again.
        QCOMPARE(f.main->mdiArea()->activeSubWindow(), a);
        QVERIFY(f.main->ComboTable->isEnabled());
        QCOMPARE(f.main->ComboTable->itemText(0), QStringLiteral("TCP"));
    }

    void clickingAQuestionShowsItOnce()
    {
        Fixture f;
        RecordTestDb::create(f.file(QStringLiteral("C++")),
                             {numbered(QStringLiteral("Basics"), 4)});
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("C++"));
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));
        FrmRecord *form = f.form(5);
        QCOMPARE(f.main->ListRecords->count(), 4);
        f.sounds.played.clear();

        f.main->ListRecords->setCurrentRow(2);
        QCOMPARE(form->RTBAnswer->text(), QStringLiteral("Answer 3"));
        QCOMPARE(f.sounds.played, QStringList{QStringLiteral("CLICKUP")});
        // The question already shown: no rescan, no sound.
        f.main->ListRecords_Click();
        QCOMPARE(f.sounds.played.size(), 1);

        // Right-click below the last item clears the selection and still offers the record menu.
        bool menuShown = false;
        QTimer::singleShot(0, [&menuShown, &f] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                menuShown = f.main->menuItem(QStringLiteral("mnuTransfer"))->isVisible() &&
                            !f.main->menuItem(QStringLiteral("mnuEditPaste"))->isVisible();
                menu->close();
            }
        });
        f.main->ListRecords_MouseDown(Qt::RightButton,
                                      QPoint(5, f.main->ListRecords->viewport()->height() - 2));
        QCOMPARE(f.main->ListRecords->currentRow(), -1);
        QVERIFY(menuShown);
        QVERIFY(f.main->menuItem(QStringLiteral("mnuEditPaste"))->isVisible());
        QCOMPARE(form->RTBAnswer->text(), QStringLiteral("Answer 3"));

        // The tip names the item under the pointer.
        const QRect third = f.main->ListRecords->visualItemRect(f.main->ListRecords->item(2));
        f.main->ListRecords_MouseMove(third.center());
        QCOMPARE(f.main->ListRecords->toolTip(), QStringLiteral("The 3rd record: Question 3"));
        const QRect last = f.main->ListRecords->visualItemRect(f.main->ListRecords->item(3));
        f.main->ListRecords_MouseMove(last.center());
        QCOMPARE(f.main->ListRecords->toolTip(), QStringLiteral("The last record: Question 4"));
    }

    void switchingWindowsKeepsEachWindowsPlace()
    {
        Fixture f;
        RecordTestDb::create(f.file(QStringLiteral("C++")), {numbered(QStringLiteral("Basics"), 5),
                                                             numbered(QStringLiteral("STL"), 3)});
        RecordTestDb::create(
            f.file(QStringLiteral("Java")),
            {numbered(QStringLiteral("Swing"), 6, QStringLiteral("Java question"))});
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("C++"));
        FrmRecord *a = f.form(5);
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("STL"));
        f.main->ListRecords->setCurrentRow(2);

        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("Java"));
        FrmRecord *b = f.form(2);
        // A window without a topic shows no other window's questions.
        QCOMPARE(f.main->ListRecords->count(), 0);
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Swing"));
        f.main->ListRecords->setCurrentRow(4);
        QCOMPARE(b->RTBQuestion->toPlainText(), QStringLiteral("Java question 5"));

        f.activate(a);
        QCOMPARE(f.main->ComboTable->currentText(), QStringLiteral("STL"));
        QCOMPARE(f.main->ListRecords->count(), 3);
        QCOMPARE(f.main->ListRecords->item(0)->text(), QStringLiteral("Question 1"));
        QCOMPARE(f.main->ListRecords->currentRow(), 2);
        QCOMPARE(a->RTBQuestion->toPlainText(), QStringLiteral("Question 3"));
        QCOMPARE(f.main->StatusPanel1->text(), QStringLiteral("There are 3 records in: STL"));

        f.activate(b);
        QCOMPARE(f.main->ComboTable->currentText(), QStringLiteral("Swing"));
        QCOMPARE(f.main->ListRecords->count(), 6);
        QCOMPARE(f.main->ListRecords->currentRow(), 4);

        // An edit under way survives a trip to another window.
        b->EditRec();
        b->RTBQuestion->setPlainText(QStringLiteral("typed in B"));
        f.activate(a);
        QVERIFY(!f.main->DBToolbar->isHidden());
        f.activate(b);
        QCOMPARE(b->state(), FrmRecord::State::Editing);
        QCOMPARE(b->RTBQuestion->toPlainText(), QStringLiteral("typed in B"));
        QVERIFY(f.main->DBToolbar->isHidden());
        QVERIFY(f.main->PanelLeftDock->isHidden());
        f.prompter.answer(QStringLiteral("Ok"));
        b->SaveChange();
        QCOMPARE(RecordTestDb::query(f.file(QStringLiteral("Java")),
                                     QStringLiteral("SELECT Question FROM Swing WHERE ID=5")),
                 QStringList{QStringLiteral("typed in B")});
    }

    void compactingReopensWhatWasOpen()
    {
        Fixture f;
        RecordTestDb::create(f.file(QStringLiteral("C")),
                             {numbered(QStringLiteral("Pointers"), 1)});
        RecordTestDb::create(f.file(QStringLiteral("Virus")),
                             {numbered(QStringLiteral("Worms"), 1)});
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("C"));
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("Virus"));
        f.main->ReopenAfterCompact = true;
        f.main->RemoveForm();
        QCOMPARE(f.main->ReopenList, (QVector<int>{4, 8}));
        for (QMdiSubWindow *window : f.main->mdiArea()->subWindowList())
            QVERIFY(window->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(f.main->LoadCount, 0);
        f.main->RestoreForm();
        QVERIFY(f.form(4) && f.form(8));
        QCOMPARE(f.main->LoadCount, 2);

        // With no window open a later compaction reopens nothing from the earlier one.
        for (QMdiSubWindow *window : f.main->mdiArea()->subWindowList())
            QVERIFY(window->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        f.main->RemoveForm();
        QVERIFY(f.main->ReopenList.isEmpty());
    }

    void transferDeletesTheRecordItStartedFrom()
    {
        Fixture f;
        RecordTestDb::create(f.file(QStringLiteral("C++")),
                             {numbered(QStringLiteral("Basics"), 3)});
        RecordTestDb::create(f.file(QStringLiteral("Java")),
                             {numbered(QStringLiteral("Swing"), 3)});
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("C++"));
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));
        f.main->ListRecords->setCurrentRow(1);
        f.main->BeginTransferRecord();
        // The user wanders to another window before the transfer reports back.
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("Java"));
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Swing"));
        f.main->AfterTransferRecord();
        QCOMPARE(RecordTestDb::query(f.file(QStringLiteral("C++")),
                                     QStringLiteral("SELECT Question FROM Basics ORDER BY ID")),
                 (QStringList{QStringLiteral("Question 1"), QStringLiteral("Question 3")}));
        QCOMPARE(RecordTestDb::query(f.file(QStringLiteral("Java")),
                                     QStringLiteral("SELECT count(*) FROM Swing")),
                 QStringList{QStringLiteral("3")});
        // Without a captured start it takes the active window's current record.
        f.main->ListRecords->setCurrentRow(0);
        f.main->AfterTransferRecord();
        QCOMPARE(RecordTestDb::query(f.file(QStringLiteral("Java")),
                                     QStringLiteral("SELECT Question FROM Swing ORDER BY ID")),
                 (QStringList{QStringLiteral("Question 2"), QStringLiteral("Question 3")}));
        QCOMPARE(f.main->ListRecords->count(), 2);
        // With no record window at all it reports instead of deleting anything.
        for (QMdiSubWindow *window : f.main->mdiArea()->subWindowList())
            QVERIFY(window->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        f.prompter.answer(QStringLiteral("Ok"));
        f.main->AfterTransferRecord();
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("ERROR"));
    }

    void importingRefreshesTheTopicOnScreen()
    {
        Fixture f;
        RecordTestDb::create(f.file(QStringLiteral("C++")),
                             {numbered(QStringLiteral("Basics"), 3)});
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("C++"));
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("Basics"));
        f.main->ListRecords->setCurrentRow(1);
        // The import window adds two files' records to the topic on screen.
        const QString file = f.file(QStringLiteral("C++"));
        FrmMain::setDbMaintenanceFactory([file](FrmMain *, const QString &window) {
            if (window != QLatin1String("FrmImportFromText"))
                return;
            const auto database = db::DBEngine::OpenDatabase(file);
            for (const char *question : {"Imported 1", "Imported 2"})
                database->Execute(
                    QStringLiteral("INSERT INTO Basics (Question, Answer) VALUES (?, ?)"),
                    {QString::fromLatin1(question), QStringLiteral("text")});
            database->Close();
        });
        f.main->mnuImportText_Click();
        FrmMain::setDbMaintenanceFactory({});
        QCOMPARE(f.main->ListRecords->count(), 5);
        QCOMPARE(f.main->ListRecords->item(4)->text(), QStringLiteral("Imported 2"));
        QCOMPARE(f.main->StatusPanel1->text(), QStringLiteral("There are 5 records in: Basics"));
        // The record on screen stays where it was.
        QCOMPARE(f.form(5)->recordPosition(), 1);
        QCOMPARE(f.main->ListRecords->currentRow(), 1);
        QCOMPARE(f.form(5)->RTBQuestion->toPlainText(), QStringLiteral("Question 2"));
    }

    void searchResultsFollowTheirOwnKeys()
    {
        Fixture f;
        RecordTestDb::create(f.file(QStringLiteral("Search")),
                             {Topic{QStringLiteral("SrhResult"),
                                    {{QStringLiteral("zeta"), QStringLiteral("answer of zeta")},
                                     {QStringLiteral("alpha"), QStringLiteral("answer of alpha")}},
                                    {},
                                    {}}});
        auto *form = qobject_cast<FrmRecord *>(f.main->OpenSearchResultForm());
        QVERIFY(form && form->SearchMode());
        // The result list is sorted by question; each hit keeps the key of its row.
        for (const auto &[text, key] : {std::pair{"alpha", 2}, std::pair{"zeta", 1}}) {
            auto *item = new QTreeWidgetItem(f.main->ListResult, {QString::fromLatin1(text)});
            item->setData(0, Qt::UserRole, key);
        }
        f.sounds.played.clear();
        f.main->ListResult->setCurrentItem(f.main->ListResult->topLevelItem(0));
        QCOMPARE(form->RTBAnswer->text(), QStringLiteral("answer of alpha"));
        f.main->ListResult->setCurrentItem(f.main->ListResult->topLevelItem(1));
        QCOMPARE(form->RTBAnswer->text(), QStringLiteral("answer of zeta"));
        QCOMPARE(f.sounds.played.size(), 2);
        // The question list's clicks never move the search window.
        f.main->ListRecords->addItems({QStringLiteral("x"), QStringLiteral("y")});
        f.main->ListRecords->setCurrentRow(1);
        QCOMPARE(form->RTBAnswer->text(), QStringLiteral("answer of zeta"));
    }

    void failedWindowCreationRollsBack()
    {
        Fixture f;
        RecordTestDb::create(f.file(QStringLiteral("C++")),
                             {numbered(QStringLiteral("Basics"), 1)});
        FrmMain::setRecordWindowFactory([](FrmMain *, bool) -> QWidget * { return nullptr; });
        f.prompter.answer(QStringLiteral("Ok"));
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("C++"));
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("ERROR"));
        QCOMPARE(f.main->LoadCount, 0);
        QVERIFY(f.button(QStringLiteral("C++"))->isEnabled());
        QVERIFY(!f.main->RecordForms[5]);
    }
};

QTEST_MAIN(TestRecords)
#include "kb_records.moc"
