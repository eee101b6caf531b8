// The left panel's tabs, the topic and database commands and the schema tree, driven as a
// user drives them: record windows, the search window and the Data View are the real ones.
#include "dbtestfiles.h"
#include "dbtools/frmadvance.h"
#include "editor/frmrecord.h"
#include "kb/datatree.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "platform/base/colors.h"
#include "platform/db/dbdatacontrol.h"
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
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <memory>

using RecordTestDb::Topic;

namespace {

Topic numbered(const QString &name, int count)
{
    Topic topic{name, {}, {}, {}};
    for (int i = 1; i <= count; ++i)
        topic.records.append(
            {name + QStringLiteral(" question %1").arg(i), QStringLiteral("Answer %1").arg(i)});
    return topic;
}

QTreeWidgetItem *findNode(QTreeWidget *tree, const QString &parent, const QString &name)
{
    const auto hits = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    for (QTreeWidgetItem *node : hits)
        if (node->parent() && node->parent()->text(0) == parent)
            return node;
    return nullptr;
}

QStringList comboItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
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
        FrmMain::setDataViewFactory(&FrmAdvance::createDataView);
    }
    ~Fixture()
    {
        main.reset();
        FrmMain::setDataViewFactory({});
        db::DBEngine::closeAll();
    }
    QString file(const QString &key) const { return DatabaseFolder + key + QStringLiteral(".mdb"); }
    FrmRecord *form(int index) const
    {
        return qobject_cast<FrmRecord *>(main->RecordForms[index].data());
    }
    bool shown(QWidget *form) const
    {
        QMdiSubWindow *window = main->subWindowOf(form);
        return window && window->isVisible();
    }
    bool buttonShown(int index) const { return main->mainToolButton(index)->isVisible(); }
    QString cli(const QString &key, const QString &sql) const
    {
        return DbTestFiles::sqlite(file(key), sql).output.trimmed();
    }
};

} // namespace

class TestLeftPanel : public QObject
{
    Q_OBJECT

private slots:
    void tabsOnlyShowAndHideLoadedWindows()
    {
        Fixture f;
        RecordTestDb::create(f.file(QStringLiteral("Net Working")),
                             {numbered(QStringLiteral("TCP"), 3)});
        RecordTestDb::create(f.file(QStringLiteral("C++")), {numbered(QStringLiteral("STL"), 2)});
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("Net Working"));
        RecordTestDb::pressDatabaseButton(f.main.get(), QStringLiteral("C++"));
        FrmRecord *net = f.form(3);
        FrmRecord *cpp = f.form(5);
        QVERIFY(net && cpp);

        // A search leaves its window in front on the [Search] tab.
        f.main->SSTabMain->setCurrentIndex(1);
        QWidget *search = f.main->OpenSearchResultForm();
        QVERIFY(search);
        QVERIFY(f.shown(search));
        QVERIFY(!f.shown(net) && !f.shown(cpp));
        QVERIFY(!f.main->menuItem(QStringLiteral("mnuCloseAll"))->isEnabled());
        QVERIFY(!f.buttonShown(17) && !f.buttonShown(18));

        // [Records] brings the record windows back in front of the search window.
        f.sounds.played.clear();
        f.main->SSTabMain->setCurrentIndex(0);
        QVERIFY(f.shown(net) && f.shown(cpp));
        QVERIFY(!f.shown(search));
        QVERIFY(f.main->SearchResultForm); // hidden, still loaded
        QVERIFY(f.main->menuItem(QStringLiteral("mnuCloseAll"))->isEnabled());
        for (int i = 13; i <= 16; ++i)
            QVERIFY2(f.buttonShown(i), qPrintable(QString::number(i)));
        QVERIFY(!f.buttonShown(17) && !f.buttonShown(18));
        // A record window is active, so the tab change makes no sound.
        QVERIFY(!f.sounds.played.contains(QStringLiteral("TBTABCLICK")));
        f.main->ComboTable->showPopup();
        f.main->ComboTable->hidePopup();
        QVERIFY(f.sounds.played.contains(QStringLiteral("COMBODROPDOWN")));
        QTest::mousePress(f.main->CmdSrh, Qt::LeftButton);
        QVERIFY(f.sounds.played.contains(QStringLiteral("CLICKDOWN")));

        // A click in the question list reaches the active record window.
        auto *active = dynamic_cast<FrmRecord *>(f.main->mdiArea()->activeSubWindow()->widget());
        QVERIFY(active == net || active == cpp);
        RecordTestDb::chooseTopic(f.main.get(),
                                  active == net ? QStringLiteral("TCP") : QStringLiteral("STL"));
        f.main->ListRecords->setCurrentRow(1);
        QCOMPARE(active->recordPosition(), 1);

        // Mid-edit, [Search] and back keep "Save Record" and "Discard" for the pending change,
        // and Add New, Edit and Delete stay hidden.
        active->EditRec();
        QVERIFY(active->hasPendingChange());
        f.main->SSTabMain->setCurrentIndex(1);
        QVERIFY(!f.buttonShown(17) && !f.buttonShown(18));
        f.main->SSTabMain->setCurrentIndex(0);
        QVERIFY(f.buttonShown(17) && f.buttonShown(18));
        QVERIFY(!f.buttonShown(14) && !f.buttonShown(15) && !f.buttonShown(16));
        QVERIFY(f.form(3) && f.form(5));
        active->CancelChange(true);
        QVERIFY(!f.buttonShown(17) && !f.buttonShown(18));

        // [Data View] hides everything else; with no child active the tab sound plays.
        f.main->SSTabMain->setCurrentIndex(2);
        QVERIFY(!f.shown(net) && !f.shown(cpp) && !f.shown(search));
        QVERIFY(!f.main->ToolBarMain->isVisible());
        f.main->mnuCloseAll_Click();
        QCOMPARE(f.main->LoadCount, 0);
        QVERIFY(f.main->mdiArea()->subWindowList().isEmpty());
        QApplication::setActiveWindow(f.main.get());
        f.sounds.played.clear();
        f.main->SSTabMain->setCurrentIndex(1);
        QCOMPARE(f.sounds.played, QStringList{QStringLiteral("TBTABCLICK")});
    }

    void addAndDeleteTopicRoundTrip()
    {
        Fixture f;
        const QString key = QStringLiteral("User Own");
        QVERIFY(QFile::copy(TestSupport::buildDir() + QStringLiteral("/bin/Database/User Own.mdb"),
                            f.file(key)));
        QFile(f.file(key)).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        RecordTestDb::pressDatabaseButton(f.main.get(), key);
        FrmRecord *form = f.form(10);
        QVERIFY(form);
        const QString shipped = f.main->ComboTable->itemText(0);

        // The name is trimmed; the message repeats it as typed.
        f.prompter.clear();
        f.prompter.answer(QStringLiteral(" My Notes "));
        f.main->mnuAddTopic_Click();
        QCOMPARE(f.prompter.calls().last().prompt,
                 QStringLiteral("New topic  My Notes  has been created under database ") +
                     f.file(key));
        QVERIFY(comboItems(f.main->ComboTable).contains(QStringLiteral("My Notes")));

        // Columns, key, autonumber and the unique question index of a shipped topic.
        const auto columns = [&](const QString &table) {
            return f.cli(key, QStringLiteral("PRAGMA table_info(\"%1\");").arg(table));
        };
        QCOMPARE(columns(QStringLiteral("My Notes")), columns(shipped));
        const auto indexSql = [&](const QString &table) {
            return f
                .cli(key, QStringLiteral("SELECT sql FROM sqlite_schema WHERE type='index' "
                                         "AND tbl_name='%1';")
                              .arg(table))
                .replace(table, QStringLiteral("T"));
        };
        QVERIFY(!indexSql(shipped).isEmpty());
        QCOMPARE(indexSql(QStringLiteral("My Notes")), indexSql(shipped));
        QVERIFY(f.cli(key, QStringLiteral("SELECT sql FROM sqlite_schema WHERE name='My Notes';"))
                    .contains(QLatin1String("AUTOINCREMENT")));
        QCOMPARE(f.cli(key, QStringLiteral("INSERT INTO \"My Notes\"(Question) VALUES('q'); "
                                           "SELECT ID FROM \"My Notes\";")),
                 QStringLiteral("1"));

        // A name used already (case ignored), or only blanks: the failure, nothing made.
        for (const QString &name : {QStringLiteral("my notes"), QStringLiteral("   ")}) {
            f.prompter.clear();
            f.prompter.answer(name);
            f.main->mnuAddTopic_Click();
            QCOMPARE(f.prompter.calls().last().prompt,
                     QStringLiteral("Add new topic process failed, please try again!"));
        }
        // An empty answer ends silently.
        f.prompter.clear();
        f.prompter.answer(QString());
        f.main->mnuAddTopic_Click();
        QCOMPARE(f.prompter.calls().size(), 1);
        QCOMPARE(f.cli(key, QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE "
                                           "type='table' AND name LIKE 'my notes%';")),
                 QStringLiteral("1"));

        // Delete names the topic, drops it, and the window shows the first topic.
        RecordTestDb::chooseTopic(f.main.get(), QStringLiteral("My Notes"));
        QCOMPARE(form->currentTopic(), QStringLiteral("My Notes"));
        f.prompter.clear();
        f.prompter.answer(QStringLiteral("Yes"));
        f.main->mnuDelTopic_Click();
        QCOMPARE(f.prompter.calls().first().prompt,
                 QStringLiteral("Do you really want to permanently delete this topic, "
                                "thisdeleting cannot be recovered after then, are you sure!"));
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("SUCCEED"));
        QCOMPARE(f.cli(key, QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE "
                                           "name='My Notes';")),
                 QStringLiteral("0"));
        QVERIFY(!comboItems(f.main->ComboTable).contains(QStringLiteral("My Notes")));
        QCOMPARE(f.main->ComboTable->currentIndex(), 0);
        QCOMPARE(form->currentTopic(), f.main->ComboTable->itemText(0));

        // Without its last topic the window shows nothing, and a new topic still has the
        // shipped layout.
        const QString shippedColumns = columns(shipped);
        const QString shippedIndex = indexSql(shipped);
        f.prompter.clear();
        f.prompter.answer(QStringLiteral("Yes"));
        f.main->mnuDelTopic_Click();
        QCOMPARE(f.main->ComboTable->count(), 0);
        QCOMPARE(f.main->ListRecords->count(), 0);
        QVERIFY(form->RTBQuestion->toPlainText().isEmpty());
        QVERIFY(form->RTBAnswer->text().isEmpty());
        QVERIFY(form->currentTopic().isEmpty());
        // No count of the topic that went stays in the status bar, nor comes back with the
        // window's next activation.
        QCOMPARE(f.main->StatusPanel1->text(), QStringLiteral("Welcome : ") + WindowsUserName);
        form->Form_Deactivate();
        form->Form_Activate();
        QCOMPARE(f.main->StatusPanel1->text(), QStringLiteral("Welcome : ") + WindowsUserName);
        QCOMPARE(f.main->ListRecords->count(), 0);
        f.prompter.clear();
        f.prompter.answer(QStringLiteral("Fresh"));
        f.main->mnuAddTopic_Click();
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("SUCCEED"));
        QCOMPARE(columns(QStringLiteral("Fresh")), shippedColumns);
        QCOMPARE(indexSql(QStringLiteral("Fresh")), shippedIndex);
        QCOMPARE(comboItems(f.main->ComboTable), QStringList{QStringLiteral("Fresh")});
    }

    void openTopicAndDatabaseAreNotDeleted()
    {
        Fixture f;
        const QString key = QStringLiteral("Linux");
        RecordTestDb::create(f.file(key), {numbered(QStringLiteral("Shell"), 2),
                                           numbered(QStringLiteral("Kernel"), 1)});
        RecordTestDb::pressDatabaseButton(f.main.get(), key);
        QVERIFY(f.form(9));
        f.main->OpenDataView(f.file(key), 1);
        QVERIFY(f.main->dataView());

        // With the Data View in front a new topic goes into the database it shows.
        QCOMPARE(f.main->mdiArea()->activeSubWindow(), f.main->subWindowOf(f.main->dataViewForm()));
        f.prompter.clear();
        f.prompter.answer(QStringLiteral("Drivers"));
        f.main->mnuAddTopic_Click();
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("SUCCEED"));

        // Back on the record window: its topic is listed by the Data View too.
        f.main->SSTabMain->setCurrentIndex(0);
        QCOMPARE(f.main->mdiArea()->activeSubWindow(), f.main->subWindowOf(f.form(9)));
        // The maximised Data View restored it; back on its tab it fills the area again.
        QVERIFY(f.main->subWindowOf(f.form(9))->isMaximized());
        // Its own tab shows the Data View as the user left it, maximised or not.
        for (const bool maximised : {true, false}) {
            f.main->SSTabMain->setCurrentIndex(2);
            QCOMPARE(f.main->subWindowOf(f.main->dataViewForm())->isMaximized(), maximised);
            f.main->subWindowOf(f.main->dataViewForm())->showNormal();
            f.main->SSTabMain->setCurrentIndex(0);
        }
        const QString topic = QStringLiteral("Kernel");
        RecordTestDb::chooseTopic(f.main.get(), topic);
        QCOMPARE(f.main->ComboTable->currentText(), topic);
        f.prompter.clear();
        f.prompter.answer(QStringLiteral("Yes"));
        f.main->mnuDelTopic_Click();
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("FAILED"));
        QVERIFY(comboItems(f.main->ComboTable).contains(topic));
        QCOMPARE(
            f.cli(key,
                  QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name='%1';").arg(topic)),
            QStringLiteral("1"));

        // The database goes only once nothing holds it open.
        f.prompter.clear();
        f.prompter.answer(QStringLiteral("Yes"));
        f.main->mnuDeleteDB_Click();
        QVERIFY(!f.form(9));
        QVERIFY(QFile::exists(f.file(key)));
        QCOMPARE(f.prompter.calls().last().title, QStringLiteral("FAILED"));

        f.main->subWindowOf(f.main->dataViewForm())->close();
        QVERIFY(!f.main->dataView());
        RecordTestDb::pressDatabaseButton(f.main.get(), key);
        QVERIFY(f.form(9));
        f.prompter.clear();
        f.prompter.answer(QStringLiteral("Yes"));
        f.main->mnuDeleteDB_Click();
        QCOMPARE(f.prompter.calls().last().prompt,
                 QStringLiteral("Database Linux.mdb has been deleted from your computer."));
        QVERIFY(!QFile::exists(f.file(key)));
    }

    void schemaTreeEventsAndSplitter()
    {
        Fixture f;
        const QString key = QStringLiteral("Virus");
        RecordTestDb::create(f.file(key), {numbered(QStringLiteral("Worms"), 2)});
        // A table named like a field, and one whose name needs quoting.
        DbTestFiles::sqlite(f.file(key),
                            QStringLiteral("CREATE TABLE Question (A INTEGER);"
                                           "CREATE TABLE \"Odd ]Name\" (\"B x\" INTEGER, C TEXT);"
                                           "INSERT INTO \"Odd ]Name\" VALUES (1, 'one');"));
        f.main->OpenDataView(f.file(key), 1);
        auto *view = dynamic_cast<FrmAdvance *>(f.main->dataViewForm());
        QVERIFY(view);
        QTreeWidget *tree = f.main->DataTree;

        // A writable database, and its tables, are listed as such (here the database and one).
        tree->setCurrentItem(findNode(tree, QStringLiteral("Worms"), QStringLiteral("Properties")));
        f.main->DataTree_DblClick();
        QCOMPARE(tree->findItems(QStringLiteral("Updatable=True"), Qt::MatchRecursive).size(), 2);

        // Delete on a field node named like a table drops nothing and asks nothing.
        QTreeWidgetItem *field =
            findNode(tree, QStringLiteral("Fields"), QStringLiteral("Question"));
        QVERIFY(field);
        tree->setCurrentItem(field);
        f.prompter.clear();
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(tree, &del);
        QVERIFY(f.prompter.calls().isEmpty());
        QCOMPARE(f.cli(key, QStringLiteral("SELECT count(*) FROM Question;")), QStringLiteral("0"));

        // On the table node it asks and drops that table only.
        tree->setCurrentItem(findNode(tree, QStringLiteral("Tables"), QStringLiteral("Question")));
        f.prompter.answer(QStringLiteral("Yes"));
        QApplication::sendEvent(tree, &del);
        QCOMPARE(f.prompter.calls().last().prompt,
                 QStringLiteral("Are you sure you want to delete table - Question"));
        QVERIFY(!comboItems(view->ComboTable).contains(QStringLiteral("Question")));
        QVERIFY(!findNode(tree, QStringLiteral("Tables"), QStringLiteral("Question")));
        QCOMPARE(f.cli(key, QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE "
                                           "name='Question';")),
                 QStringLiteral("0"));
        QCOMPARE(f.cli(key, QStringLiteral("SELECT count(*) FROM Worms;")), QStringLiteral("2"));

        // The select skeleton runs whatever the names hold.
        tree->setCurrentItem(findNode(tree, QStringLiteral("Tables"), QStringLiteral("Odd ]Name")));
        f.main->mnuSelectQuery_Click();
        const QString select = view->TxtQuery->toPlainText();
        QCOMPARE(select, QStringLiteral("SELECT [B x], [C] FROM \"Odd ]Name\""));
        QCOMPARE(f.cli(key, select + QLatin1Char(';')), QStringLiteral("1|one"));

        // A double click details a field once.
        QTreeWidgetItem *b = findNode(tree, QStringLiteral("Fields"), QStringLiteral("B x"));
        tree->setCurrentItem(b);
        f.main->DataTree_DblClick();
        QVERIFY(b->childCount() > 0);
        QCOMPARE(b->child(0)->text(0), QStringLiteral("Name=B x"));
        const int details = b->childCount();
        f.main->DataTree_DblClick();
        QCOMPARE(b->childCount(), details);

        // Labels are typed into a box that takes 50 characters.
        const QStyleOptionViewItem option;
        std::unique_ptr<QWidget> editor(tree->itemDelegate()->createEditor(
            tree->viewport(), option, tree->model()->index(0, 0)));
        auto *label = qobject_cast<QLineEdit *>(editor.get());
        QVERIFY(label);
        QCOMPARE(label->maxLength(), 50);

        // The splitter keeps the panel within its two limits.
        const int bar = Twips::fromPixels(f.main->PicSlider->width());
        QCOMPARE(f.main->LeftPanelDropped(0), 2600 + bar);
        QTRY_COMPARE(f.main->PanelLeftDock->width(), Twips::toPixels(2600 + bar));
        QCOMPARE(f.main->LeftPanelDropped(5000), 6240 + bar);
        QTRY_COMPARE(f.main->PanelLeftDock->width(), Twips::toPixels(6240 + bar));

        // The same file again is refused and its window goes behind the others.
        f.prompter.clear();
        f.main->OpenDataView(f.file(key), 1);
        QCOMPARE(f.prompter.calls().last().prompt, QStringLiteral("Database ") + f.file(key) +
                                                       QStringLiteral(" has already been opened!"));

        // A foreign source fails at open and says which one.
        f.main->subWindowOf(view)->close();
        f.prompter.clear();
        f.main->OpenDataView(f.file(key), 2);
        QVERIFY(f.prompter.calls().last().prompt.startsWith(QLatin1String("3170")));
        QVERIFY(f.prompter.calls().last().prompt.contains(QLatin1String("Excel 8.0;")));
        QTRY_VERIFY(!f.main->dataViewForm());
    }
};

QTEST_MAIN(TestLeftPanel)
#include "kb_leftpanel.moc"
