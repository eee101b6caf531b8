#include "editor/frmrecord.h"
#include "kb/frmmain.h"
#include "kb_searchfixture.h"
#include "scriptedprompter.h"
#include "testsupport.h"

#include <QComboBox>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using SearchFixture::Record;

// The search-result window as a user meets it: a click in the sorted result list
// shows that very hit.
class TestSearchWindow : public QObject
{
    Q_OBJECT

private slots:
    void clickShowsTheMatchingHit()
    {
        TestSupport::TempDataRoot root;
        ScriptedPrompter prompter;
        const QString folder = root.filePath(QStringLiteral("Database"));
        // Stored order differs from the sorted list's order.
        SearchFixture::createKnowledgeBase(
            folder, QStringLiteral("Linux"),
            {{QStringLiteral("Shell"),
              {Record{QStringLiteral("zsh: how to grep recursively"), QStringLiteral("z")},
               Record{QStringLiteral("bash: grep with colours"), QStringLiteral("b")}}},
             {QStringLiteral("Files"),
              {Record{QStringLiteral("mid: grep inside archives"), QStringLiteral("m")}}}});
        SearchFixture::createSearchDatabase(folder);
        FrmMain::setRecordWindowFactory([](FrmMain *main, bool searchMode) -> QWidget * {
            return new FrmRecord(main, searchMode);
        });

        FrmMain main;
        main.MDIForm_Load();
        main.show();
        main.ComboSrhDBName->setCurrentIndex(8); // LINUX
        main.SelectSearchDatabase();
        QSignalSpy finished(&main, &FrmMain::searchFinished);
        main.ComboKeyWord->setEditText(QStringLiteral("grep"));
        main.CmdSrh_Click();
        QVERIFY(finished.wait(20000));
        QCOMPARE(main.ListResult->topLevelItemCount(), 3);

        auto *window = qobject_cast<FrmRecord *>(main.SearchResultForm.data());
        QVERIFY(window);
        QVERIFY(window->SearchMode());
        QCOMPARE(window->windowTitle(), QStringLiteral("Searching Results"));
        for (int i : {0, 2, 1}) {
            QTreeWidgetItem *item = main.ListResult->topLevelItem(i);
            main.ListResult->setCurrentItem(item);
            QCOMPARE(window->RTBQuestion->toPlainText(), item->text(0));
        }
        FrmMain::setRecordWindowFactory(nullptr);
    }
};

QTEST_MAIN(TestSearchWindow)
#include "kb_search_window.moc"
