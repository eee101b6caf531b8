#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbsql.h"

#include "dbtestfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <functional>

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace db;

namespace {
unsigned modeOf(const QString &path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

AppError errorFrom(const std::function<void()> &action)
{
    try {
        action();
    } catch (const AppException &error) {
        return error.error();
    }
    return {};
}

int errorOf(const std::function<void()> &action)
{
    return errorFrom(action).number;
}

} // namespace

class TestDbEngine : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup() { DBEngine::closeAll(); }

    void missingFileIsNotCreated()
    {
        const QString path = m_dir.filePath(QStringLiteral("Nothing.mdb"));
        QCOMPARE(errorOf([&] { DBEngine::OpenDatabase(path); }), int(ErrFileNotFound));
        QVERIFY(!QFileInfo::exists(path));
        // A name without extension is looked for with ".mdb".
        QCOMPARE(
            errorOf([&] { DBEngine::OpenDatabase(m_dir.filePath(QStringLiteral("Nothing"))); }),
            int(ErrFileNotFound));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("Nothing"))));
    }

    void pathsAreResolvedAsCallersWriteThem()
    {
        const QString path = m_dir.filePath(QStringLiteral("C++.mdb"));
        DbTestFiles::createKnowledgeBase(path, {QStringLiteral("Basics")}, 1);
        const QString doubled = m_dir.path() + QStringLiteral("//C++");
        auto database = DBEngine::OpenDatabase(doubled);
        QCOMPARE(database->Name(), QDir::cleanPath(path));
        auto backslashed = DBEngine::OpenDatabase(m_dir.path() + QStringLiteral("\\C++"));
        QVERIFY(backslashed->isOpen());
    }

    void foreignAndEmptyFilesAreUnrecognised()
    {
        const QString random = m_dir.filePath(QStringLiteral("Random.mdb"));
        QFile file(random);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(4000, 'x'));
        file.close();
        QCOMPARE(errorOf([&] { DBEngine::OpenDatabase(random); }), int(ErrUnrecognizedFormat));

        const QString empty = m_dir.filePath(QStringLiteral("Empty.mdb"));
        QFile emptyFile(empty);
        QVERIFY(emptyFile.open(QIODevice::WriteOnly));
        emptyFile.close();
        QCOMPARE(errorOf([&] { DBEngine::OpenDatabase(empty); }), int(ErrUnrecognizedFormat));
        QCOMPARE(QFileInfo(empty).size(), 0);
    }

    void connectStrings()
    {
        const QString path = m_dir.filePath(QStringLiteral("Plain.mdb"));
        DbTestFiles::createKnowledgeBase(path, {QStringLiteral("T")}, 1);
        QVERIFY(DBEngine::OpenDatabase(path, false, false, QStringLiteral(""))->isOpen());
        QVERIFY(
            DBEngine::OpenDatabase(path, false, false, QStringLiteral("Access 2000;"))->isOpen());
        QVERIFY(DBEngine::OpenDatabase(path, true, false, QStringLiteral(";pwd="))->isOpen());
        QCOMPARE(errorOf([&] {
                     DBEngine::OpenDatabase(path, false, false, QStringLiteral("Excel 8.0;"));
                 }),
                 int(ErrNoInstallableIsam));
    }

    void passwordGate()
    {
        const QString path = m_dir.filePath(QStringLiteral("Secret.mdb"));
        DbTestFiles::createKnowledgeBase(path, {QStringLiteral("T")}, 2);
        {
            auto database = DBEngine::OpenDatabase(path);
            QVERIFY(!database->hasPassword());
            database->NewPassword(QString(), QStringLiteral("s3;cret"));
        }
        DBEngine::closeAll();
        QCOMPARE(errorOf([&] { DBEngine::OpenDatabase(path); }), int(ErrInvalidPassword));
        QCOMPARE(
            errorOf([&] { DBEngine::OpenDatabase(path, true, false, QStringLiteral(";pwd=")); }),
            int(ErrInvalidPassword));
        QCOMPARE(
            errorOf([&] { DBEngine::OpenDatabase(path, true, false, QStringLiteral(";pwd=s3")); }),
            int(ErrInvalidPassword));
        OpenOptions options;
        options.password = QStringLiteral("s3;cret");
        auto database = DBEngine::openDatabase(path, options);
        QCOMPARE(database->tableRecordCount(QStringLiteral("T")), 2);
        // The gate is a catalogue table, not a hidden topic.
        QVERIFY(!database->tableNames(true).contains(QStringLiteral("MSysPassword")));
        QVERIFY(
            !DbTestFiles::sqliteValue(path, QStringLiteral("SELECT hex(Hash) FROM MSysPassword;"))
                 .contains(QStringLiteral("s3;cret")));
    }

    void exclusiveOpenRefusesOtherProcesses()
    {
        const QString path = m_dir.filePath(QStringLiteral("Shared.mdb"));
        DbTestFiles::createKnowledgeBase(path, {QStringLiteral("T")}, 3);
        {
            auto exclusive = DBEngine::OpenDatabase(path, true);
            // This process's own opens share the file.
            auto second = DBEngine::OpenDatabase(path, true);
            QCOMPARE(second->tableRecordCount(QStringLiteral("T")), 3);
            const auto other = DbTestFiles::sqlite(path, QStringLiteral("SELECT count(*) FROM T;"));
            QVERIFY(other.exitCode != 0);
            QVERIFY2(other.errors.contains(QStringLiteral("locked")), qPrintable(other.errors));
            second->Close();
            QVERIFY(DbTestFiles::sqlite(path, QStringLiteral("SELECT count(*) FROM T;")).exitCode !=
                    0);
        }
        // Released with the last exclusive user.
        QCOMPARE(DbTestFiles::sqliteValue(path, QStringLiteral("SELECT count(*) FROM T;")),
                 QStringLiteral("3"));
        auto shared = DBEngine::OpenDatabase(path);
        QCOMPARE(DbTestFiles::sqliteValue(path, QStringLiteral("SELECT count(*) FROM T;")),
                 QStringLiteral("3"));
        shared->Close();
    }

    void exclusiveOpenIsRefusedWhileAnotherProcessWrites()
    {
        const QString path = m_dir.filePath(QStringLiteral("Busy.mdb"));
        DbTestFiles::createKnowledgeBase(path, {QStringLiteral("T")}, 1);
        QProcess holder;
        holder.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), path});
        QVERIFY(holder.waitForStarted());
        holder.write("BEGIN EXCLUSIVE;\nSELECT 'held';\n");
        QVERIFY(holder.waitForReadyRead(5000));
        QCOMPARE(errorOf([&] { DBEngine::OpenDatabase(path, true); }), int(ErrFileInUse));
        holder.write("COMMIT;\n.quit\n");
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(5000));
        QVERIFY(DBEngine::OpenDatabase(path, true)->isOpen());
    }

    void privateConnectionForAnotherThread()
    {
        const QString path = m_dir.filePath(QStringLiteral("Worker.mdb"));
        DbTestFiles::createKnowledgeBase(path, {QStringLiteral("T")}, 2);
        OpenOptions options;
        options.privateConnection = true;
        auto worker = DBEngine::openDatabase(path, options);
        auto shared = DBEngine::OpenDatabase(path);
        QVERIFY(worker->handle() != shared->handle());
        worker->Execute(QStringLiteral("DELETE FROM T WHERE ID=1"));
        QCOMPARE(shared->tableRecordCount(QStringLiteral("T")), 1);
        shared->Close();
        QVERIFY(DBEngine::isOpen(path));
        QCOMPARE(errorOf([&] { DBEngine::compactInPlace(path); }), int(ErrFileInUse));
        worker->Close();
        QVERIFY(!DBEngine::isOpen(path));
    }

    void registryCountsAndClosesAll()
    {
        const QString path = m_dir.filePath(QStringLiteral("Reg.mdb"));
        DbTestFiles::createKnowledgeBase(path, {QStringLiteral("T")}, 1);
        DBEngine::closeAll();
        auto one = DBEngine::OpenDatabase(path);
        auto two = DBEngine::OpenDatabase(path, true);
        QCOMPARE(DBEngine::openDatabaseCount(), 2);
        QVERIFY(DBEngine::isOpen(path));
        DBEngine::closeAll();
        QCOMPARE(DBEngine::openDatabaseCount(), 0);
        QVERIFY(!one->isOpen());
        QCOMPARE(errorOf([&] { one->tableNames(); }), int(ErrObjectInvalid));
        QVERIFY(!DBEngine::isOpen(path));
        QCOMPARE(DbTestFiles::sqliteValue(path, QStringLiteral("SELECT count(*) FROM T;")),
                 QStringLiteral("1"));
    }

    void compactShrinksAndKeepsEveryRow()
    {
        const QString path = m_dir.filePath(QStringLiteral("Big.mdb"));
        DbTestFiles::createKnowledgeBase(path, {QStringLiteral("A"), QStringLiteral("B")}, 3000);
        DbTestFiles::sqlite(path, QStringLiteral("DELETE FROM A WHERE ID % 3 <> 0;"
                                                 "PRAGMA application_id = 1234;"));
        const qint64 before = QFileInfo(path).size();

        // Refused while this process holds it open.
        auto open = DBEngine::OpenDatabase(path);
        QCOMPARE(errorOf([&] { DBEngine::compactInPlace(path); }), int(ErrFileInUse));
        open->Close();
        DbTestFiles::sqlite(path, QStringLiteral("PRAGMA journal_mode=WAL;"));

        // A stale temporary of the given name does not block the work.
        const QString stale = m_dir.filePath(QStringLiteral("Temp!.mdb"));
        QFile staleFile(stale);
        QVERIFY(staleFile.open(QIODevice::WriteOnly));
        staleFile.write("stale");
        staleFile.close();

        DBEngine::compactInPlace(path, stale);
        QVERIFY(QFileInfo(path).size() < before);
        // It keeps its journal mode, and nothing is left beside it.
        QCOMPARE(DbTestFiles::readAll(path).mid(18, 2), QByteArray("\2\2"));
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("Big.mdb*")}),
                 QStringList{QStringLiteral("Big.mdb")});
        QCOMPARE(DbTestFiles::readAll(stale), QByteArray("stale"));
        QCOMPARE(DbTestFiles::sqliteValue(path, QStringLiteral("PRAGMA integrity_check;")),
                 QStringLiteral("ok"));
        QCOMPARE(DbTestFiles::sqliteValue(path, QStringLiteral("SELECT count(*) FROM A;")),
                 QStringLiteral("1000"));
        QCOMPARE(DbTestFiles::sqliteValue(path, QStringLiteral("SELECT count(*) FROM B;")),
                 QStringLiteral("3000"));
        // The copy's mark was for the copy alone: the file keeps its own.
        QCOMPARE(DbTestFiles::sqliteValue(path, QStringLiteral("PRAGMA application_id;")),
                 QStringLiteral("1234"));
        const QStringList left = QDir(m_dir.path()).entryList({QStringLiteral("Temp!*")});
        QCOMPARE(left, QStringList{QStringLiteral("Temp!.mdb")});
    }

    void compactKeepsLinkModeAndClearsStaleJournal()
    {
        QTemporaryDir dir;
        const QString real = dir.filePath(QStringLiteral("Real.mdb"));
        const QString link = dir.filePath(QStringLiteral("Link.mdb"));
        DbTestFiles::createKnowledgeBase(real, {QStringLiteral("A")}, 300);
        DbTestFiles::sqlite(real, QStringLiteral("DELETE FROM A WHERE ID > 10;"));
        QVERIFY(QFile::link(real, link));
        QVERIFY(QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner));
        // A crash during a save leaves an empty journal: no sign of another opener.
        QFile(real + QStringLiteral("-journal")).open(QIODevice::WriteOnly);

        DBEngine::compactInPlace(link, dir.filePath(QStringLiteral("Temp!.mdb")));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFileInfo(link).canonicalFilePath(), QFileInfo(real).canonicalFilePath());
        QCOMPARE(modeOf(real), 0600u);
        QVERIFY(!QFileInfo::exists(real + QStringLiteral("-journal")));
        QCOMPARE(DbTestFiles::sqliteValue(link, QStringLiteral("SELECT count(*) FROM A;")),
                 QStringLiteral("10"));

        // A read-only file is refused, for root too, and left as it is.
        QVERIFY(
            QFile::setPermissions(real, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const QByteArray readOnly = DbTestFiles::readAll(real);
        QCOMPARE(errorOf([&] { DBEngine::compactInPlace(link); }), int(ErrReadOnly));
        QCOMPARE(DbTestFiles::readAll(real), readOnly);
        QCOMPARE(modeOf(real), 0444u);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System),
                 (QStringList{QStringLiteral("Link.mdb"), QStringLiteral("Real.mdb")}));
        QVERIFY(QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner));

        // Another process reading or writing holds the file: refused, nothing changed.
        QProcess other;
        other.start(QStringLiteral("sqlite3"), {real});
        QVERIFY(other.waitForStarted());
        other.write("BEGIN IMMEDIATE; UPDATE A SET Answer='theirs' WHERE ID=1; SELECT 'ready';\n");
        QVERIFY(other.waitForReadyRead(10000));
        const QByteArray before = DbTestFiles::readAll(real);
        QCOMPARE(errorOf([&] { DBEngine::compactInPlace(real); }), int(ErrFileInUse));
        QCOMPARE(DbTestFiles::readAll(real), before);
        other.write("COMMIT;\n.quit\n");
        other.closeWriteChannel();
        QVERIFY(other.waitForFinished(10000));
        QCOMPARE(DbTestFiles::sqliteValue(real, QStringLiteral("SELECT Answer FROM A WHERE ID=1;")),
                 QStringLiteral("theirs"));

        // Open here while another process replaces the file: later saves reach the new file.
        auto open = DBEngine::OpenDatabase(real);
        QCOMPARE(open->tableRecordCount(QStringLiteral("A")), 10);
        const QString copy = dir.filePath(QStringLiteral("copy.mdb"));
        DbTestFiles::sqlite(real, QStringLiteral("VACUUM INTO '%1';").arg(copy));
        QVERIFY(std::rename(QFile::encodeName(copy).constData(),
                            QFile::encodeName(real).constData()) == 0);
        open->Execute(QStringLiteral("UPDATE A SET Answer='after' WHERE ID=2"));
        QCOMPARE(DbTestFiles::sqliteValue(real, QStringLiteral("SELECT Answer FROM A WHERE ID=2;")),
                 QStringLiteral("after"));
        open->Close();
    }

    void compactNeverReplacesADamagedFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Damaged.mdb"));
        DbTestFiles::createKnowledgeBase(path, {QStringLiteral("A")}, 2000);
        QByteArray bytes = DbTestFiles::readAll(path);
        // Scribble over the middle of the table's pages, past the schema page.
        for (qsizetype i = 4096 * 3; i < 4096 * 3 + 3000; ++i)
            bytes[i] = char(i * 7);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QVERIFY(DbTestFiles::sqliteValue(path, QStringLiteral("PRAGMA integrity_check;")) !=
                QStringLiteral("ok"));

        QVERIFY(errorOf([&] {
                    DBEngine::compactInPlace(path, dir.filePath(QStringLiteral("T.mdb")));
                }) != 0);
        QCOMPARE(DbTestFiles::readAll(path), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("Damaged.mdb")});
        QVERIFY(errorOf([&] { DBEngine::RepairDatabase(path); }) == ErrCannotOpen);
        QCOMPARE(DbTestFiles::readAll(path), bytes);
    }

    void failuresNameTheirReason()
    {
        // A write that waited while a compaction replaced the file: nothing was written, and
        // the next one reaches the new file.
        const QString path = m_dir.filePath(QStringLiteral("Moved.mdb"));
        DbTestFiles::createKnowledgeBase(path, {QStringLiteral("A")}, 2);
        auto open = DBEngine::OpenDatabase(path);
        sqlite3 *waiting = open->handle();
        const QString copy = m_dir.filePath(QStringLiteral("copy.mdb"));
        DbTestFiles::sqlite(path, QStringLiteral("VACUUM INTO '%1';").arg(copy));
        QCOMPARE(
            std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()),
            0);
        QCOMPARE(errorOf([&] { exec(waiting, QStringLiteral("UPDATE A SET Answer='lost'")); }),
                 int(ErrReplacedByCompaction));
        open->Execute(QStringLiteral("UPDATE A SET Answer='again' WHERE ID=1"));
        QCOMPARE(DbTestFiles::sqliteValue(path, QStringLiteral("SELECT Answer FROM A WHERE ID=1;")),
                 QStringLiteral("again"));
        open->Close();

        // A folder its user cannot write: the folder is the reason, not the file.
        QTemporaryDir locked;
        const QString mine = locked.filePath(QStringLiteral("Mine.mdb"));
        DbTestFiles::createKnowledgeBase(mine, {QStringLiteral("A")}, 2);
        const QByteArray folder = QFile::encodeName(locked.path());
        QCOMPARE(::chmod(folder.constData(), 0555), 0);
        // Root may write anything: it compacts as an ordinary user who owns the file.
        if (geteuid() == 0)
            QCOMPARE(::chown(QFile::encodeName(mine).constData(), 65534, 65534), 0);
        const pid_t child = fork();
        if (child == 0) {
            if (geteuid() == 0 && setuid(65534) != 0)
                _exit(3);
            const AppError refused = errorFrom([&] { DBEngine::compactInPlace(mine); });
            _exit(
                refused.number == ErrFolderNotWritable &&
                        refused.description ==
                            QStringLiteral("The folder '%1' cannot be written.").arg(locked.path())
                    ? 0
                    : 2);
        }
        int status = -1;
        QVERIFY(waitpid(child, &status, 0) == child);
        ::chmod(folder.constData(), 0700);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    void compactDatabaseWantsANewDestination()
    {
        const QString path = m_dir.filePath(QStringLiteral("Src.mdb"));
        DbTestFiles::createKnowledgeBase(path, {QStringLiteral("A")}, 5);
        const QString destination = m_dir.filePath(QStringLiteral("Dst.mdb"));
        QFile file(destination);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep");
        file.close();
        QCOMPARE(errorOf([&] { DBEngine::CompactDatabase(path, destination); }),
                 int(ErrDatabaseExists));
        QCOMPARE(DbTestFiles::readAll(destination), QByteArray("keep"));
        QFile::remove(destination);
        DBEngine::CompactDatabase(path, destination);
        QCOMPARE(DbTestFiles::sqliteValue(destination, QStringLiteral("SELECT count(*) FROM A;")),
                 QStringLiteral("5"));
        DBEngine::RepairDatabase(path);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestDbEngine)
#include "tst_dbengine.moc"
