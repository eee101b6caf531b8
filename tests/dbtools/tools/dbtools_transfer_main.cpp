// The transfer command of the main window over a real record window.
#include "dbtools/frmtrans.h"
#include "editor/frmrecord.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "platform/db/dbengine.h"
#include "recordtestdb.h"
#include "scriptedprompter.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QTest>

using RecordTestDb::query;

class TestTransferMain : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        setDbMaintenanceModalRunner({});
        db::DBEngine::closeAll();
    }

    void movesTheShownRecord()
    {
        TestSupport::TempDataRoot root;
        QDir().mkpath(root.path() + "/Database");
        ScriptedPrompter prompter;
        std::unique_ptr<FrmMain> main(RecordTestDb::newMainWindow());
        FrmMain::setDbMaintenanceFactory(&openDbMaintenanceWindow);
        const QString file = DatabaseFolder + "C.mdb";
        RecordTestDb::create(file, {{"Pointers", {{"Q1", "{\\rtf1 A1}"}, {"Q2", "A2"}}, {}, {}},
                                    {"Arrays", {{"q2", "taken"}}, {}, {}}});
        RecordTestDb::pressDatabaseButton(main.get(), "C");
        RecordTestDb::chooseTopic(main.get(), "Pointers");
        QVERIFY(main->activeRecordWindow());
        main->ListRecords->setCurrentRow(0);
        main->ListRecords_Click();

        QStringList shown;
        QString target = "Arrays";
        setDbMaintenanceModalRunner([&](QDialog *window) {
            auto *transfer = qobject_cast<FrmTrans *>(window);
            QVERIFY(transfer);
            shown << transfer->LblQuestion->text() << transfer->LblTopic->text();
            transfer->Combo->setCurrentText(target);
            transfer->CmdTrans_Click();
        });
        main->mnuTransfer_Click();
        QCOMPARE(shown, QStringList({"Q1", "Pointers"}));
        QCOMPARE(query(file, "SELECT Question FROM Pointers"), QStringList{"Q2"});
        QCOMPARE(query(file, "SELECT Answer FROM Arrays WHERE Question = 'Q1'"),
                 QStringList{"{\\rtf1 A1}"});
        QCOMPARE(main->ListRecords->count(), 1);

        // "Q2" is in Arrays already (other case): nothing moves, nothing goes.
        prompter.clear();
        main->mnuTransfer_Click();
        QCOMPARE(prompter.calls().value(0).title, QStringLiteral("FAILED"));
        QCOMPARE(query(file, "SELECT Question FROM Pointers"), QStringList{"Q2"});
        QCOMPARE(query(file, "SELECT COUNT(*) FROM Arrays"), QStringList{"2"});
    }
};

QTEST_MAIN(TestTransferMain)
#include "dbtools_transfer_main.moc"
