#include "platform/db/dbengine.h"

#include "platform/db/dbcompactcopy.h"
#include "platform/db/dbconnection.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbsql.h"

#include "platform/base/checkedwrite.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace db {

namespace {

struct Registry
{
    QMutex mutex;
    QHash<QString, std::weak_ptr<Connection>> connections; // the shared one per file
    QMultiHash<QString, std::weak_ptr<Connection>> privateConnections;
    QList<std::weak_ptr<Database>> databases;
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

QString canonicalKey(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(path).absoluteFilePath() : canonical;
}

// What the first bytes say the file is.
enum class FileKind { Sqlite, Foreign, Empty };

FileKind sniff(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileKind::Foreign;
    const QByteArray head = file.read(32);
    if (head.isEmpty())
        return FileKind::Empty;
    if (head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return FileKind::Sqlite;
    return FileKind::Foreign;
}

sqlite3 *openHandle(const QString &path, bool readOnly, const char *vfs = nullptr)
{
    sqlite3 *handle = nullptr;
    const int flags =
        (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_PRIVATECACHE;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, flags, vfs);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(handle);
        raiseSqlite(nullptr, rc);
    }
    sqlite3_extended_result_codes(handle, 1);
    sqlite3_busy_timeout(handle, 250);
    registerFunctions(handle);
    return handle;
}

std::shared_ptr<Connection> connectionFor(const QString &path, bool privateConnection)
{
    Registry &reg = registry();
    const QString key = canonicalKey(path);
    if (!privateConnection) {
        if (auto existing = reg.connections.value(key).lock())
            return existing;
    }

    const FileKind kind = sniff(path);
    if (kind != FileKind::Sqlite)
        raise(ErrUnrecognizedFormat, path);

    bool readOnly = !QFileInfo(path).isWritable();
    auto connection = std::make_shared<Connection>();
    connection->path = path;
    connection->handle = openHandle(path, readOnly);
    // Reading the schema proves the file is ours and not locked by another process.
    const QVariant mode = scalar(connection->handle, QStringLiteral("PRAGMA journal_mode"));
    scalar(connection->handle, QStringLiteral("SELECT count(*) FROM sqlite_schema"));
    if (!readOnly && mode.toString().compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
        exec(connection->handle, QStringLiteral("PRAGMA journal_mode=DELETE"));
    if (privateConnection) {
        reg.privateConnections.removeIf([](const auto &entry) { return entry.value().expired(); });
        reg.privateConnections.insert(key, connection);
    } else {
        reg.connections.insert(key, connection);
    }
    return connection;
}

QList<QPair<QString, qint64>> tableCounts(sqlite3 *handle)
{
    QList<QPair<QString, qint64>> counts;
    QStringList names;
    {
        Statement list(
            handle,
            QStringLiteral("SELECT name FROM sqlite_schema WHERE type='table' ORDER BY name"));
        while (list.step())
            names << list.value(0).toString();
    }
    for (const QString &name : names)
        counts.append(
            {name, scalar(handle, QStringLiteral("SELECT count(*) FROM ") + quoteIdent(name))
                       .toLongLong()});
    return counts;
}

bool integrityOk(sqlite3 *handle, const char *pragma = "integrity_check")
{
    Statement check(handle, QStringLiteral("PRAGMA ") + QLatin1String(pragma));
    return check.step() && check.value(0).toString() == QLatin1String("ok") && !check.step();
}

// A private connection for maintenance, never shared with the registry.
struct PrivateHandle
{
    sqlite3 *handle = nullptr;
    ~PrivateHandle() { sqlite3_close_v2(handle); }
};

} // namespace

// ---------------------------------------------------------------------------

Connection::~Connection()
{
    for (sqlite3 *old : retired)
        sqlite3_close_v2(old);
    sqlite3_close_v2(handle);
}

void Connection::acquireExclusive()
{
    if (exclusiveUsers++ > 0)
        return;
    try {
        exec(handle, QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
        exec(handle, QStringLiteral("BEGIN EXCLUSIVE"));
        exec(handle, QStringLiteral("COMMIT"));
    } catch (const AppException &) {
        --exclusiveUsers;
        try {
            exec(handle, QStringLiteral("PRAGMA locking_mode=NORMAL"));
        } catch (const AppException &) {
        }
        raise(ErrFileInUse, path);
    }
}

void Connection::reopenIfReplaced()
{
    // Held exclusively or inside a transaction, the file cannot have been replaced.
    if (!handle || exclusiveUsers > 0 || sqlite3_get_autocommit(handle) == 0)
        return;
    int moved = 0;
    if (sqlite3_file_control(handle, "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK ||
        !moved || !QFileInfo(path).isFile())
        return;
    try {
        sqlite3 *fresh = openHandle(path, !QFileInfo(path).isWritable());
        retired.push_back(handle);
        handle = fresh;
    } catch (const AppException &) {
        // The old handle still reads; the next write reports what is wrong.
    }
}

void Connection::releaseExclusive()
{
    if (exclusiveUsers == 0 || --exclusiveUsers > 0)
        return;
    try {
        exec(handle, QStringLiteral("PRAGMA locking_mode=NORMAL"));
        // The lock is dropped at the next access of the file.
        scalar(handle, QStringLiteral("SELECT count(*) FROM sqlite_schema"));
    } catch (const AppException &) {
    }
}

namespace Catalogue {

bool exists(sqlite3 *handle, const char *table)
{
    return scalar(
               handle,
               QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type='table' AND name=?"),
               {QString::fromLatin1(table)})
               .toLongLong() > 0;
}

void ensure(sqlite3 *handle)
{
    exec(handle, QStringLiteral("CREATE TABLE IF NOT EXISTS \"MSysQueries\" ("
                                "\"Name\" VARCHAR(64) NOT NULL PRIMARY KEY COLLATE NOCASE, "
                                "\"SQL\" LONGTEXT NOT NULL, "
                                "\"Parameters\" LONGTEXT NOT NULL DEFAULT '')"));
    exec(handle, QStringLiteral("CREATE TABLE IF NOT EXISTS \"MSysPassword\" ("
                                "\"Salt\" LONGBLOB NOT NULL, \"Hash\" LONGBLOB NOT NULL, "
                                "\"Iterations\" INTEGER NOT NULL)"));
    exec(handle, QStringLiteral("CREATE TABLE IF NOT EXISTS \"MSysTableAttributes\" ("
                                "\"Name\" VARCHAR(64) NOT NULL PRIMARY KEY COLLATE NOCASE, "
                                "\"Attributes\" INTEGER NOT NULL)"));
}

} // namespace Catalogue

namespace PasswordGate {

namespace {
QByteArray digest(const QByteArray &salt, const QString &password, int iterations)
{
    const QByteArray secret = password.toUtf8();
    QByteArray hash = QCryptographicHash::hash(salt + secret, QCryptographicHash::Sha256);
    for (int i = 1; i < iterations; ++i)
        hash = QCryptographicHash::hash(hash + salt + secret, QCryptographicHash::Sha256);
    return hash;
}
} // namespace

bool isSet(sqlite3 *handle)
{
    return Catalogue::exists(handle, Catalogue::Password) &&
           scalar(handle, QStringLiteral("SELECT count(*) FROM \"MSysPassword\"")).toLongLong() > 0;
}

bool matches(sqlite3 *handle, const QString &password)
{
    if (!isSet(handle))
        return true;
    Statement row(handle, QStringLiteral("SELECT Salt, Hash, Iterations FROM \"MSysPassword\""));
    if (!row.step())
        return true;
    const QByteArray expected = row.value(1).toByteArray();
    const QByteArray actual = digest(row.value(0).toByteArray(), password, int(row.int64(2)));
    if (expected.size() != actual.size())
        return false;
    char difference = 0;
    for (qsizetype i = 0; i < actual.size(); ++i)
        difference |= char(expected[i] ^ actual[i]);
    return difference == 0;
}

void set(sqlite3 *handle, const QString &password)
{
    Catalogue::ensure(handle);
    Savepoint savepoint(handle);
    exec(handle, QStringLiteral("DELETE FROM \"MSysPassword\""));
    if (!password.isEmpty()) {
        QByteArray salt(16, Qt::Uninitialized);
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(salt.data()), 4);
        const int iterations = 20000;
        exec(handle, QStringLiteral("INSERT INTO \"MSysPassword\" VALUES (?, ?, ?)"),
             {salt, digest(salt, password, iterations), iterations});
    }
    savepoint.commit();
}

} // namespace PasswordGate

Savepoint::Savepoint(sqlite3 *handle) : m_handle(handle)
{
    exec(handle, QStringLiteral("SAVEPOINT dao_work"));
}

Savepoint::~Savepoint()
{
    if (m_done)
        return;
    sqlite3_exec(m_handle, "ROLLBACK TO dao_work", nullptr, nullptr, nullptr);
    sqlite3_exec(m_handle, "RELEASE dao_work", nullptr, nullptr, nullptr);
}

void Savepoint::commit()
{
    exec(m_handle, QStringLiteral("RELEASE dao_work"));
    m_done = true;
}

// ---------------------------------------------------------------------------

QString DBEngine::resolvePath(const QString &name)
{
    QString path = name.trimmed();
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    path = QDir::cleanPath(path);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty() && !QFileInfo(path).isDir())
        path += QStringLiteral(".mdb");
    return path;
}

std::optional<QString> DBEngine::passwordFromConnect(const QString &connect)
{
    QString rest = connect.trimmed();
    const QString native = QStringLiteral("Access 2000;");
    if (rest.startsWith(native, Qt::CaseInsensitive))
        rest = rest.mid(native.size());
    if (rest.isEmpty())
        return std::nullopt;
    if (rest.startsWith(QLatin1Char(';')))
        rest = rest.mid(1);
    if (rest.startsWith(QLatin1String("pwd="), Qt::CaseInsensitive))
        return rest.mid(4);
    raise(ErrNoInstallableIsam);
}

std::shared_ptr<Database> DBEngine::OpenDatabase(const QString &name, bool exclusive, bool readOnly,
                                                 const QString &connect)
{
    OpenOptions options;
    options.exclusive = exclusive;
    options.readOnly = readOnly;
    options.password = passwordFromConnect(connect);
    auto database = openDatabase(name, options);
    return database;
}

std::shared_ptr<Database> DBEngine::openDatabase(const QString &name, const OpenOptions &options)
{
    const QString path = resolvePath(name);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        raise(ErrFileNotFound, path);

    Registry &reg = registry();
    QMutexLocker locker(&reg.mutex);
    std::shared_ptr<Connection> connection = connectionFor(path, options.privateConnection);
    if (!PasswordGate::matches(connection->handle, options.password.value_or(QString())))
        raise(ErrInvalidPassword);
    if (options.exclusive)
        connection->acquireExclusive();
    QString connect;
    if (options.password)
        connect = QStringLiteral(";pwd=");
    auto database =
        std::make_shared<Database>(connection, connect, options.exclusive, options.readOnly);
    reg.databases.removeIf([](const std::weak_ptr<Database> &entry) { return entry.expired(); });
    reg.databases.append(database);
    return database;
}

std::shared_ptr<Database> DBEngine::CreateDatabase(const QString &name)
{
    const QString path = resolvePath(name);
    if (path.isEmpty())
        raise(ErrFileNotFound, path);
    if (QFileInfo::exists(path))
        raise(ErrDatabaseExists);
    {
        PrivateHandle created;
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        const int rc =
            sqlite3_open_v2(QFile::encodeName(path).constData(), &created.handle, flags, nullptr);
        if (rc != SQLITE_OK)
            raiseFileSystem(sqlite3_system_errno(created.handle), QFileInfo(path).absolutePath());
        try {
            exec(created.handle, QStringLiteral("PRAGMA journal_mode=DELETE"));
            Savepoint savepoint(created.handle);
            Catalogue::ensure(created.handle);
            savepoint.commit();
        } catch (const AppException &) {
            sqlite3_close_v2(created.handle);
            created.handle = nullptr;
            QFile::remove(path);
            throw;
        }
    }
    return openDatabase(path, OpenOptions());
}

bool DBEngine::isOpen(const QString &name)
{
    Registry &reg = registry();
    QMutexLocker locker(&reg.mutex);
    const QString key = canonicalKey(resolvePath(name));
    if (!reg.connections.value(key).expired())
        return true;
    const auto others = reg.privateConnections.values(key);
    return std::any_of(others.cbegin(), others.cend(),
                       [](const auto &entry) { return !entry.expired(); });
}

int DBEngine::openDatabaseCount()
{
    Registry &reg = registry();
    QMutexLocker locker(&reg.mutex);
    int count = 0;
    for (const auto &entry : reg.databases) {
        if (auto database = entry.lock(); database && database->isOpen())
            ++count;
    }
    return count;
}

void DBEngine::closeAll()
{
    QList<std::shared_ptr<Database>> open;
    {
        Registry &reg = registry();
        QMutexLocker locker(&reg.mutex);
        for (const auto &entry : reg.databases) {
            if (auto database = entry.lock())
                open.append(database);
        }
        reg.databases.clear();
    }
    for (const auto &database : open)
        database->Close();
}

namespace {

// Removes a compaction's copy and the journal beside it.
void discardCopy(const QString &copy)
{
    QFile::remove(copy + QStringLiteral("-journal"));
    QFile::remove(copy);
}

// Copies the database open on src (through the copy layer) into the copy at to, made by
// CompactCopy::create and open on fd, and checks it: integrity and every table's row count.
// The checked copy gets SQLite's first bytes back; it holds the source's application id as it
// is, so whenever a kill stops the work the file keeps its own. With stampFor the copy is known
// as a finished copy of that file until its next write, or until that file is gone. On failure
// the copy is gone and the error says why.
void compactInto(sqlite3 *src, const QString &from, const QString &to, int fd,
                 const QString &stampFor)
{
    bool wal = false;
    try {
        if (!integrityOk(src, "quick_check"))
            raise(ErrCannotOpen, from);
        const QList<QPair<QString, qint64>> before = tableCounts(src);
        exec(src, QStringLiteral("VACUUM INTO ?"), {to});

        PrivateHandle copy;
        copy.handle = openHandle(to, false, CompactCopy::vfsName());
        if (!integrityOk(copy.handle) || tableCounts(copy.handle) != before)
            raise(ErrDiskError);
        // A copy is written in rollback mode; it keeps the journal mode of its source.
        wal = scalar(src, QStringLiteral("PRAGMA journal_mode"))
                  .toString()
                  .compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
    } catch (const AppException &) {
        discardCopy(to);
        throw;
    }
    if (!CompactCopy::unmark(fd, stampFor, wal)) {
        const int code = errno;
        discardCopy(to);
        raiseFileSystem(code, QFileInfo(to).absolutePath());
    }
}

// The copies compaction makes: "Temp!.mdb" or "Temp!.<6 letters or digits>.mdb", and
// the journal SQLite may leave beside one.
const QRegularExpression &ownTemporaryName()
{
    static const QRegularExpression name(
        QStringLiteral("^Temp!(\\.[A-Za-z0-9]{6})?\\.mdb(-journal)?$"));
    return name;
}

// A compaction holds its copy with flock() from creation to rename. Opens path and takes that
// lock, or gives -1 while someone holds it.
int claimFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

struct Claim
{
    int fd = -1;
    ~Claim()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Removes, with their journals, the files of folder named as copies that no running compaction
// holds, that are not open here and that isCopy takes for copies.
template <typename IsCopy> void removeCopies(const QString &folder, IsCopy isCopy)
{
    QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("Temp!*")}, QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        // Journals go with their copy, never on their own.
        if (!ownTemporaryName().match(name).hasMatch() || name.endsWith(QLatin1String("-journal")))
            continue;
        const QString copy = dir.filePath(name);
        // Held by a running compaction, or open here: someone's work, whatever it holds.
        Claim claim;
        claim.fd = claimFile(copy);
        if (claim.fd < 0 || DBEngine::isOpen(copy) || !isCopy(claim.fd))
            continue;
        // The name must still lead to the file just read.
        struct stat held
        {
        };
        struct stat named
        {
        };
        if (::fstat(claim.fd, &held) != 0 ||
            ::lstat(QFile::encodeName(copy).constData(), &named) != 0 ||
            held.st_dev != named.st_dev || held.st_ino != named.st_ino)
            continue;
        dir.remove(name + QStringLiteral("-journal"));
        dir.remove(name);
    }
}

} // namespace

void DBEngine::CompactDatabase(const QString &source, const QString &destination)
{
    const QString from = resolvePath(source);
    const QString to = resolvePath(destination);
    if (!QFileInfo(from).isFile())
        raise(ErrFileNotFound, from);
    if (QFileInfo::exists(to))
        raise(ErrDatabaseExists);
    if (sniff(from) != FileKind::Sqlite)
        raise(ErrUnrecognizedFormat, from);

    PrivateHandle src;
    src.handle = openHandle(from, !QFileInfo(from).isWritable(), CompactCopy::vfsName());
    Claim copy;
    copy.fd = CompactCopy::create(to);
    if (copy.fd < 0) {
        const int code = errno;
        if (code == EEXIST)
            raise(ErrDatabaseExists);
        raiseFileSystem(code, QFileInfo(to).absolutePath());
    }
    compactInto(src.handle, from, to, copy.fd, QString());
}

void DBEngine::RepairDatabase(const QString &name)
{
    const QString path = resolvePath(name);
    if (!QFileInfo(path).isFile())
        raise(ErrFileNotFound, path);
    if (sniff(path) != FileKind::Sqlite)
        raise(ErrUnrecognizedFormat, path);
    PrivateHandle check;
    check.handle = openHandle(path, !QFileInfo(path).isWritable());
    bool ok = false;
    try {
        ok = integrityOk(check.handle);
    } catch (const AppException &) {
        ok = false;
    }
    if (!ok)
        raise(ErrCannotOpen, path);
}

void DBEngine::compactInPlace(const QString &source, const QString &temporaryHint)
{
    const QString named = resolvePath(source);
    if (!QFileInfo(named).isFile())
        raise(ErrFileNotFound, named);
    // A link stays a link: the file it points at is the one compacted.
    const QString from =
        QFileInfo(named).isSymLink() ? QFileInfo(named).canonicalFilePath() : named;
    if (isOpen(from) || isOpen(named))
        raise(ErrFileInUse, named);
    if (sniff(from) != FileKind::Sqlite)
        raise(ErrUnrecognizedFormat, from);
    struct stat original
    {
    };
    const QByteArray fromName = QFile::encodeName(from);
    if (::stat(fromName.constData(), &original) != 0)
        raise(ErrFileNotFound, from);
    // A read-only file is one its owner wants left as it is, and replacing it would change
    // it all the same. Its mode bits count for every user, root included.
    if ((original.st_mode & 0222) == 0 || ::access(fromName.constData(), W_OK) != 0)
        raise(ErrReadOnly);

    // Nobody else may read or write the file from before the copy until the copy has
    // replaced it: a save in between would be lost with the old file.
    PrivateHandle lock;
    lock.handle = openHandle(from, false, CompactCopy::vfsName());
    try {
        exec(lock.handle, QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
        // Read first: a write lock on a file cut off inside its header would write a new,
        // empty database over what is left of it.
        scalar(lock.handle, QStringLiteral("SELECT count(*) FROM sqlite_schema"));
        exec(lock.handle, QStringLiteral("BEGIN EXCLUSIVE"));
        exec(lock.handle, QStringLiteral("COMMIT"));
    } catch (const AppException &error) {
        // Only a lock held elsewhere means "in use"; a damaged file says so.
        if (error.number() == ErrFileInUse)
            raise(ErrFileInUse, named);
        throw;
    }
    // Holding the lock, any journal still there is a crash's leftover: a live one would
    // have been rolled back as the lock was taken.
    const QString journal = from + QStringLiteral("-journal");
    if (QFileInfo::exists(journal) && !QFile::remove(journal))
        raise(ErrFileInUse, named);
    if (QFileInfo(from + QStringLiteral("-wal")).size() > 0)
        raise(ErrFileInUse, named);

    const QString folder = QFileInfo(from).absolutePath();
    // A finished copy of this file that a kill left is known as such only while the file is
    // there: it goes before the file is replaced.
    removeCopies(folder, [&from](int fd) { return CompactCopy::isFinishedCopyOf(fd, from); });
    QString temporary = temporaryHint.isEmpty() ? QString() : resolvePath(temporaryHint);
    Claim claim;
    // The copy must sit beside the source so that the rename is atomic.
    if (!temporary.isEmpty() && QFileInfo(temporary).absolutePath() == folder)
        claim.fd = CompactCopy::create(temporary);
    // Whatever kept the hint, a name of its own is tried; after that only a taken name is
    // worth another try.
    int claimError = EEXIST;
    for (int attempt = 0; claim.fd < 0 && claimError == EEXIST && attempt < 20; ++attempt) {
        QString letters;
        for (int i = 0; i < 6; ++i)
            letters += QLatin1Char("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
                                       [QRandomGenerator::global()->bounded(62)]);
        temporary = folder + QStringLiteral("/Temp!.") + letters + QStringLiteral(".mdb");
        claim.fd = CompactCopy::create(temporary);
        claimError = claim.fd < 0 ? errno : 0;
    }
    if (claim.fd < 0)
        raiseFileSystem(claimError, folder);

    compactInto(lock.handle, from, temporary, claim.fd, from);
    // The copy takes the place of the file, so it keeps the file's owner and mode.
    if (::fchown(claim.fd, original.st_uid, original.st_gid) != 0 && ::geteuid() == 0) {
        const int code = errno;
        discardCopy(temporary);
        raiseFileSystem(code, folder);
    }
    if (::fchmod(claim.fd, original.st_mode & 07777) != 0) {
        const int code = errno;
        discardCopy(temporary);
        raiseFileSystem(code, folder);
    }
    // The empty log a file in WAL mode opens with is this connection's alone while it holds
    // the file; once the file is replaced, closing would leave it beside the new one.
    const QString log = from + QStringLiteral("-wal");
    if (QFileInfo(log).size() == 0)
        QFile::remove(log);
    if (!replaceWithFinished(temporary, from)) {
        discardCopy(temporary);
        raise(ErrFileInUse, named);
    }
    // The old file is gone from the folder; closing it frees its space.
    sqlite3_close_v2(lock.handle);
    lock.handle = nullptr;
    ::close(claim.fd);
    claim.fd = -1;
    QFile::remove(temporary + QStringLiteral("-journal"));
}

bool DBEngine::isCompactCopy(const QString &path)
{
    if (!ownTemporaryName().match(QFileInfo(path).fileName()).hasMatch())
        return false;
    Claim claim;
    claim.fd = claimFile(path);
    return claim.fd < 0 || CompactCopy::isCopy(claim.fd, QFileInfo(path).absolutePath());
}

void DBEngine::removeCompactLeftovers(const QString &folder)
{
    removeCopies(folder, [&folder](int fd) { return CompactCopy::isCopy(fd, folder); });
}

} // namespace db
