#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "kb_searchfixture.h"
#include "platform/base/apppaths.h"
#include "scriptedprompter.h"
#include "soundrecorder.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <sqlite3.h>

using SearchFixture::Record;

namespace {

constexpr int CppIndex = 4;

QString historyText()
{
    QFile file(GetAppPath() + QStringLiteral("DataLog/C++.rid"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing>");
    return QString::fromUtf8(file.readAll());
}

QString storedQuestion(qint64 id)
{
    sqlite3 *db = nullptr;
    sqlite3_open((DatabaseFolder + QStringLiteral("Search.mdb")).toUtf8().constData(), &db);
    sqlite3_stmt *select = nullptr;
    sqlite3_prepare_v2(db, "SELECT Question FROM SrhResult WHERE ID = ?", -1, &select, nullptr);
    sqlite3_bind_int64(select, 1, id);
    QString question;
    if (sqlite3_step(select) == SQLITE_ROW)
        question =
            QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(select, 0)));
    sqlite3_finalize(select);
    sqlite3_close(db);
    return question;
}

} // namespace

class TestSearchTab : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestSupport::TempDataRoot> m_root;
    std::unique_ptr<FrmMain> m_main;

    bool search(const QString &keyword)
    {
        QSignalSpy finished(m_main.get(), &FrmMain::searchFinished);
        m_main->ComboKeyWord->setEditText(keyword);
        m_main->CmdSrh_Click();
        return m_main->isSearching() ? finished.wait(20000) : false;
    }

private slots:
    void init()
    {
        m_root = std::make_unique<TestSupport::TempDataRoot>();
        const QString folder = m_root->filePath(QStringLiteral("Database"));
        SearchFixture::createKnowledgeBase(
            folder, QStringLiteral("C++"),
            {{QStringLiteral("Classes"),
              {Record{QStringLiteral("zeta: how to win with classes"), QStringLiteral("a")},
               Record{QStringLiteral("alpha: win at the start"), QStringLiteral("b")}}},
             {QStringLiteral("Templates"),
              {Record{QStringLiteral("mid: templates win too"), QStringLiteral("c")},
               Record{QStringLiteral("nothing here"), QStringLiteral("d")}}}});
        SearchFixture::createSearchDatabase(folder);
        m_main = std::make_unique<FrmMain>();
        m_main->MDIForm_Load();
        m_main->show();
    }

    void cleanup()
    {
        FrmMain::setRecordWindowFactory(nullptr);
        m_main.reset();
        m_root.reset();
    }

    void choosingADatabase()
    {
        ScriptedPrompter prompter;
        m_main->ComboSrhDBName->setCurrentIndex(CppIndex);
        m_main->SelectSearchDatabase();
        QCOMPARE(m_main->SearchDatabaseName, QStringLiteral("C++"));
        QCOMPARE(m_main->TablesName->count(), 2);
        QCOMPARE(historyText(), QString()); // created empty

        // A missing file keeps the previous choice.
        m_main->ComboSrhDBName->setCurrentIndex(0);
        m_main->SelectSearchDatabase();
        QCOMPARE(prompter.prompts(), QStringList{QStringLiteral("Database not found!")});
        QCOMPARE(m_main->ComboSrhDBName->currentIndex(), CppIndex);
        QCOMPARE(m_main->SearchDatabaseName, QStringLiteral("C++"));
    }

    void refusedSearches()
    {
        ScriptedPrompter prompter;
        m_main->ComboKeyWord->setEditText(QStringLiteral("win"));
        m_main->CmdSrh_Click();
        m_main->ComboSrhDBName->setCurrentIndex(CppIndex);
        m_main->SelectSearchDatabase();
        m_main->ComboKeyWord->setEditText(QStringLiteral("   "));
        m_main->CmdSrh_Click();
        QCOMPARE(prompter.prompts(),
                 QStringList({QStringLiteral("Please select a database to search please!"),
                              QStringLiteral("Please type the searching crateria")}));
        QVERIFY(!m_main->isSearching());
    }

    void searchFillsListHistoryAndWindow()
    {
        ScriptedPrompter prompter;
        int windows = 0;
        FrmMain::setRecordWindowFactory([&windows](FrmMain *, bool searchMode) -> QWidget * {
            windows += searchMode ? 1 : 0;
            return new QLabel;
        });
        m_main->ComboSrhDBName->setCurrentIndex(CppIndex);
        m_main->SelectSearchDatabase();

        QVERIFY(search(QStringLiteral("win")));
        QCOMPARE(m_main->ListResult->topLevelItemCount(), 3);
        QCOMPARE(m_main->StatusPanel1->text(),
                 QStringLiteral("Totally 3 Topics found about - WIN"));
        // Sorted by question; each item still shows its own stored hit.
        QCOMPARE(m_main->ListResult->topLevelItem(0)->text(0),
                 QStringLiteral("alpha: win at the start"));
        QCOMPARE(m_main->ListResult->topLevelItem(0)->text(1), QStringLiteral("Classes"));
        for (int i = 0; i < 3; ++i) {
            const QTreeWidgetItem *item = m_main->ListResult->topLevelItem(i);
            QCOMPARE(storedQuestion(FrmMain::searchResultId(item)), item->text(0));
        }
        QCOMPARE(m_main->ListResult->currentItem(), m_main->ListResult->topLevelItem(0));
        QCOMPARE(windows, 1);
        // The question takes the room the topic leaves it: a short hit reads whole.
        m_main->SSTabMain->setCurrentIndex(1);
        QTreeWidget *list = m_main->ListResult;
        QTRY_COMPARE(list->columnWidth(0) + list->columnWidth(1), list->viewport()->width());
        QVERIFY(list->columnWidth(0) >
                list->fontMetrics().horizontalAdvance(list->topLevelItem(0)->text(0)));
        QVERIFY(list->columnWidth(1) >=
                list->fontMetrics().horizontalAdvance(list->topLevelItem(0)->text(1)));
        QCOMPARE(historyText(), QStringLiteral("win\r\n"));
        QCOMPARE(m_main->ComboKeyWord->itemText(0), QStringLiteral("win"));

        // An exact repeat is not added again; a case-only variant is.
        QVERIFY(search(QStringLiteral("win")));
        QVERIFY(search(QStringLiteral("WIN")));
        QCOMPARE(historyText(), QStringLiteral("win\r\nWIN\r\n"));
        QCOMPARE(windows, 3);
        // Each search replaces the previous result window.
        int open = 0;
        for (QMdiSubWindow *child : m_main->mdiArea()->subWindowList())
            open += child->isVisible() ? 1 : 0;
        QCOMPARE(open, 1);

        QVERIFY(search(QStringLiteral("no such words")));
        QCOMPARE(prompter.calls().constLast().prompt,
                 QStringLiteral("Couldn't locate the record under your information!"));
        QCOMPARE(prompter.calls().constLast().title, QStringLiteral("Search Failed!"));
        QCOMPARE(prompter.calls().constLast().icon, 105);
        QCOMPARE(historyText(), QStringLiteral("win\r\nWIN\r\n"));
    }

    void openingADatabaseRetargetsTheSearch()
    {
        ScriptedPrompter prompter;
        SearchFixture::createKnowledgeBase(
            m_root->filePath(QStringLiteral("Database")), QStringLiteral("Java"),
            {{QStringLiteral("Beans"),
              {Record{QStringLiteral("beans win"), QStringLiteral("e")}}}});
        FrmMain::setRecordWindowFactory([](FrmMain *, bool) -> QWidget * { return new QLabel; });
        m_main->ComboSrhDBName->setCurrentIndex(CppIndex);
        m_main->SelectSearchDatabase();
        QVERIFY(search(QStringLiteral("win")));
        QCOMPARE(m_main->ListResult->topLevelItemCount(), 3);

        // Opening Java while hits are listed makes Java the searched database.
        m_main->DBToolbar_ButtonClick(m_main->DBToolbar->actions().at(1));
        QCOMPARE(m_main->ComboSrhDBName->currentData().toString(), QStringLiteral("Java"));
        QVERIFY(search(QStringLiteral("win")));
        QCOMPARE(prompter.prompts(), QStringList());
        QCOMPARE(m_main->ListResult->topLevelItemCount(), 1);
        QCOMPARE(m_main->ListResult->topLevelItem(0)->text(1), QStringLiteral("Beans"));
        QFile java(GetAppPath() + QStringLiteral("DataLog/Java.rid"));
        QVERIFY(java.open(QIODevice::ReadOnly));
        QCOMPARE(java.readAll(), QByteArray("win\r\n"));
        QCOMPARE(historyText(), QStringLiteral("win\r\n"));
    }

    void completionAndBackspace()
    {
        QFile history(m_root->filePath(QStringLiteral("DataLog/C++.rid")));
        QDir().mkpath(m_root->filePath(QStringLiteral("DataLog")));
        QVERIFY(history.open(QIODevice::WriteOnly));
        history.write("select\r\nwhere\r\n");
        history.close();
        m_main->ComboSrhDBName->setCurrentIndex(CppIndex);
        m_main->SelectSearchDatabase();
        QCOMPARE(m_main->ComboKeyWord->count(), 2);

        QLineEdit *edit = m_main->ComboKeyWord->lineEdit();
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("sel"));
        QCOMPARE(edit->text(), QStringLiteral("select"));
        QCOMPARE(edit->selectedText(), QStringLiteral("ect"));
        QVERIFY(m_main->CmdSrh->isEnabled());
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QStringLiteral("sel"));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QStringLiteral("se"));
        QTest::keyClicks(edit, QStringLiteral("l"));
        QCOMPARE(edit->text(), QStringLiteral("select"));
    }

    void completionWithKeyEvents()
    {
        // Keys delivered as events, the way the window system's keys arrive: one
        // completion only, its rest left selected so the next key types over it.
        QFile history(m_root->filePath(QStringLiteral("DataLog/C++.rid")));
        QDir().mkpath(m_root->filePath(QStringLiteral("DataLog")));
        QVERIFY(history.open(QIODevice::WriteOnly));
        history.write("class\r\nvector\r\n");
        history.close();
        m_main->ComboSrhDBName->setCurrentIndex(CppIndex);
        m_main->SelectSearchDatabase();
        QLineEdit *edit = m_main->ComboKeyWord->lineEdit();
        edit->setFocus();
        const auto type = [edit](const QString &keys) {
            for (const QChar c : keys) {
                const int key = c.toUpper().unicode();
                const Qt::KeyboardModifiers shift =
                    c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier;
                QKeyEvent press(QEvent::KeyPress, key, shift, QString(c));
                QApplication::sendEvent(edit, &press);
                QKeyEvent release(QEvent::KeyRelease, key, shift, QString(c));
                QApplication::sendEvent(edit, &release);
            }
        };
        const auto retype = [&](const QString &keys) {
            edit->clear();
            type(keys);
        };
        retype(QStringLiteral("cl"));
        QCOMPARE(edit->text(), QStringLiteral("class"));
        QCOMPARE(edit->selectedText(), QStringLiteral("ass"));
        retype(QStringLiteral("VEC"));
        QCOMPARE(edit->text(), QStringLiteral("VECtor"));
        QCOMPARE(edit->selectedText(), QStringLiteral("tor"));
        retype(QStringLiteral("vector"));
        QCOMPARE(edit->text(), QStringLiteral("vector"));
        // A new keyword that starts like an old one.
        retype(QStringLiteral("classic"));
        QCOMPARE(edit->text(), QStringLiteral("classic"));
        QVERIFY(m_main->ComboKeyWord->completer() == nullptr);
    }

    void quitDuringSearchWaitsForIt()
    {
        ScriptedPrompter prompter;
        m_main->ComboSrhDBName->setCurrentIndex(CppIndex);
        m_main->SelectSearchDatabase();
        QSignalSpy finished(m_main.get(), &FrmMain::searchFinished);
        m_main->ComboKeyWord->setEditText(QStringLiteral("no such words"));
        m_main->CmdSrh_Click();
        QVERIFY(m_main->isSearching());
        prompter.answer(QStringLiteral("Yes"));
        // The worker still writes the results: the window waits for it, asking only once.
        QVERIFY(!m_main->close());
        QVERIFY(m_main->isVisible());
        QVERIFY(finished.wait(20000));
        QTRY_VERIFY(!m_main->isVisible());
        QCOMPARE(prompter.prompts(), QStringList{QStringLiteral("Are you sure you want to quit?")});
    }

    void criteriaWords()
    {
        m_main->mnuAnd_Click();
        QCOMPARE(m_main->ComboKeyWord->currentText(), QString());
        m_main->ComboKeyWord->setEditText(QStringLiteral("win"));
        m_main->mnuAnd_Click();
        m_main->mnuNot_Click();
        QCOMPARE(m_main->ComboKeyWord->currentText(), QStringLiteral("win AND NOT"));
    }

    void quickLocate()
    {
        m_main->ListRecords->addItems({QStringLiteral("Alpha"), QStringLiteral("window class"),
                                       QStringLiteral("Windows paths")});
        m_main->TxtKeyWord->setText(QStringLiteral("WIND"));
        QCOMPARE(m_main->ListRecords->currentRow(), 1);
        m_main->TxtKeyWord->setText(QStringLiteral("zz"));
        QCOMPARE(m_main->ListRecords->currentRow(), -1);

        // Keys that type a character click, in either box (Enter too in this one); moving,
        // Shift and Delete type nothing. The focused combo box takes the keys for its edit.
        TestSupport::SoundRecorder sounds;
        TestSupport::SoundGate gate(true);
        for (QWidget *box : {static_cast<QWidget *>(m_main->TxtKeyWord),
                             static_cast<QWidget *>(m_main->ComboKeyWord)}) {
            box->setFocus();
            for (const Qt::Key key : {Qt::Key_A, Qt::Key_Left, Qt::Key_Shift, Qt::Key_Delete,
                                      Qt::Key_Home, Qt::Key_Backspace, Qt::Key_Escape})
                QTest::keyClick(box, key);
        }
        QTest::keyClick(m_main->TxtKeyWord, Qt::Key_Return);
        QCOMPARE(sounds.played, QStringList(7, QStringLiteral("KEYPRESS")));
    }
};

QTEST_MAIN(TestSearchTab)
#include "kb_search_tab.moc"
