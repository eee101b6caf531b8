#include "dbtestfiles.h"
#include "dbtools/dbqueryrecordmodel.h"
#include "dbtools/frmadvance.h"
#include "kb/frmmain.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbdatacontrol.h"
#include "platform/db/dbengine.h"
#include "platform/db/dbrecordset.h"
#include "scriptedprompter.h"
#include "shell/dialog.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

namespace {

QTreeWidgetItem *findNode(QTreeWidget *tree, const QString &group, const QString &name)
{
    const auto hits = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    for (QTreeWidgetItem *node : hits) {
        if (node->parent() && node->parent()->text(0) == group)
            return node;
    }
    return nullptr;
}

QStringList comboItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QList<Dialog *> busyWindows()
{
    QList<Dialog *> found;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *busy = qobject_cast<Dialog *>(widget);
        if (busy && busy->isVisible())
            found << busy;
    }
    return found;
}

// Clicks the run button and lets the event loop carry the run to its end.
bool runQuery(FrmAdvance *view)
{
    view->CmdRunQuery->click();
    return QTest::qWaitFor([view] { return !view->queryRunning(); });
}

} // namespace

class TestDataView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestSupport::TempDataRoot> m_root;
    std::unique_ptr<FrmMain> m_main;
    QString m_file;

    FrmAdvance *open(const QString &file)
    {
        FrmAdvance::OpenDataView(m_main.get(), file);
        return FrmAdvance::instance();
    }

    QString cli(const QString &sql) { return DbTestFiles::sqliteValue(m_file, sql); }

private slots:
    void init()
    {
        m_root = std::make_unique<TestSupport::TempDataRoot>();
        m_file = m_root->filePath(QStringLiteral("Notes.mdb"));
        DbTestFiles::createKnowledgeBase(m_file, {QStringLiteral("Basics"), QStringLiteral("Qt")},
                                         3);
        {
            auto database = db::DBEngine::OpenDatabase(m_file);
            database->Execute(QStringLiteral("CREATE TABLE Empty (ID INTEGER PRIMARY KEY "
                                             "AUTOINCREMENT, Question LONGTEXT)"));
            database->createQueryDef(QStringLiteral("AllBasics"),
                                     QStringLiteral("SELECT * FROM Basics"));
            database->createQueryDef(QStringLiteral("ById"),
                                     QStringLiteral("SELECT * FROM Basics WHERE ID = :Which"),
                                     {{QStringLiteral("Which"), db::dbLong, {}}});
            // A system table that is hidden too has an attribute beyond the system ones.
            database->setTableHidden(QStringLiteral("MSysQueries"), true);
            database->Close();
        }
        m_main = std::make_unique<FrmMain>();
        m_main->MDIForm_Load();
        m_main->show();
    }

    void cleanup()
    {
        m_main.reset();
        db::DBEngine::closeAll();
        m_root.reset();
    }

    void opensListsTablesAndCounts()
    {
        ScriptedPrompter prompter;
        FrmAdvance *view = open(m_file);
        QVERIFY(view);
        QCOMPARE(view->windowTitle(), QStringLiteral("Data View - ") + m_file);
        // User tables only: the catalogue tables and sqlite_sequence stay out.
        QCOMPARE(
            comboItems(view->ComboTable),
            (QStringList{QStringLiteral("Basics"), QStringLiteral("Empty"), QStringLiteral("Qt")}));
        QCOMPARE(view->GridCaption->text(), QStringLiteral("Basics Table"));
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 3 + 1); // plus the new-record row
        QVERIFY(!view->CmdRunQuery->isEnabled());
        QVERIFY(prompter.calls().isEmpty());
        // Counted on open: the status matches the grid.
        QCOMPARE(m_main->StatusPanel1->text(), QStringLiteral("There are 3 records in: Basics"));

        // A name typed into the box shows its table as soon as it names one.
        view->ComboTable->lineEdit()->clear();
        QTest::keyClicks(view->ComboTable->lineEdit(), QStringLiteral("Q"));
        QCOMPARE(m_main->StatusPanel1->text(), QStringLiteral("There are 0 records in: Q"));
        QTest::keyClicks(view->ComboTable->lineEdit(), QStringLiteral("t"));
        QCOMPARE(m_main->StatusPanel1->text(), QStringLiteral("There are 3 records in: Qt"));
        QCOMPARE(view->GridCaption->text(), QStringLiteral("Qt Table"));
        QCOMPARE(view->DBGridRecord->model()->index(0, 1).data().toString(),
                 QStringLiteral("Qt question 1"));

        // Schema tree: tables with their fields, stored queries.
        QTreeWidget *tree = m_main->DataTree;
        QVERIFY(findNode(tree, QStringLiteral("Tables"), QStringLiteral("Qt")));
        // Plain system tables stay out; one with a further attribute is listed.
        QVERIFY(!findNode(tree, QStringLiteral("Tables"), QStringLiteral("MSysTableAttributes")));
        QVERIFY(!findNode(tree, QStringLiteral("Tables"), QStringLiteral("sqlite_sequence")));
        QVERIFY(findNode(tree, QStringLiteral("Tables"), QStringLiteral("MSysQueries")));
        QVERIFY(findNode(tree, QStringLiteral("Querys"), QStringLiteral("ById")));

        // A refresh that fails part way leaves the tree hidden; a whole one shows it again.
        for (const char *rename : {"Parameters TO P", "P TO Parameters"}) {
            DbTestFiles::sqlite(m_file, QStringLiteral("ALTER TABLE MSysQueries RENAME ") + rename);
            view->DataTreeRefresh(tree);
            QCOMPARE(tree->isHidden(), QByteArray(rename).endsWith(" P"));
        }

        // Clicking a table node shows it and empties the SQL box.
        view->TxtQuery->setPlainText(QStringLiteral("junk"));
        emit tree->itemClicked(findNode(tree, QStringLiteral("Tables"), QStringLiteral("Empty")),
                               0);
        QCOMPARE(view->TxtQuery->toPlainText(), QString());
        QCOMPARE(m_main->StatusPanel1->text(), QStringLiteral("There are 0 records in: Empty"));

        // The same file again is refused; the window stays.
        FrmAdvance::OpenDataView(m_main.get(), m_file);
        QCOMPARE(prompter.calls().last().title, QStringLiteral("FAILED"));
        QCOMPARE(prompter.calls().last().prompt, QStringLiteral("Database ") + m_file +
                                                     QStringLiteral(" has already been opened!"));
    }

    void openDatabaseCommandShowsTheFile()
    {
        FrmMain::setDataViewFactory(&FrmAdvance::createDataView);
        ScriptedPrompter prompter;
        prompter.answer(m_file);
        m_main->mnuFileOpen_Click();
        FrmAdvance *view = FrmAdvance::instance();
        QVERIFY(view);
        QCOMPARE(view->DataNavi->DatabaseName(), m_file);
        QCOMPARE(m_main->mdiArea()->subWindowList().size(), 1);
        QCOMPARE(m_main->SSTabMain->currentIndex(), 2);
        // The status counts the rows the grid shows from the start.
        QCOMPARE(m_main->StatusPanel1->text(), QStringLiteral("There are 3 records in: Basics"));
        FrmMain::setDataViewFactory({});
    }

    void missingFileUnloadsTheWindow()
    {
        ScriptedPrompter prompter;
        QPointer<FrmAdvance> view = open(m_root->filePath(QStringLiteral("Nowhere.mdb")));
        QTRY_VERIFY(!view);
        QVERIFY(prompter.prompts().contains(
            QStringLiteral("Database cannot be open, please try again!")));
    }

    void headerClickSortsQuotedNames()
    {
        ScriptedPrompter prompter;
        DbTestFiles::sqlite(m_file,
                            QStringLiteral("CREATE TABLE \"Odd ]Name\" (\"A]\" INTEGER);"
                                           "INSERT INTO \"Odd ]Name\" VALUES (3),(1),(2);"));
        FrmAdvance *view = open(m_file);
        view->ComboTable->setCurrentIndex(view->ComboTable->findText(QStringLiteral("Odd ]Name")));
        view->ComboTable_Click();
        emit view->DBGridRecord->horizontalHeader()->sectionClicked(0);
        QAbstractItemModel *model = view->DBGridRecord->model();
        QCOMPARE(model->index(0, 0).data().toInt(), 1);
        QCOMPARE(model->index(2, 0).data().toInt(), 3);
    }

    void userQueries()
    {
        ScriptedPrompter prompter;
        FrmAdvance *view = open(m_file);

        // Blanks before a lower-case select: its rows are shown.
        view->TxtQuery->setPlainText(QStringLiteral("   select Question from Qt where ID > 1  "));
        QVERIFY(view->CmdRunQuery->isEnabled());
        view->CmdRunQuery->click();
        // The busy window is up before the statement runs; a second click starts nothing.
        QVERIFY(view->queryRunning());
        view->CmdRunQuery->click();
        QCOMPARE(busyWindows().size(), 1);
        QCOMPARE(busyWindows().first()->windowTitle(),
                 QStringLiteral("Process Query Executing...."));
        QCOMPARE(busyWindows().first()->labelCaption(),
                 QStringLiteral("Executing Query, Please Wait."));
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 3 + 1);
        QTRY_VERIFY(!view->queryRunning());
        QVERIFY(busyWindows().isEmpty());
        QCOMPARE(view->TxtQuery->toPlainText(),
                 QStringLiteral("select Question from Qt where ID > 1"));
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 2);
        QCOMPARE(view->DBGridRecord->model()->index(0, 0).data().toString(),
                 QStringLiteral("Qt question 2"));
        QVERIFY(prompter.calls().isEmpty());
        // The texts around the grid name the statement's rows, not the table chosen before.
        const QString statement = QStringLiteral("select Question from Qt where ID > 1");
        QCOMPARE(view->ComboTable->currentText(), QString());
        QCOMPARE(view->GridCaption->text(), statement);
        QCOMPARE(m_main->StatusPanel1->text(),
                 QStringLiteral("There are 2 records in: ") + statement);
        // ... also when the window comes back to the front.
        m_main->StatusPanel1->clear();
        m_main->mdiArea()->setActiveSubWindow(nullptr);
        m_main->mdiArea()->setActiveSubWindow(m_main->subWindowOf(view));
        QCOMPARE(m_main->StatusPanel1->text(),
                 QStringLiteral("There are 2 records in: ") + statement);
        // A header click sorts the table chosen before the statement, and names it again.
        emit view->DBGridRecord->horizontalHeader()->sectionClicked(0);
        QCOMPARE(view->ComboTable->currentText(), QStringLiteral("Basics"));
        QCOMPARE(view->GridCaption->text(), QStringLiteral("Basics Table"));
        QCOMPARE(m_main->StatusPanel1->text(), QStringLiteral("There are 3 records in: Basics"));
        QCOMPARE(view->DBGridRecord->model()->index(0, 1).data().toString(),
                 QStringLiteral("Basics question 1"));

        // The user's own Like wildcards.
        view->TxtQuery->setPlainText(
            QStringLiteral("SELECT * FROM Basics WHERE Question LIKE '*question 3'"));
        QVERIFY(runQuery(view));
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 1);

        // An update runs on its own connection; the table list and grid come back.
        view->TxtQuery->setPlainText(
            QStringLiteral("UPDATE Basics SET Answer = 'changed' WHERE ID = 2"));
        QVERIFY(runQuery(view));
        QCOMPARE(prompter.calls().last().prompt,
                 QStringLiteral("Query has been successfully executed!"));
        QCOMPARE(prompter.calls().last().title, QStringLiteral("SUCCEED"));
        QCOMPARE(cli(QStringLiteral("SELECT Answer FROM Basics WHERE ID = 2;")),
                 QStringLiteral("changed"));
        QCOMPARE(view->DataNavi->RecordSource(), QStringLiteral("Basics"));
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 3 + 1);
        QVERIFY(findNode(m_main->DataTree, QStringLiteral("Tables"), QStringLiteral("Basics")));

        // A statement that creates a table shows up in the list.
        prompter.clear();
        view->TxtQuery->setPlainText(QStringLiteral("CREATE TABLE Extra (X INTEGER)"));
        QVERIFY(runQuery(view));
        QVERIFY(comboItems(view->ComboTable).contains(QStringLiteral("Extra")));
        QVERIFY(findNode(m_main->DataTree, QStringLiteral("Tables"), QStringLiteral("Extra")));

        // A bad statement: its message, the text selected, the grid still usable.
        prompter.clear();
        view->TxtQuery->setPlainText(QStringLiteral("INSERT INTO Basics VALUES ("));
        QVERIFY(runQuery(view));
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().last().title, QStringLiteral("FAILED"));
        QVERIFY(prompter.calls().last().prompt.startsWith(
            QStringLiteral("Incorrect query syntax!\r\n")));
        QCOMPARE(view->TxtQuery->textCursor().selectedText().size(),
                 view->TxtQuery->toPlainText().size());
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 3 + 1);
        QVERIFY(view->DataNavi->database());

        // A bad SELECT is reported, not shown as rows.
        prompter.clear();
        view->TxtQuery->setPlainText(QStringLiteral("SELECT * FROM NoSuchTable"));
        QVERIFY(runQuery(view));
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().last().title, QStringLiteral("FAILED"));
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 3 + 1);
        QCOMPARE(view->DataNavi->RecordSource(), QStringLiteral("Basics"));

        // A SELECT after a line break or a tab runs as an action, which the engine refuses.
        prompter.clear();
        view->TxtQuery->setPlainText(QStringLiteral("\n\tSELECT * FROM Qt"));
        QVERIFY(runQuery(view));
        QVERIFY(prompter.calls().size() == 1 && prompter.calls().last().title == "FAILED");
        QCOMPARE(view->DataNavi->RecordSource(), QStringLiteral("Basics"));

        // Blanks only: nothing is run, and nothing reports success.
        prompter.clear();
        view->TxtQuery->setPlainText(QStringLiteral("   "));
        QVERIFY(view->CmdRunQuery->isEnabled());
        QVERIFY(runQuery(view));
        QVERIFY(!view->CmdRunQuery->isEnabled());
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().last().title, QStringLiteral("FAILED"));

        // A view is shown under the queries, and runs from there.
        prompter.clear();
        view->TxtQuery->setPlainText(
            QStringLiteral("CREATE VIEW Late AS SELECT Question FROM Qt WHERE ID > 1"));
        QVERIFY(runQuery(view));
        QCOMPARE(prompter.calls().last().title, QStringLiteral("SUCCEED"));
        QVERIFY(findNode(m_main->DataTree, QStringLiteral("Querys"), QStringLiteral("Late")));
        view->SStabClicked(QStringLiteral("Late"));
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 2);
        // A failed statement is named as it was typed.
        const QList<QPair<QString, QString>> failing{
            {QStringLiteral("CREATE PROCEDURE Pick AS SELECT 1"), QStringLiteral("PROCEDURE")},
            {QStringLiteral("CREATE VIEW AS SELECT 1"), QStringLiteral("VIEW")},
            {QStringLiteral("create temp view ("), QStringLiteral("VIEW")}};
        for (const auto &[bad, kind] : failing) {
            prompter.clear();
            view->TxtQuery->setPlainText(bad);
            QVERIFY(runQuery(view));
            QVERIFY2(prompter.calls().last().prompt.startsWith(
                         QStringLiteral("Syntax error in CREATE %1 statement.").arg(kind)),
                     qPrintable(prompter.calls().last().prompt));
        }
    }

    void closeWhileAQueryRunsWaitsForIt()
    {
        ScriptedPrompter prompter;
        QPointer<FrmAdvance> view = open(m_file);
        QPointer<QWidget> frame = view->parentWidget();
        QVERIFY(frame);
        // A close (a top-band tab, the frame's button) comes in while the run yields to paint
        // its busy window.
        QMetaObject::invokeMethod(frame, "close", Qt::QueuedConnection);
        view->TxtQuery->setPlainText(QStringLiteral("CREATE TABLE Extra (X INTEGER)"));
        view->CmdRunQuery->click();
        QTRY_VERIFY(!view || !view->queryRunning());
        QCOMPARE(cli(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'Extra'")),
                 QStringLiteral("1"));
        QTRY_VERIFY(frame.isNull());
        // The closed window's tree is not filled again by the run it interrupted.
        QCOMPARE(m_main->DataTree->topLevelItemCount(), 0);
    }

    void storedQueries()
    {
        ScriptedPrompter prompter;
        FrmAdvance *view = open(m_file);
        QTreeWidget *tree = m_main->DataTree;

        // No parameters: shown through the record source, with its tool tip.
        emit tree->itemClicked(
            findNode(tree, QStringLiteral("Querys"), QStringLiteral("AllBasics")), 0);
        QCOMPARE(view->TxtQuery->toPlainText(), QStringLiteral("SELECT * FROM Basics"));
        QCOMPARE(view->TxtQuery->toolTip(),
                 QStringLiteral("You can change the query here are save it back."));
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 3);
        QVERIFY(view->CmdRunQuery->isEnabled());
        QCOMPARE(view->GridCaption->text(), QStringLiteral("AllBasics"));
        QCOMPARE(m_main->StatusPanel1->text(), QStringLiteral("There are 3 records in: AllBasics"));

        // One parameter, answered.
        prompter.answer(QStringLiteral("2"));
        view->SStabClicked(QStringLiteral("ById"));
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().at(0).kind, QStringLiteral("input"));
        QCOMPARE(prompter.calls().at(0).title, QStringLiteral("Parameter required"));
        QCOMPARE(prompter.calls().at(0).prompt,
                 QStringLiteral("This query need one parameter, please input here: \r\nThe "
                                "Which\r\nValue type required is: Long"));
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 1);
        QCOMPARE(view->DBGridRecord->model()->index(0, 1).data().toString(),
                 QStringLiteral("Basics question 2"));
        QCOMPARE(view->ComboTable->currentText(), QString());
        QCOMPARE(m_main->StatusPanel1->text(), QStringLiteral("There are 1 records in: ById"));

        // The same query clicked again while its text stands in the box: nothing runs.
        prompter.clear();
        view->SStabClicked(QStringLiteral("ById"));
        QVERIFY(prompter.calls().isEmpty());

        // Cancelled: the empty text is no Long, so it is refused and the grid keeps its rows.
        view->TxtQuery->clear();
        prompter.cancel();
        view->SStabClicked(QStringLiteral("ById"));
        QCOMPARE(prompter.calls().size(), 2);
        QCOMPARE(prompter.calls().last().prompt, QStringLiteral("\"\" is not a valid Long value!"));
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 1);

        // No match.
        view->TxtQuery->clear();
        prompter.clear();
        prompter.answer(QStringLiteral("99"));
        view->SStabClicked(QStringLiteral("ById"));
        QCOMPARE(prompter.calls().last().prompt, QStringLiteral("No record match!"));
        QCOMPARE(prompter.calls().last().title, QStringLiteral("NO MATCH"));
        QCOMPARE(prompter.calls().last().icon, 106);
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 1);

        // A value that is not a number is refused before the query runs.
        view->TxtQuery->clear();
        prompter.clear();
        prompter.answer(QStringLiteral("two"));
        view->SStabClicked(QStringLiteral("ById"));
        QCOMPARE(prompter.calls().size(), 2);
        QCOMPARE(prompter.calls().last().title, QStringLiteral("ERROR INPUT"));
    }

    void fourParametersAskInOrder()
    {
        {
            auto database = db::DBEngine::OpenDatabase(m_file);
            database->createQueryDef(
                QStringLiteral("Four"),
                QStringLiteral("SELECT * FROM Basics WHERE ID IN (:A, :B, :C) AND Question <> :D"),
                {{QStringLiteral("A"), db::dbInteger, {}},
                 {QStringLiteral("B"), db::dbLong, {}},
                 {QStringLiteral("C"), db::dbSingle, {}},
                 {QStringLiteral("D"), db::dbText, {}}});
        }
        ScriptedPrompter prompter;
        FrmAdvance *view = open(m_file);
        for (const char *answer : {"1", "2", "3"})
            prompter.answer(QString::fromLatin1(answer));
        prompter.cancel(); // an empty text, which any question differs from
        view->SStabClicked(QStringLiteral("Four"));
        const QStringList prompts = prompter.prompts();
        QCOMPARE(prompts.size(), 4);
        QCOMPARE(prompts.at(0), QStringLiteral("This query need 4  parameters, please input the "
                                               "first here: \r\nThe A\r\nValue type required is: "
                                               "Integer"));
        QVERIFY(prompts.at(1).contains(QStringLiteral(" the second here: ")));
        QVERIFY(prompts.at(2).contains(QStringLiteral(" the third here: ")));
        QVERIFY(prompts.at(3).startsWith(
            QStringLiteral("This query need 4  parameters, please input4th here: ")));
        QVERIFY(prompts.at(3).endsWith(QStringLiteral("String")));
        QCOMPARE(prompter.calls().at(0).title, QStringLiteral("Parameter required."));
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 3);
    }

    void convertsParameterValues()
    {
        QCOMPARE(
            FrmAdvance::ConvertParameterValue(QStringLiteral(" a b "), QStringLiteral("String")),
            QVariant(QStringLiteral(" a b ")));
        QCOMPARE(
            FrmAdvance::ConvertParameterValue(QStringLiteral("2024-02-29"), QStringLiteral("Date")),
            QVariant(QDate(2024, 2, 29)));
        QVERIFY(
            !FrmAdvance::ConvertParameterValue(QStringLiteral("2023-02-29"), QStringLiteral("Date"))
                 .isValid());
        QVERIFY(
            !FrmAdvance::ConvertParameterValue(QStringLiteral("40000"), QStringLiteral("Integer"))
                 .isValid());
        QCOMPARE(
            FrmAdvance::ConvertParameterValue(QStringLiteral("-32768"), QStringLiteral("Integer")),
            QVariant(-32768));
        QCOMPARE(
            FrmAdvance::ConvertParameterValue(QStringLiteral("1.23456"), QStringLiteral("Currency"))
                .toDouble(),
            1.2346);
        QVERIFY(!FrmAdvance::ConvertParameterValue(QStringLiteral("1"), QStringLiteral("Blob"))
                     .isValid());
        QCOMPARE(FrmAdvance::parameterTypeName(db::dbMemo), QStringLiteral("String"));
        QCOMPARE(FrmAdvance::parameterTypeName(db::dbCurrency), QStringLiteral("Currency"));
    }

    void renamesThroughTheTree()
    {
        ScriptedPrompter prompter;
        FrmAdvance *view = open(m_file);
        QTreeWidget *tree = m_main->DataTree;

        QTreeWidgetItem *tables =
            findNode(tree, QStringLiteral("Database"), QStringLiteral("Tables"));
        QVERIFY(view->UpDateIt(QStringLiteral("Qt"), QStringLiteral("Widgets"), tables));
        QCOMPARE(cli(QStringLiteral("SELECT count(*) FROM Widgets;")), QStringLiteral("3"));
        QVERIFY(comboItems(view->ComboTable).contains(QStringLiteral("Widgets")));

        // A name in use is refused with the warning; the database is unchanged.
        QVERIFY(!view->UpDateIt(QStringLiteral("Basics"), QStringLiteral("Empty"), tables));
        QCOMPARE(prompter.calls().last().prompt, QStringLiteral("You cannot update the Tables"));
        QCOMPARE(prompter.calls().last().title, QStringLiteral("WARNING"));
        QCOMPARE(cli(QStringLiteral("SELECT count(*) FROM Basics;")), QStringLiteral("3"));

        // A field label edited in the tree renames the field of that node's table, even
        // while the grid shows another table.
        view->ComboTable->setCurrentIndex(view->ComboTable->findText(QStringLiteral("Empty")));
        view->ComboTable_Click();
        QTreeWidgetItem *basics =
            findNode(tree, QStringLiteral("Tables"), QStringLiteral("Basics"));
        QTreeWidgetItem *answer = nullptr;
        for (int i = 0; i < basics->child(0)->childCount(); ++i) {
            if (basics->child(0)->child(i)->text(0) == QLatin1String("Answer"))
                answer = basics->child(0)->child(i);
        }
        QVERIFY(answer);
        prompter.clear();
        prompter.answer(QStringLiteral("Yes"));
        answer->setText(0, QStringLiteral("Reply"));
        QCOMPARE(prompter.calls().at(0).prompt, QStringLiteral("Do you want to update it!"));
        QCOMPARE(cli(QStringLiteral("SELECT count(Reply) FROM Basics;")), QStringLiteral("3"));

        // Refused in the tree: the label goes back to the real name.
        prompter.answer(QStringLiteral("No"));
        answer->setText(0, QStringLiteral("Other"));
        QCOMPARE(answer->text(0), QStringLiteral("Reply"));
        QCOMPARE(cli(QStringLiteral("SELECT count(Reply) FROM Basics;")), QStringLiteral("3"));
    }

    void passwordIsKeptInTheTag()
    {
        {
            auto database = db::DBEngine::OpenDatabase(m_file);
            database->NewPassword(QString(), QStringLiteral("secret"));
        }
        db::DBEngine::closeAll();
        ScriptedPrompter prompter;
        prompter.answer(QStringLiteral("Yes"));
        prompter.answer(QStringLiteral("secret"));
        FrmAdvance *view = open(m_file);
        QVERIFY(view);
        QCOMPARE(view->TxtQuery->property("Tag").toString(), QStringLiteral("secret"));
        QCOMPARE(view->password(), QStringLiteral("secret"));
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 3 + 1);

        // Later opens use it without asking: an action query and the rebind after it.
        prompter.clear();
        view->TxtQuery->setPlainText(QStringLiteral("DELETE FROM Qt WHERE ID = 1"));
        QVERIFY(runQuery(view));
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().last().title, QStringLiteral("SUCCEED"));
        QCOMPARE(cli(QStringLiteral("SELECT count(*) FROM Qt;")), QStringLiteral("2"));
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 3 + 1);
    }

    void addRecordOnEmptyTable()
    {
        ScriptedPrompter prompter;
        FrmAdvance *view = open(m_file);
        view->ComboTable->setCurrentIndex(view->ComboTable->findText(QStringLiteral("Empty")));
        view->ComboTable_Click();
        view->AddRec();
        QCOMPARE(view->DBGridRecord->currentIndex().row(), 0);
        QCOMPARE(view->DBGridRecord->currentIndex().column(), 1);
        QVERIFY(view->DBGridRecord->model()->setData(view->DBGridRecord->currentIndex(),
                                                     QStringLiteral("new one")));
        QCOMPARE(cli(QStringLiteral("SELECT Question FROM Empty;")), QStringLiteral("new one"));
        QCOMPARE(view->DBGridRecord->model()->rowCount(), 2);
    }

    void unloadClearsTheTree()
    {
        ScriptedPrompter prompter;
        QPointer<FrmAdvance> view = open(m_file);
        QVERIFY(m_main->DataTree->topLevelItemCount() > 0);
        m_main->mdiArea()->closeAllSubWindows();
        QTRY_VERIFY(!view);
        QCOMPARE(m_main->DataTree->topLevelItemCount(), 0);
        QVERIFY(m_main->StatusPanel1->text().startsWith(QStringLiteral("Welcome : ")));
    }

    void splitterClamps()
    {
        QCOMPARE(FrmAdvance::clampSliderTop(10, 1000), 46);
        QCOMPARE(FrmAdvance::clampSliderTop(900, 1000), (1000 - 106) / 2);
        QCOMPARE(FrmAdvance::clampSliderTop(200, 1000), 200);

        // A drag clamps with the grid's height from before the drop: further down never
        // lands higher.
        ScriptedPrompter prompter;
        QPointer<FrmAdvance> view = open(m_file);
        m_main->resize(1000, 1000);
        view->parentWidget()->resize(900, 900);
        QSplitter *slider = view->picSlider;
        QSplitterHandle *handle = slider->handle(1);
        const int total = slider->sizes().value(0) + slider->sizes().value(1);
        const int start = 80;
        int last = -1;
        for (int target : {150, 250, 400}) {
            slider->setSizes({start, total - start});
            const int top = slider->sizes().value(0);
            QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(handle->width() / 2, 0));
            QTest::mouseMove(handle, QPoint(handle->width() / 2, target - top));
            QTest::mouseRelease(handle, Qt::LeftButton, {},
                                QPoint(handle->width() / 2, target - top));
            const int now = slider->sizes().value(0);
            QCOMPARE(now, FrmAdvance::clampSliderTop(qMin(target, total), total - top));
            QVERIFY(now >= last);
            last = now;
        }

        // Below the least size on one side, the window takes it on both.
        QWidget *frame = view->parentWidget();
        frame->showNormal();
        frame->resize(150, 600);
        QApplication::sendPostedEvents();
        QCOMPARE(frame->size(), QSize(267, 200));
    }
};

QTEST_MAIN(TestDataView)
#include "dbtools_dataview.moc"
