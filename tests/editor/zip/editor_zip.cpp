#include "../record/recordtestdb.h"
#include "diskfull.h"
#include "editor/frmrecord.h"
#include "editor/recordzip.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "platform/richtext/richtextbox.h"
#include "scriptedprompter.h"
#include "testsupport.h"
#include "zipfiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString Topic = QStringLiteral("Zipped Examples");

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray sha256(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

// A zip of exactly `size` bytes.
QByteArray zipOfSize(qint64 size)
{
    const qint64 overhead = TestSupport::storedZip(0).size();
    const QByteArray zip = TestSupport::storedZip(size - overhead);
    Q_ASSERT(zip.size() == size);
    return zip;
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

bool unzipTests(const QString &path)
{
    if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
        return true; // the byte comparison already holds
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-tq"), path});
    return unzip.waitForFinished(30000) && unzip.exitStatus() == QProcess::NormalExit &&
           unzip.exitCode() == 0;
}

// The main window with the shipped C++ knowledge base open on its zipped examples.
struct ZipWindow
{
    TestSupport::TempDataRoot root;
    ScriptedPrompter prompter;
    QTemporaryDir files;
    std::unique_ptr<FrmMain> main;

    ZipWindow()
    {
        QDir().mkpath(root.path() + QStringLiteral("/Database"));
        main.reset(RecordTestDb::newMainWindow());
        const QString shipped = TestSupport::buildDir() + QStringLiteral("/bin/Database/C++.mdb");
        const QString db = dbPath();
        QFile::remove(db);
        if (!QFile::copy(shipped, db))
            qFatal("the shipped C++ knowledge base is missing: %s", qPrintable(shipped));
        QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
        RecordTestDb::pressDatabaseButton(main.get(), QStringLiteral("C++"));
        RecordTestDb::chooseTopic(main.get(), Topic);
        prompter.clear();
    }

    QString dbPath() const { return DatabaseFolder + QStringLiteral("C++.mdb"); }
    FrmRecord *form() const { return qobject_cast<FrmRecord *>(main->RecordForms[5].data()); }
    QString file(const QString &name) const { return files.filePath(name); }

    // The stored bytes of every record's zip, by question.
    QByteArray stored(const QString &question) const
    {
        QString quoted = question;
        quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
        const QStringList rows = RecordTestDb::query(
            dbPath(), QStringLiteral("SELECT hex(Ziped) FROM \"Zipped Examples\" WHERE "
                                     "Question = '%1'")
                          .arg(quoted));
        if (rows.isEmpty())
            return QByteArrayLiteral("<no record>");
        return rows.first() == QLatin1String("<null>")
                   ? QByteArray()
                   : QByteArray::fromHex(rows.first().toLatin1());
    }
    int recordCount() const
    {
        return RecordTestDb::query(dbPath(), QStringLiteral("SELECT count(*) FROM \"Zipped "
                                                            "Examples\""))
            .value(0)
            .toInt();
    }
};

} // namespace

class TestZip : public QObject
{
    Q_OBJECT

private slots:
    void shippedZipExportsByteForByte()
    {
        ZipWindow w;
        FrmRecord *form = w.form();
        QVERIFY(form);
        QVERIFY(!form->CmdZip->isHidden());
        QVERIFY(w.main->ListRecords->count() > 0);
        w.main->ListRecords->setCurrentRow(0);
        const QString question = form->RTBQuestion->toPlainText();
        const QByteArray stored = w.stored(question);
        QVERIFY(RecordZip::isZipArchive(stored));

        const QString target = w.file(QStringLiteral("shipped.zip"));
        w.prompter.answer(target);
        w.prompter.answer(QStringLiteral("Ok"));
        form->CmdZip->click();
        QCOMPARE(w.prompter.calls().first().title, QStringLiteral("Save Zip File From Database:"));
        QCOMPARE(w.prompter.prompts().last(),
                 QStringLiteral("ZIP file has been exported from database successfully"));
        QCOMPARE(sha256(fileBytes(target)), sha256(stored));
        QVERIFY(unzipTests(target));
    }

    void editingKeepsTheZipAndExportsIt()
    {
        ZipWindow w;
        FrmRecord *form = w.form();
        w.main->ListRecords->setCurrentRow(1);
        const QString question = form->RTBQuestion->toPlainText();
        const QByteArray stored = w.stored(question);
        form->EditRec();
        QCOMPARE(form->state(), FrmRecord::State::Editing);
        const QString target = w.file(QStringLiteral("editing.zip"));
        w.prompter.answer(target);
        w.prompter.answer(QStringLiteral("Ok"));
        form->CmdZip->click();
        QCOMPARE(fileBytes(target), stored);

        form->RTBAnswer->setText(QStringLiteral("Changed text."));
        w.prompter.clear();
        form->SaveChange();
        QCOMPARE(form->state(), FrmRecord::State::Browsing);
        QCOMPARE(sha256(w.stored(question)), sha256(stored));
    }

    void attachWhileAddingStoresAndExportsIdentically_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("kb");
        QTest::newRow("1023") << qint64(1023) << QStringLiteral("0");
        QTest::newRow("5000") << qint64(5000) << QStringLiteral("4");
        QTest::newRow("8192") << qint64(8192) << QStringLiteral("8");
        QTest::newRow("8193") << qint64(8193) << QStringLiteral("8");
        QTest::newRow("1 MB") << qint64(1 << 20) << QStringLiteral("1024");
    }
    void attachWhileAddingStoresAndExportsIdentically()
    {
        QFETCH(qint64, size);
        QFETCH(QString, kb);
        ZipWindow w;
        FrmRecord *form = w.form();
        const QByteArray zip = zipOfSize(size);
        const QString source = w.file(QStringLiteral("attach.zip"));
        writeFile(source, zip);

        w.prompter.answer(source);
        w.prompter.answer(QStringLiteral("Ok"));
        form->AddRec();
        QCOMPARE(w.prompter.calls().at(0).kind, QStringLiteral("open"));
        QCOMPARE(w.prompter.calls().at(0).title, QStringLiteral("Choose Zip File:"));
        QCOMPARE(w.prompter.calls().at(1).title, QStringLiteral("SUCCEED"));
        const QString question = QDir::toNativeSeparators(QFileInfo(source).absoluteFilePath());
        QCOMPARE(form->RTBQuestion->toPlainText(), question);
        QCOMPARE(form->RTBAnswer->text(), QStringLiteral("This ZIP file is %1 KB").arg(kb));

        // Exporting before saving writes the record's pending zip.
        const QString early = w.file(QStringLiteral("early.zip"));
        w.prompter.answer(early);
        w.prompter.answer(QStringLiteral("Ok"));
        form->CmdZip->click();
        QCOMPARE(fileBytes(early), zip);

        w.prompter.clear();
        form->SaveChange();
        QCOMPARE(form->state(), FrmRecord::State::Browsing);
        QCOMPARE(sha256(w.stored(question)), sha256(zip));

        const QString target = w.file(QStringLiteral("back.zip"));
        w.prompter.answer(target);
        w.prompter.answer(QStringLiteral("Ok"));
        form->CmdZip->click();
        QCOMPARE(sha256(fileBytes(target)), sha256(zip));
        QVERIFY(unzipTests(target));
    }

    void cancelledDialogsAndCancelledAddLeaveNothing()
    {
        ZipWindow w;
        FrmRecord *form = w.form();
        const int before = w.recordCount();
        const QString source = w.file(QStringLiteral("a.zip"));
        writeFile(source, zipOfSize(3000));

        // Cancelling the open dialog silently ends the add: a record here is its archive.
        w.main->ListRecords->setCurrentRow(0);
        const QString shown = form->RTBQuestion->toPlainText();
        w.prompter.cancel();
        form->AddRec();
        QCOMPARE(w.prompter.calls().size(), 1);
        QCOMPARE(form->state(), FrmRecord::State::Browsing);
        QCOMPARE(form->RTBQuestion->toPlainText(), shown);
        QCOMPARE(w.recordCount(), before);

        // A file taken in and then a cancelled add: nothing reaches the database.
        w.prompter.answer(source);
        w.prompter.answer(QStringLiteral("Ok"));
        form->AddRec();
        form->CancelChange(true);
        QCOMPARE(w.recordCount(), before);

        // Cancelling the save dialog writes nothing and says nothing.
        w.main->ListRecords->setCurrentRow(0);
        w.prompter.clear();
        w.prompter.cancel();
        form->CmdZip->click();
        QCOMPARE(w.prompter.calls().size(), 1);
        QCOMPARE(w.prompter.calls().first().kind, QStringLiteral("save"));
        QCOMPARE(QDir(w.files.path()).entryList(QDir::Files), QStringList{"a.zip"});
    }

    void existingTargetIsAskedAboutAndReplacedWhole()
    {
        ZipWindow w;
        FrmRecord *form = w.form();
        w.main->ListRecords->setCurrentRow(0);
        const QByteArray stored = w.stored(form->RTBQuestion->toPlainText());
        const QString target = w.file(QStringLiteral("old.zip"));
        const QByteArray old(stored.size() * 3 + 100, 'x');
        writeFile(target, old);

        // "No" asks for another name; "Cancel" then ends without writing.
        w.prompter.answer(target);
        w.prompter.answer(QStringLiteral("No"));
        w.prompter.answer(target);
        w.prompter.answer(QStringLiteral("Cancel"));
        form->CmdZip->click();
        QCOMPARE(w.prompter.remainingAnswers(), 0);
        const auto &calls = w.prompter.calls();
        QCOMPARE(calls.size(), 4);
        // The program asks about the existing file; the dialog does not ask as well.
        QVERIFY(!calls.at(0).confirmsOverwrite);
        QCOMPARE(calls.at(1).prompt, QStringLiteral("File ") + target +
                                         QStringLiteral("already existed! Are you sure you "
                                                        "want to overwrite it?"));
        QCOMPARE(calls.at(1).title, QStringLiteral("EXISTED FILE"));
        QCOMPARE(calls.at(2).kind, QStringLiteral("save"));
        QCOMPARE(fileBytes(target), old);

        // A full disk fails the export and keeps the old file.
        w.prompter.clear();
        w.prompter.answer(target);
        w.prompter.answer(QStringLiteral("Yes"));
        w.prompter.answer(QStringLiteral("Ok"));
        {
            DiskFull full(4);
            form->CmdZip->click();
        }
        QCOMPARE(w.prompter.calls().last().prompt, QStringLiteral("Zip file export failed."));
        QCOMPARE(fileBytes(target), old);

        // "Yes" replaces the longer file with exactly the stored bytes.
        w.prompter.clear();
        w.prompter.answer(target);
        w.prompter.answer(QStringLiteral("Yes"));
        w.prompter.answer(QStringLiteral("Ok"));
        form->CmdZip->click();
        QCOMPARE(fileBytes(target), stored);
    }

    void recordWithoutZipAndBadFilesAreRefused()
    {
        ZipWindow w;
        FrmRecord *form = w.form();

        const int before = w.recordCount();
        // A file that is not a zip archive is refused, and the dialog asks for another one (a
        // cancel there ends the add as a first one does); a good one is then taken.
        const QString text = w.file(QStringLiteral("notes.zip"));
        writeFile(text, QByteArrayLiteral("PK\x03\x04 only the start of an archive"));
        const QString good = w.file(QStringLiteral("good.zip"));
        writeFile(good, zipOfSize(2048));
        for (const QString &answer : {text, QStringLiteral("Ok"), good, QStringLiteral("Ok")})
            w.prompter.answer(answer);
        form->AddRec();
        QCOMPARE(w.prompter.calls().at(1).prompt,
                 QStringLiteral("This file is not a ZIP file, please choose another one."));
        QCOMPARE(w.prompter.calls().at(2).kind, QStringLiteral("open"));
        QCOMPARE(form->RTBAnswer->text(), QStringLiteral("This ZIP file is 2 KB"));
        QVERIFY(!form->zip()->AddZipedFile(w.file(QStringLiteral("missing.zip"))));
        QCOMPARE(w.prompter.prompts().last(),
                 QStringLiteral("Error occur during loading file, please try again."));
        // A record without a question is never stored.
        form->RTBQuestion->clear();
        w.prompter.clear();
        w.prompter.answer(QStringLiteral("Cancel"));
        form->SaveChange();
        QCOMPARE(w.prompter.calls().first().prompt,
                 QStringLiteral("The record cannot be saved because you did nothing!"));
        QCOMPARE(form->state(), FrmRecord::State::Browsing);
        QCOMPARE(w.recordCount(), before);

        // A record kept without a zip has nothing to export: no dialog, a failure.
        RecordTestDb::query(w.dbPath(), QStringLiteral("INSERT INTO \"Zipped Examples\" "
                                                       "(Question, Answer) VALUES ('A record "
                                                       "without an archive', 'Nothing.')"));
        RecordTestDb::chooseTopic(w.main.get(), QStringLiteral("Classes"));
        RecordTestDb::chooseTopic(w.main.get(), Topic);
        w.main->ListRecords->setCurrentRow(w.main->ListRecords->count() - 1);
        QCOMPARE(form->RTBQuestion->toPlainText(), QStringLiteral("A record without an archive"));
        w.prompter.clear();
        form->CmdZip->click();
        QCOMPARE(w.prompter.calls().size(), 1);
        QCOMPARE(w.prompter.calls().first().prompt, QStringLiteral("Zip file export failed."));
        QCOMPARE(w.prompter.calls().first().title, QStringLiteral("FAILED"));
        QCOMPARE(QDir(w.files.path()).entryList(QDir::Files),
                 (QStringList{"good.zip", "notes.zip"}));
    }

    void otherTopicsDoNotAskForAZip()
    {
        ZipWindow w;
        RecordTestDb::chooseTopic(w.main.get(), QStringLiteral("Classes"));
        FrmRecord *form = w.form();
        QVERIFY(form->CmdZip->isHidden());
        w.prompter.clear();
        form->AddRec();
        QCOMPARE(w.prompter.calls().size(), 0);
        form->CancelChange(true);
    }
};

QTEST_MAIN(TestZip)
#include "editor_zip.moc"
