// The transfer command of the main window over a real record window.
#include "dbtools/frmexportdbtextfile.h"
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
#include <QPlainTextEdit>
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

    void aRecordBeingEditedIsNotMovedAndExportsAsShown()
    {
        TestSupport::TempDataRoot root;
        QDir().mkpath(root.path() + "/Database");
        ScriptedPrompter prompter;
        std::unique_ptr<FrmMain> main(RecordTestDb::newMainWindow());
        FrmMain::setDbMaintenanceFactory(&openDbMaintenanceWindow);
        const QString file = DatabaseFolder + "C.mdb";
        RecordTestDb::create(file, {{"Pointers", {{"Q1", "A1"}}, {}, {}}, {"Arrays", {}, {}, {}}});
        RecordTestDb::pressDatabaseButton(main.get(), "C");
        RecordTestDb::chooseTopic(main.get(), "Pointers");
        auto *form = dynamic_cast<FrmRecord *>(main->activeRecordWindow());
        QVERIFY(form);
        main->ListRecords->setCurrentRow(0);
        main->ListRecords_Click();
        form->EditRec();
        form->RTBQuestion->setPlainText("Q1 typed");

        bool opened = false;
        setDbMaintenanceModalRunner([&](QDialog *window) {
            opened = true;
            if (auto *transfer = qobject_cast<FrmTrans *>(window)) {
                transfer->Combo->setCurrentText("Arrays");
                transfer->CmdTrans_Click();
            }
        });
        prompter.clear();
        main->mnuTransfer_Click();
        QVERIFY(!opened);
        QCOMPARE(prompter.calls().size(), 1);
        QVERIFY(!prompter.prompts().contains("Transfer Succeed!"));
        QCOMPARE(query(file, "SELECT Question FROM Pointers"), QStringList{"Q1"});
        QCOMPARE(query(file, "SELECT COUNT(*) FROM Arrays"), QStringList{"0"});
        QCOMPARE(form->RTBQuestion->toPlainText(), QStringLiteral("Q1 typed"));

        // "Only convert current record" writes what the boxes show.
        opened = false;
        setDbMaintenanceModalRunner([&](QDialog *window) {
            opened = true;
            auto *exporter = qobject_cast<FrmExportDBTextFile *>(window);
            QVERIFY(exporter);
            QCOMPARE(exporter->QuestionText, QStringLiteral("Q1 typed"));
            QCOMPARE(exporter->AnswerText, QStringLiteral("A1"));
        });
        FrmExportDBTextFile::showFor(main.get());
        QVERIFY(opened);
    }
};

QTEST_MAIN(TestTransferMain)
#include "dbtools_transfer_main.moc"
