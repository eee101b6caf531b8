#include "dbtestfiles.h"
#include "dbtools/dirlistbox.h"
#include "dbtools/frmimportfromtext.h"
#include "platform/controls/controlhost.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "scriptedprompter.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <fcntl.h>

using DbTestFiles::sqlite;
using DbTestFiles::sqliteValue;

class TestImport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_registry;
    std::unique_ptr<TestSupport::TempDataRoot> m_root;
    QString m_dbFolder;
    QString m_a;
    QString m_b;

    void write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QStringList items(const QListWidget *list)
    {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        return texts;
    }

    // A double click as the mouse gives it: press, release, then the double click and release.
    static void doubleClick(QTreeWidget *tree, QTreeWidgetItem *item)
    {
        const QPoint at = tree->visualItemRect(item).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
    }

    int rowOf(const QListWidget *list, const QString &text)
    {
        return int(items(list).indexOf(text));
    }

private slots:
    void initTestCase()
    {
        qputenv("MARLUX_CONTROL_REGISTRY", m_registry.filePath("controls.ini").toUtf8());
        ControlHost::instance().setLibraryFolder(TestSupport::buildDir() + "/bin");
        QCOMPARE(ControlHost::instance().registerControls(), QString());
    }
    void init()
    {
        m_root = std::make_unique<TestSupport::TempDataRoot>();
        m_dbFolder = m_root->filePath("Database");
        m_a = m_root->filePath("a");
        m_b = m_root->filePath("b");
        for (const QString &folder : {m_dbFolder, m_a, m_b})
            QDir().mkpath(folder);
        sqlite(m_dbFolder + "/KB.mdb",
               DbTestFiles::topicTableSql("Notes") + "CREATE TABLE Reserved (Word TEXT);");
        write(m_a + "/notes.txt", QStringLiteral("ünï\r\nline").toUtf8());
        write(m_a + "/empty.txt", "");
        write(m_a + "/latin.txt", "caf\xe9\n");
        write(m_a + "/rich.txt", "{\\rtf1\\ansi {\\b Bold} text}");
        write(m_a + "/gone.txt", "soon gone");
        write(m_a + "/skip.dat", "not listed");
        write(m_b + "/notes.txt", "same name elsewhere");
    }
    void cleanup()
    {
        db::DBEngine::closeAll();
        m_root.reset();
    }

    void choosingFiles()
    {
        FrmImportFromText window(m_dbFolder);
        QCOMPARE(window.flatControls.painters().size(), size_t(2));
        QWidget *destination = window.findChild<QWidget *>("LblTxtDest");
        QCOMPARE(destination->metaObject()->className(), "Label3D");
        // A fixed window (no resize grip from the window manager), its 3D caption whole.
        window.show();
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(destination->width() >=
                QFontMetrics(destination->property("Font").value<QFont>())
                    .horizontalAdvance(destination->property("Caption").toString()));
        ScriptedPrompter prompter;
        window.CmdNext_Click();
        QCOMPARE(prompter.calls().value(0).title, QStringLiteral("CHOOSE FILE"));

        window.setFolder(m_a);
        QCOMPARE(items(window.File1),
                 QStringList({"empty.txt", "gone.txt", "latin.txt", "notes.txt", "rich.txt"}));
        window.File1_DblClick(rowOf(window.File1, "notes.txt"));
        window.File1_DblClick(rowOf(window.File1, "notes.txt"));
        window.CheckSelectAll->setChecked(true);
        window.CheckSelectAll_Click();
        QCOMPARE(window.List1->count(), 5);
        QCOMPARE(window.List3.first(), QStringLiteral("notes.txt"));
        QCOMPARE(window.List1->item(0)->text(), m_a + "/notes.txt");

        window.setFolder(m_b);
        window.File1_DblClick(0);
        QCOMPARE(window.List1->count(), 6);
        // Clearing "Select All" takes out only what this folder lists.
        window.CheckSelectAll->setChecked(false);
        window.CheckSelectAll_Click();
        QCOMPARE(window.List1->count(), 5);
        QVERIFY(!items(window.List1).contains(m_b + "/notes.txt"));

        // A full stop takes the selected entry out, and so does Delete; nothing selected,
        // nothing goes.
        window.List1->setCurrentRow(1);
        const QString second = window.List1->item(1)->text();
        QTest::keyClick(window.List1, Qt::Key_Period);
        QCOMPARE(window.List1->count(), 4);
        QVERIFY(!items(window.List1).contains(second));
        window.List1->setCurrentRow(1);
        QTest::keyClick(window.List1, Qt::Key_Delete);
        QCOMPARE(window.List1->count(), 3);
        QCOMPARE(window.List3.size(), 3);
        window.List1->setCurrentRow(-1);
        QTest::keyClick(window.List1, Qt::Key_Period);
        QCOMPARE(window.List1->count(), 3);
    }

    void folderListDrivesTheFileList()
    {
        FrmImportFromText window(m_dbFolder);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // It opens on the current folder, and the file list shows that folder's files.
        QCOMPARE(window.Dir1->path(), QDir::cleanPath(QDir::currentPath()));

        window.setFolder(m_root->path());
        QCOMPARE(window.File1->count(), 0);
        QTreeWidgetItem *current = window.Dir1->currentItem();
        QStringList below;
        for (int i = 0; i < current->childCount(); ++i)
            below << current->child(i)->text(0);
        QCOMPARE(below, QStringList({"a", "b", "Database"}));
        // Double-clicking a subfolder moves the list there and lists its files.
        QTreeWidgetItem *a = current->child(0);
        doubleClick(window.Dir1, a);
        QCOMPARE(window.Dir1->path(), QDir::cleanPath(m_a));
        QCOMPARE(window.File1->count(), 5);
        // Back up through the folder above it.
        QTreeWidgetItem *up = window.Dir1->currentItem()->parent();
        doubleClick(window.Dir1, up);
        QCOMPARE(window.Dir1->path(), QDir::cleanPath(m_root->path()));
        QCOMPARE(window.File1->count(), 0);
    }

    void importsAndReportsFailures()
    {
        FrmImportFromText window(m_dbFolder);
        ScriptedPrompter prompter;
        window.setFolder(m_a);
        window.CheckSelectAll->setChecked(true);
        window.CheckSelectAll_Click();
        window.setFolder(m_b);
        window.File1_DblClick(0);
        QFile::remove(m_a + "/gone.txt");

        window.CmdNext_Click();
        QVERIFY(window.Frame2->isVisibleTo(&window));
        window.CmdNext_Click();
        QCOMPARE(prompter.calls().last().title, QStringLiteral("CHOOSE TOPIC"));
        window.File2_Click(rowOf(window.File2, "KB.mdb"));
        QCOMPARE(items(window.List2), QStringList({"Notes"}));
        QCOMPARE(window.LblToRec->text(), QStringLiteral("Notes"));
        window.CmdNext_Click();
        QCOMPARE(window.CmdNext->text(), QStringLiteral("Import"));
        QCOMPARE(window.ListFinalFile->count(), 6);
        QCOMPARE(window.LblDataBaseName->text(), QStringLiteral("KB.mdb"));

        // Back, take one file out, forward: the confirmation follows.
        window.CmdPrevious_Click();
        window.CmdPrevious_Click();
        window.List1->setCurrentRow(rowOf(window.List1, m_a + "/empty.txt"));
        window.mnuMoveOut_Click();
        window.setFolder(m_a);
        window.File1_DblClick(rowOf(window.File1, "empty.txt"));
        window.CmdNext_Click();
        window.CmdNext_Click();
        QCOMPARE(window.ListFinalFile->count(), 6);
        QCOMPARE(window.ListFinalFile->item(5)->text(), m_a + "/empty.txt");

        prompter.clear();
        QSignalSpy finished(&window, &FrmImportFromText::importFinished);
        QSignalSpy rejected(&window, &QDialog::rejected);
        window.CmdNext_Click();
        window.reject(); // Escape during the import does not end the window
        QVERIFY(finished.wait(10000));
        QCOMPARE(rejected.size(), 0);
        QCOMPARE(finished.first().at(0).toInt(), 4);
        QCOMPARE(finished.first().at(1).toInt(), 2);
        const QString report = prompter.calls().last().prompt;
        QVERIFY(report.startsWith("4 imported, 2 failed:\r\n"));
        QVERIFY(report.contains(m_a + "/gone.txt: "));
        QVERIFY(report.contains(m_b + "/notes.txt: "));

        const QString db = m_dbFolder + "/KB.mdb";
        QCOMPARE(sqliteValue(db, "SELECT group_concat(Question, '|') FROM (SELECT Question FROM "
                                 "Notes ORDER BY ID);"),
                 QStringLiteral("latin.txt|notes.txt|rich.txt|empty.txt"));
        QCOMPARE(sqliteValue(db, "SELECT hex(Answer) FROM Notes WHERE Question = 'notes.txt';"),
                 QString::fromLatin1(QStringLiteral("ünï\r\nline").toUtf8().toHex().toUpper()));
        QCOMPARE(sqliteValue(db, "SELECT Answer FROM Notes WHERE Question = 'empty.txt';"),
                 QStringLiteral("N/A"));
        QCOMPARE(sqliteValue(db, "SELECT Answer FROM Notes WHERE Question = 'latin.txt';"),
                 QStringLiteral("café"));
        QCOMPARE(sqliteValue(db, "SELECT Answer FROM Notes WHERE Question = 'rich.txt';"),
                 QStringLiteral("Bold text"));
    }

    void nameThatIsNotUtf8()
    {
        // Listed with a replacement character, read by the file system's own bytes and asked as
        // the name's bytes read like a file's text.
        const QByteArray folder = QFile::encodeName(m_a) + '/';
        for (const QByteArray &name : {QByteArray("odd\xff.txt"), QByteArray("odd\xfe.txt")}) {
            QFile file;
            const int fd = ::open((folder + name).constData(), O_WRONLY | O_CREAT, 0644);
            QVERIFY(fd >= 0 && file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
            file.write("odd " + name.right(5).left(1).toHex());
        }
        FrmImportFromText window(m_dbFolder);
        ScriptedPrompter prompter;
        window.setFolder(m_a);
        const QString shown = QStringLiteral("odd\uFFFD.txt");
        QCOMPARE(items(window.File1).count(shown), 2);
        // Alike on screen, two files all the same.
        window.File1_DblClick(rowOf(window.File1, shown));
        window.File1_DblClick(rowOf(window.File1, shown));
        window.File1_DblClick(rowOf(window.File1, shown) + 1);
        QCOMPARE(items(window.List1), QStringList({m_a + "/" + shown, m_a + "/" + shown}));
        window.List1->setCurrentRow(1);
        window.mnuMoveOut_Click();

        window.CmdNext_Click();
        window.File2_Click(rowOf(window.File2, "KB.mdb"));
        window.CmdNext_Click();
        QSignalSpy finished(&window, &FrmImportFromText::importFinished);
        window.CmdNext_Click();
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.first().at(0).toInt(), 1);
        QCOMPARE(prompter.calls().last().title, QStringLiteral("SUCCEED"));
        QCOMPARE(
            sqliteValue(m_dbFolder + "/KB.mdb", "SELECT Question || '=' || Answer FROM Notes;"),
            QStringLiteral("odd\u00FE.txt=odd fe")); // its bytes in the Western code page
    }

    void passwordDatabaseIsReported()
    {
        const QString locked = m_dbFolder + "/Locked.mdb";
        {
            auto database = db::DBEngine::CreateDatabase(locked);
            database->Execute(DbTestFiles::topicTableSql("Secret"));
            database->NewPassword(QString(), "pw");
            database->Close();
        }
        db::DBEngine::closeAll();
        FrmImportFromText window(m_dbFolder);
        ScriptedPrompter prompter;
        window.File2_Click(rowOf(window.File2, "Locked.mdb"));
        QCOMPARE(window.List2->count(), 0);
        QCOMPARE(prompter.calls().value(0).title, QStringLiteral("ERROR"));
    }
};

QTEST_MAIN(TestImport)
#include "dbtools_import.moc"
