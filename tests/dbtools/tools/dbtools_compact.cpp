#include "dbtestfiles.h"
#include "dbtools/frmcompactdb.h"
#include "diskfull.h"
#include "platform/controls/controlhost.h"
#include "platform/db/dbcompactcopy.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "scriptedprompter.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using DbTestFiles::sqlite;
using DbTestFiles::sqliteValue;

class TestCompact : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_registry;
    std::unique_ptr<TestSupport::TempDataRoot> m_root;
    QString m_folder;

    QString file(const QString &name) const { return m_folder + name + QStringLiteral(".mdb"); }

    static void writeText(const QString &path, const QByteArray &bytes)
    {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }

    // A knowledge base with many rows, most of them deleted again: free pages to drop.
    void makeHoled(const QString &name)
    {
        DbTestFiles::createKnowledgeBase(file(name), {"Alpha", "Beta"}, 400);
        sqlite(file(name), "UPDATE Alpha SET Answer = hex(randomblob(2000));"
                           "DELETE FROM Alpha WHERE ID > 20;");
    }

    QString rows(const QString &name)
    {
        return sqliteValue(file(name), "SELECT (SELECT COUNT(*) FROM Alpha) || '/' || "
                                       "(SELECT COUNT(*) FROM Beta) || '/' || "
                                       "(SELECT group_concat(Question) FROM Alpha);");
    }

    // Makes a database file what a compaction of source leaves once its copy is checked and
    // unmarked.
    static void finishCopy(const QString &path, const QString &source)
    {
        QFile copy(path);
        QVERIFY(copy.open(QIODevice::ReadWrite));
        copy.write(db::CompactCopy::Marker, db::CompactCopy::MarkerSize);
        QVERIFY(copy.flush() && db::CompactCopy::unmark(copy.handle(), source));
    }

    bool run(FrmCompactDB &window)
    {
        QSignalSpy finished(&window, &FrmCompactDB::runFinished);
        window.CmdGo_Click();
        if (finished.isEmpty() && !finished.wait(60000))
            return false;
        return finished.first().first().toBool();
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
        m_folder = m_root->path() + QStringLiteral("/Database/");
        QDir().mkpath(m_folder);
    }
    void cleanup()
    {
        db::DBEngine::closeAll();
        m_root.reset();
    }

    void boxesAndCount()
    {
        for (const char *name : {"b", "A", "c"})
            DbTestFiles::createKnowledgeBase(file(name), {"T"}, 1);
        // Left by an interrupted run, finished and marked as such: never listed, never kept.
        QVERIFY(QFile::copy(file("A"), file("Temp!.Zz9Zz9")));
        finishCopy(file("Temp!.Zz9Zz9"), file("A"));
        writeText(file("Temp!.Zz9Zz9") + QStringLiteral("-journal"), "");
        // The user's own files of like names stay, whatever they hold, and the databases among
        // them are offered: plain text, a database without the mark, a copy of a marked one, a
        // journal with no copy beside it.
        QFile::copy(file("A"), file("Temp!Mine"));
        QFile::copy(file("A"), file("Temp!.QQQQQQ"));
        QFile::copy(file("Temp!.Zz9Zz9"), file("Temp!.Cp1Cp1"));
        writeText(file("Temp!"), "my text");
        writeText(m_folder + QStringLiteral("Temp!.abcdef.mdb-journal"), "my journal");
        // Another run's copy in progress stays too, marked or not.
        QFile::copy(file("A"), file("Temp!.Ab3xY9"));
        finishCopy(file("Temp!.Ab3xY9"), file("A"));
        QFile running(file("Temp!.Ab3xY9"));
        QVERIFY(running.open(QIODevice::ReadOnly));
        QCOMPARE(::flock(running.handle(), LOCK_EX | LOCK_NB), 0);
        FrmCompactDB window(m_folder);
        QCOMPARE(window.Label1->metaObject()->className(), "Label3D");
        // A fixed window: the window manager offers no resizing and draws no grip for it.
        window.show();
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QStringList listed;
        for (const QCheckBox *box : std::as_const(window.Check))
            listed.append(box->text());
        QCOMPARE(listed, (QStringList{"A", "b", "c", "Temp!.Cp1Cp1", "Temp!", "Temp!.QQQQQQ",
                                      "Temp!Mine"}));
        QVERIFY(!QFileInfo::exists(file("Temp!.Zz9Zz9")));
        QVERIFY(!QFileInfo::exists(file("Temp!.Zz9Zz9") + QStringLiteral("-journal")));
        QCOMPARE(DbTestFiles::readAll(file("Temp!")), QByteArray("my text"));
        QVERIFY(QFileInfo::exists(file("Temp!Mine")));
        QVERIFY(QFileInfo::exists(file("Temp!.Ab3xY9")));
        QVERIFY(QFileInfo::exists(file("Temp!.QQQQQQ")));
        QCOMPARE(sqliteValue(file("Temp!.Cp1Cp1"), "SELECT count(*) FROM T;"), QStringLiteral("1"));
        QCOMPARE(DbTestFiles::readAll(m_folder + QStringLiteral("Temp!.abcdef.mdb-journal")),
                 QByteArray("my journal"));
        running.close();

        window.Check.at(0)->setChecked(true);
        window.Check.at(1)->setChecked(true);
        QCOMPARE(window.FrameSelect->title(), QStringLiteral("Totally 2Databases."));
        window.Check.at(0)->setChecked(false);
        QCOMPARE(window.FrameSelect->title(), QStringLiteral("Totally 1Database."));
        window.CheckAll->setChecked(true);
        window.CheckAll_Click();
        QCOMPARE(window.FrameSelect->title(), QStringLiteral("Totally 7Databases."));
        window.CheckAll->setChecked(false);
        window.CheckAll_Click();
        QCOMPARE(window.FrameSelect->title(), QStringLiteral("Totally 0Database."));

        ScriptedPrompter prompter;
        window.CmdGo_Click();
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().first().title, QStringLiteral("TRY AGAIN!"));
        QVERIFY(!window.isRunning());
    }

    void compactsShrinksAndReopens()
    {
        makeHoled("C++");
        makeHoled("Java");
        const qint64 before = QFileInfo(file("C++")).size();
        const QString contentBefore = rows("C++");
        FrmCompactDB window(m_folder);
        int restores = 0;
        window.restoreForm = [&] { ++restores; };
        window.CheckAll->setChecked(true);
        window.CheckAll_Click();
        // A link to the file as it was, under another name, is not the file the copy replaced.
        QCOMPARE(::link(qPrintable(file("Java")), qPrintable(file("Old Java"))), 0);
        ScriptedPrompter prompter;
        QVERIFY(run(window));
        QVERIFY(QFileInfo(file("C++")).size() < before / 2);
        QCOMPARE(rows("C++"), contentBefore);
        QCOMPARE(sqliteValue(file("Java"), "PRAGMA integrity_check;"), QStringLiteral("ok"));
        QCOMPARE(QDir(m_folder).entryList({"Temp!*"}).size(), 0);
        // A compacted database moved to a copy's name is still the user's, kept and offered.
        QVERIFY(QFile::rename(file("C++"), file("Temp!")));
        QVERIFY(QFile::rename(file("Java"), file("Temp!.backup")));
        const FrmCompactDB again(m_folder);
        QCOMPARE(again.Check.size(), 3);
        QCOMPARE(rows("Temp!"), contentBefore);
        QCOMPARE(sqliteValue(file("Temp!.backup"), "PRAGMA integrity_check;"),
                 QStringLiteral("ok"));
        // The report comes before the main window reopens its databases.
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().first().kind, QStringLiteral("plain"));
        QCOMPARE(prompter.calls().first().prompt,
                 QStringLiteral("Database which has been reparied during this action are:\r\n"
                                "C++\r\nJava\r\n"));
        QCOMPARE(restores, 1);
        QVERIFY(window.result() == QDialog::Accepted);
    }

    void failureKeepsFilesAndStops()
    {
        makeHoled("A");
        makeHoled("C");
        // Not a database: the copy fails and the file must stay as it is.
        QFile bad(file("B"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(4096, 'x'));
        bad.close();
        FrmCompactDB window(m_folder);
        int restores = 0;
        window.restoreForm = [&] { ++restores; };
        window.CheckAll->setChecked(true);
        window.CheckAll_Click();
        ScriptedPrompter prompter;
        QVERIFY(!run(window));
        QCOMPARE(DbTestFiles::readAll(file("B")), QByteArray(4096, 'x'));
        QCOMPARE(window.windowTitle(), QStringLiteral("Failed, please check and run again."));
        QVERIFY(window.CmdExit->isEnabled());
        QVERIFY(!window.Check.at(0)->isEnabled()); // A done
        QVERIFY(window.Check.at(2)->isEnabled());  // C not reached
        QCOMPARE(prompter.calls().first().title, QStringLiteral("ERROR"));
        QVERIFY(prompter.calls().first().prompt.startsWith("B: "));

        // A second run does what is left; the bar never passes its maximum.
        window.Check.at(1)->setChecked(false);
        prompter.clear();
        QVERIFY(run(window));
        QCOMPARE(window.PB->value(), window.PB->maximum());
        QCOMPARE(prompter.calls().first().prompt,
                 QStringLiteral("Database which has been reparied during this action are:\r\n"
                                "A\r\nC\r\n"));
        QCOMPARE(restores, 1);
    }

    void damagedFileIsNamedAsSuch()
    {
        // A cut-off file is damaged, not "in use", and so is one cut inside its header: the
        // message says so and the file stays byte for byte.
        makeHoled("Cut");
        const QByteArray header = DbTestFiles::readAll(file("Cut")).left(95);
        QVERIFY(QFile::resize(file("Cut"), QFileInfo(file("Cut")).size() / 2));
        for (int size : {24, 60, 95})
            writeText(file(QStringLiteral("Short%1").arg(size)), header.left(size));
        const QStringList files = QDir(m_folder).entryList(QDir::Files);
        for (const QString &name : QStringList{"Cut", "Short24", "Short60", "Short95"}) {
            const QByteArray before = DbTestFiles::readAll(file(name));
            FrmCompactDB window(m_folder);
            for (QCheckBox *box : std::as_const(window.Check))
                box->setChecked(box->text() == name);
            ScriptedPrompter prompter;
            QVERIFY(!run(window));
            QCOMPARE(
                prompter.calls().first().prompt,
                QStringLiteral("%1: The database file '%2' is damaged.").arg(name, file(name)));
            QCOMPARE(DbTestFiles::readAll(file(name)), before);
            QCOMPARE(QDir(m_folder).entryList(QDir::Files), files);
        }
    }

    void killedCompactionsLeaveNothingBehind()
    {
        // Half of a large file is free pages: its copy takes long enough to be cut anywhere.
        DbTestFiles::createKnowledgeBase(file("Big"), {"Alpha", "Beta"}, 1);
        sqlite(file("Big"), "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                            "WHERE i < 8000) INSERT INTO Alpha (Question, Answer) "
                            "SELECT 'q' || i, hex(randomblob(2000)) FROM n;"
                            "DELETE FROM Alpha WHERE ID % 2 = 0;"
                            "PRAGMA application_id = 1234;");
        const QString content = rows("Big");
        const qint64 used = QFileInfo(file("Big")).size() / 2;
        // An empty file named like a copy is the user's: a copy is never empty once named.
        writeText(file("Temp!.Mine01"), "");
        const QStringList own{QStringLiteral("Temp!.Mine01.mdb")};
        struct stat big = {};
        const auto inode = [&] {
            return ::stat(qPrintable(file("Big")), &big) == 0 ? big.st_ino : 0;
        };
        // Real compactions, killed at 0, 1/8, ... 8/8 of the copy written, and the last one
        // the moment its copy has taken the file's place.
        QStringList known = own;
        for (int eighths = 0; eighths <= 9; ++eighths) {
            const ino_t before = inode();
            const pid_t child = fork();
            if (child == 0) {
                db::DBEngine::compactInPlace(file("Big"), file("Temp!"));
                _exit(0);
            }
            while (waitpid(child, nullptr, WNOHANG) == 0) {
                bool cut = eighths == 9 && inode() != before;
                for (const QString &name : QDir(m_folder).entryList({"Temp!*.mdb"}, QDir::Files))
                    cut |= eighths < 9 && !known.contains(name) &&
                           QFileInfo(m_folder + name).size() >= used * eighths / 8;
                if (cut)
                    ::kill(child, SIGKILL);
            }
            known = QDir(m_folder).entryList({"Temp!*.mdb"}, QDir::Files); // what it left
            // Wherever it stopped, the file keeps its own application id.
            QCOMPARE(sqliteValue(file("Big"), "PRAGMA application_id;"), QStringLiteral("1234"));
        }
        QVERIFY2(known.size() >= own.size() + 4, qPrintable(known.join(QLatin1Char(' '))));

        // The next compaction's window removes every copy with its journal and lists none;
        // the user's file stays on the list.
        FrmCompactDB window(m_folder);
        QCOMPARE(QDir(m_folder).entryList({"Temp!*"}, QDir::Files), own);
        QCOMPARE(window.Check.size(), 2);
        QCOMPARE(rows("Big"), content);
        // The last kill left the file stamped as a finished copy; under a copy's name it stays.
        QString at = QStringLiteral("Big");
        for (const QString &name : {QStringLiteral("Temp!"), QStringLiteral("Temp!.backup")}) {
            QVERIFY(QFile::rename(file(at), file(name)));
            at = name;
            db::DBEngine::removeCompactLeftovers(m_folder);
            QCOMPARE(rows(name), content);
        }
    }

    void fullDiskSaysSo()
    {
        makeHoled("Full");
        const QByteArray before = DbTestFiles::readAll(file("Full"));
        // Each amount of free space short of the need fails at another step, all alike.
        for (qint64 left = 0; left <= (64 << 10); left += 4096) {
            SmallDisk disk(before.size() + left);
            if (!disk.isMounted())
                QSKIP("a disk of its own takes root");
            const QString path = disk.path() + QStringLiteral("/Full.mdb");
            writeText(path, before);
            FrmCompactDB window(disk.path() + QLatin1Char('/'));
            window.Check.at(0)->setChecked(true);
            ScriptedPrompter prompter;
            QVERIFY(!run(window));
            QCOMPARE(prompter.calls().first().prompt,
                     QStringLiteral("Full: Not enough space on disk."));
            QCOMPARE(DbTestFiles::readAll(path), before);
            QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
                     QStringList{"Full.mdb"});
        }
    }

    void openFileIsRefusedUntouched()
    {
        makeHoled("Open");
        const QByteArray before = DbTestFiles::readAll(file("Open"));
        auto database = db::DBEngine::OpenDatabase(file("Open"));
        FrmCompactDB window(m_folder);
        window.Check.at(0)->setChecked(true);
        ScriptedPrompter prompter;
        QVERIFY(!run(window));
        QCOMPARE(DbTestFiles::readAll(file("Open")), before);
        database->Close();
    }

    void cancelStillRestores()
    {
        DbTestFiles::createKnowledgeBase(file("A"), {"T"}, 1);
        FrmCompactDB window(m_folder);
        int restores = 0;
        window.restoreForm = [&] { ++restores; };
        ScriptedPrompter prompter;
        window.CmdExit_Click();
        QCOMPARE(restores, 1);
        QCOMPARE(prompter.calls().size(), 0);
    }
};

QTEST_MAIN(TestCompact)
#include "dbtools_compact.moc"
