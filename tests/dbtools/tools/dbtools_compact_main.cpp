// The compact command of the main window: open databases are closed, compacted and reopened.
#include "dbtools/frmcompactdb.h"
#include "dbtools/frmtrans.h"
#include "editor/frmrecord.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "platform/db/dbengine.h"
#include "recordtestdb.h"
#include "scriptedprompter.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QSignalSpy>
#include <QTest>

using RecordTestDb::query;

class TestCompactMain : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        setDbMaintenanceModalRunner({});
        db::DBEngine::closeAll();
    }

    void reopensWhatWasOpen()
    {
        TestSupport::TempDataRoot root;
        QDir().mkpath(root.path() + "/Database");
        ScriptedPrompter prompter;
        std::unique_ptr<FrmMain> main(RecordTestDb::newMainWindow());
        FrmMain::setDbMaintenanceFactory(&openDbMaintenanceWindow);
        RecordTestDb::Topic big{"Pointers", {}, {}, {}};
        for (int i = 0; i < 300; ++i)
            big.records.append({QString("Q%1").arg(i), QString(3000, QChar('a' + i % 26))});
        for (const char *key : {"C", "Virus"}) {
            RecordTestDb::create(DatabaseFolder + key + ".mdb", {big});
            query(DatabaseFolder + key + ".mdb", "DELETE FROM Pointers WHERE ID > 10");
        }
        const qint64 before = QFileInfo(DatabaseFolder + "C.mdb").size();
        RecordTestDb::pressDatabaseButton(main.get(), "C");
        RecordTestDb::pressDatabaseButton(main.get(), "Virus");
        QCOMPARE(main->LoadCount, 2);

        int openWhileRunning = -1;
        setDbMaintenanceModalRunner([&](QDialog *window) {
            auto *compact = qobject_cast<FrmCompactDB *>(window);
            QVERIFY(compact);
            openWhileRunning = db::DBEngine::openDatabaseCount();
            compact->CheckAll->setChecked(true);
            compact->CheckAll_Click();
            QSignalSpy finished(compact, &FrmCompactDB::runFinished);
            compact->CmdGo_Click();
            QVERIFY(finished.wait(60000));
            QVERIFY(finished.first().first().toBool());
        });
        main->mnuCompatDB_Click();
        QCOMPARE(openWhileRunning, 0);
        QVERIFY(QFileInfo(DatabaseFolder + "C.mdb").size() < before / 2);
        QCOMPARE(query(DatabaseFolder + "Virus.mdb", "SELECT COUNT(*) FROM Pointers"),
                 QStringList{"10"});
        QCOMPARE(prompter.calls().last().kind, QStringLiteral("plain"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(main->LoadCount, 2);
        QVERIFY(main->RecordForms[4] && main->RecordForms[8]);
    }
};

QTEST_MAIN(TestCompactMain)
#include "dbtools_compact_main.moc"
