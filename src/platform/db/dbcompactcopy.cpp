#include "platform/db/dbcompactcopy.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace db::CompactCopy {

namespace {

constexpr char SqliteHead[] = "SQLite format 3";
static_assert(sizeof(SqliteHead) == MarkerSize);

// A file opened through the copy layer: the real file's state follows this one in memory.
struct CopyFile
{
    sqlite3_file base;
    sqlite3_file *real;
    bool marked;
};

sqlite3_vfs *realVfs = nullptr;
sqlite3_vfs copyVfs{};
sqlite3_io_methods copyMethods{};

sqlite3_file *realOf(sqlite3_file *file)
{
    return reinterpret_cast<CopyFile *>(file)->real;
}

bool markedOf(sqlite3_file *file)
{
    return reinterpret_cast<CopyFile *>(file)->marked;
}

// A method the layer leaves alone: the real file's own.
template <auto Method> struct Forward;

template <typename Result, typename... Args,
          Result (*sqlite3_io_methods::*Method)(sqlite3_file *, Args...)>
struct Forward<Method>
{
    static Result call(sqlite3_file *file, Args... args)
    {
        sqlite3_file *real = realOf(file);
        return (real->pMethods->*Method)(real, args...);
    }
};

int copyClose(sqlite3_file *file)
{
    sqlite3_file *real = realOf(file);
    return real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
}

int copyRead(sqlite3_file *file, void *buffer, int amount, sqlite3_int64 offset)
{
    sqlite3_file *real = realOf(file);
    const int rc = real->pMethods->xRead(real, buffer, amount, offset);
    if (!markedOf(file) || offset >= MarkerSize ||
        (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ))
        return rc;
    sqlite3_int64 size = 0;
    if (rc == SQLITE_IOERR_SHORT_READ && real->pMethods->xFileSize(real, &size) == SQLITE_OK &&
        size <= MarkerSize) {
        // Only the marker: an empty file to the engine.
        std::memset(buffer, 0, size_t(amount));
        return rc;
    }
    const auto count = size_t(std::min<sqlite3_int64>(MarkerSize - offset, amount));
    std::memcpy(buffer, SqliteHead + offset, count);
    return rc;
}

int copyWrite(sqlite3_file *file, const void *buffer, int amount, sqlite3_int64 offset)
{
    sqlite3_file *real = realOf(file);
    if (!markedOf(file) || offset >= MarkerSize)
        return real->pMethods->xWrite(real, buffer, amount, offset);
    const auto *bytes = static_cast<const char *>(buffer);
    std::vector<char> kept(bytes, bytes + amount);
    const auto count = size_t(std::min<sqlite3_int64>(MarkerSize - offset, amount));
    std::memcpy(kept.data(), Marker + offset, count);
    return real->pMethods->xWrite(real, kept.data(), amount, offset);
}

int copyTruncate(sqlite3_file *file, sqlite3_int64 size)
{
    sqlite3_file *real = realOf(file);
    if (markedOf(file))
        size = std::max<sqlite3_int64>(size, MarkerSize);
    return real->pMethods->xTruncate(real, size);
}

int copyFileSize(sqlite3_file *file, sqlite3_int64 *size)
{
    sqlite3_file *real = realOf(file);
    const int rc = real->pMethods->xFileSize(real, size);
    if (rc == SQLITE_OK && markedOf(file) && *size <= MarkerSize)
        *size = 0;
    return rc;
}

int copyShmMap(sqlite3_file *file, int page, int size, int extend, void volatile **address)
{
    sqlite3_file *real = realOf(file);
    if (real->pMethods->iVersion < 2 || !real->pMethods->xShmMap)
        return SQLITE_IOERR_SHMMAP;
    return real->pMethods->xShmMap(real, page, size, extend, address);
}

int copyShmLock(sqlite3_file *file, int offset, int count, int flags)
{
    sqlite3_file *real = realOf(file);
    if (real->pMethods->iVersion < 2 || !real->pMethods->xShmLock)
        return SQLITE_IOERR_SHMLOCK;
    return real->pMethods->xShmLock(real, offset, count, flags);
}

void copyShmBarrier(sqlite3_file *file)
{
    sqlite3_file *real = realOf(file);
    if (real->pMethods->iVersion >= 2 && real->pMethods->xShmBarrier)
        real->pMethods->xShmBarrier(real);
}

int copyShmUnmap(sqlite3_file *file, int deleteFlag)
{
    sqlite3_file *real = realOf(file);
    if (real->pMethods->iVersion < 2 || !real->pMethods->xShmUnmap)
        return SQLITE_OK;
    return real->pMethods->xShmUnmap(real, deleteFlag);
}

int copyFetch(sqlite3_file *file, sqlite3_int64 offset, int amount, void **page)
{
    sqlite3_file *real = realOf(file);
    // A mapped page would show the marker: marked files are read through copyRead only.
    if (markedOf(file) || real->pMethods->iVersion < 3 || !real->pMethods->xFetch) {
        *page = nullptr;
        return SQLITE_OK;
    }
    return real->pMethods->xFetch(real, offset, amount, page);
}

int copyUnfetch(sqlite3_file *file, sqlite3_int64 offset, void *page)
{
    sqlite3_file *real = realOf(file);
    if (markedOf(file) || real->pMethods->iVersion < 3 || !real->pMethods->xUnfetch)
        return SQLITE_OK;
    return real->pMethods->xUnfetch(real, offset, page);
}

int copyOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *file, int flags, int *outFlags)
{
    auto *copy = reinterpret_cast<CopyFile *>(file);
    copy->base.pMethods = nullptr;
    copy->real = reinterpret_cast<sqlite3_file *>(copy + 1);
    copy->real->pMethods = nullptr;
    copy->marked = false;
    const int rc = realVfs->xOpen(realVfs, name, copy->real, flags, outFlags);
    // A real file that is set up is closed through this one, even after a failed open.
    if (copy->real->pMethods)
        copy->base.pMethods = &copyMethods;
    if (rc != SQLITE_OK)
        return rc;
    if (flags & SQLITE_OPEN_MAIN_DB) {
        char head[MarkerSize];
        copy->marked = copy->real->pMethods->xRead(copy->real, head, MarkerSize, 0) == SQLITE_OK &&
                       std::memcmp(head, Marker, MarkerSize) == 0;
    }
    return SQLITE_OK;
}

void registerLayer()
{
    realVfs = sqlite3_vfs_find(nullptr);
    copyMethods.iVersion = 3;
    copyMethods.xClose = copyClose;
    copyMethods.xRead = copyRead;
    copyMethods.xWrite = copyWrite;
    copyMethods.xTruncate = copyTruncate;
    copyMethods.xSync = Forward<&sqlite3_io_methods::xSync>::call;
    copyMethods.xFileSize = copyFileSize;
    copyMethods.xLock = Forward<&sqlite3_io_methods::xLock>::call;
    copyMethods.xUnlock = Forward<&sqlite3_io_methods::xUnlock>::call;
    copyMethods.xCheckReservedLock = Forward<&sqlite3_io_methods::xCheckReservedLock>::call;
    copyMethods.xFileControl = Forward<&sqlite3_io_methods::xFileControl>::call;
    copyMethods.xSectorSize = Forward<&sqlite3_io_methods::xSectorSize>::call;
    copyMethods.xDeviceCharacteristics = Forward<&sqlite3_io_methods::xDeviceCharacteristics>::call;
    copyMethods.xShmMap = copyShmMap;
    copyMethods.xShmLock = copyShmLock;
    copyMethods.xShmBarrier = copyShmBarrier;
    copyMethods.xShmUnmap = copyShmUnmap;
    copyMethods.xFetch = copyFetch;
    copyMethods.xUnfetch = copyUnfetch;

    // Everything but opening is the real file system's own.
    copyVfs = *realVfs;
    copyVfs.pNext = nullptr;
    copyVfs.szOsFile = int(sizeof(CopyFile)) + realVfs->szOsFile;
    copyVfs.zName = "marlux-compact-copy";
    copyVfs.xOpen = copyOpen;
    sqlite3_vfs_register(&copyVfs, 0);
}

// SQLite's file header: its journal kind, its change counter, and the counter value for which
// the page count in the header holds.
constexpr int HeaderSize = 100;
constexpr int WriteVersionAt = 18;
constexpr int ReadVersionAt = 19;
constexpr int ChangeCounterAt = 24;
constexpr int ValidForAt = 92;

quint32 bigEndian(const unsigned char *bytes)
{
    return quint32(bytes[0]) << 24 | quint32(bytes[1]) << 16 | quint32(bytes[2]) << 8 |
           quint32(bytes[3]);
}

void putBigEndian(char *bytes, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(value >> (24 - 8 * i));
}

// What tells a file from every other: its device and inode, and its birth time, so that a
// later file given the same inode number differs too. Where the file system keeps no birth
// time, the change time stands in for the source (a copy's changes as it is put in place).
QByteArray identity(const struct statx &file, bool source)
{
    struct statx_timestamp born = {};
    if (file.stx_mask & STATX_BTIME)
        born = file.stx_btime;
    else if (source)
        born = file.stx_ctime;
    QByteArray bytes;
    for (const quint64 value : {quint64(file.stx_dev_major) << 32 | file.stx_dev_minor,
                                quint64(file.stx_ino), quint64(born.tv_sec), quint64(born.tv_nsec)})
        bytes.append(reinterpret_cast<const char *>(&value), sizeof value);
    return bytes;
}

bool statOf(int fd, const char *path, struct statx *file)
{
    const int flags = path[0] ? AT_SYMLINK_NOFOLLOW : AT_EMPTY_PATH;
    return ::statx(fd, path, flags, STATX_INO | STATX_TYPE | STATX_BTIME | STATX_CTIME, file) == 0;
}

// The stamp of a finished copy: bound to the copy's inode and to the file it was made from, by
// that file's identity and name, not to what it holds. Once that file is gone (the copy took its
// place), no file yields the stamp any more, a link to the old file by another name included, so
// the copy can never again be taken for one, whatever name it is given.
void finishedStamp(const struct statx &copy, const struct statx &source, const QString &sourcePath,
                   quint32 stamp[2])
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArrayView("Marlux finished copy"));
    hash.addData(identity(copy, false));
    hash.addData(identity(source, true));
    hash.addData(QFile::encodeName(QFileInfo(sourcePath).fileName()));
    const QByteArray digest = hash.result();
    const auto *bytes = reinterpret_cast<const unsigned char *>(digest.constData());
    stamp[0] = bigEndian(bytes);
    stamp[1] = bigEndian(bytes + 4);
}

bool writeAll(int fd, const char *bytes, size_t size, off_t offset)
{
    const ssize_t written = ::pwrite(fd, bytes, size, offset);
    if (written == ssize_t(size))
        return true;
    if (written >= 0)
        errno = ENOSPC;
    return false;
}

// Locks and marks a new file; closes it on failure, keeping errno.
int prepare(int fd)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && writeAll(fd, Marker, MarkerSize, 0))
        return fd;
    const int code = errno;
    ::close(fd);
    errno = code;
    return -1;
}

} // namespace

const char *vfsName()
{
    static std::once_flag once;
    std::call_once(once, registerLayer);
    return copyVfs.zName;
}

int create(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    int fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) {
        fd = prepare(fd);
        if (fd < 0)
            return -1;
        // Linked by its /proc entry, or without /proc where the privilege allows.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) ==
                0 ||
            (errno != EEXIST && ::linkat(fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0))
            return fd;
        const int code = errno;
        ::close(fd);
        errno = code;
        if (code == EEXIST)
            return -1;
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return -1;
    }
    // No unnamed files to be had here: the marker follows the creation at once.
    fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    fd = prepare(fd);
    if (fd < 0) {
        const int code = errno;
        ::unlink(name.constData());
        errno = code;
    }
    return fd;
}

bool unmark(int fd, const QString &source, bool wal)
{
    char head[HeaderSize];
    if (::fsync(fd) != 0 || ::pread(fd, head, HeaderSize, 0) != HeaderSize)
        return false;
    std::memcpy(head, SqliteHead, MarkerSize);
    // The file format's write and read versions: 2 is a database kept in WAL mode.
    if (wal)
        head[WriteVersionAt] = head[ReadVersionAt] = 2;
    if (!source.isEmpty()) {
        struct statx copy
        {
        };
        struct statx original
        {
        };
        if (!statOf(fd, "", &copy) ||
            !statOf(AT_FDCWD, QFile::encodeName(source).constData(), &original))
            return false;
        quint32 stamp[2];
        finishedStamp(copy, original, source, stamp);
        putBigEndian(head + ChangeCounterAt, stamp[0]);
        putBigEndian(head + ValidForAt, stamp[1]);
    }
    // One write: the header is whole in either state.
    return writeAll(fd, head, HeaderSize, 0) && ::fsync(fd) == 0;
}

bool isFinishedCopyOf(int fd, const QString &source)
{
    unsigned char head[HeaderSize];
    struct statx copy
    {
    };
    struct statx original
    {
    };
    if (::pread(fd, head, sizeof head, 0) != ssize_t(sizeof head) ||
        std::memcmp(head, SqliteHead, MarkerSize) != 0 || !statOf(fd, "", &copy) ||
        !statOf(AT_FDCWD, QFile::encodeName(source).constData(), &original) ||
        !S_ISREG(original.stx_mode) || original.stx_ino == copy.stx_ino)
        return false;
    quint32 stamp[2];
    finishedStamp(copy, original, source, stamp);
    return bigEndian(head + ChangeCounterAt) == stamp[0] &&
           bigEndian(head + ValidForAt) == stamp[1];
}

bool isCopy(int fd, const QString &folder)
{
    char head[MarkerSize];
    if (::pread(fd, head, MarkerSize, 0) == MarkerSize &&
        std::memcmp(head, Marker, MarkerSize) == 0)
        return true;
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    return std::any_of(names.cbegin(), names.cend(), [&](const QString &name) {
        return isFinishedCopyOf(fd, dir.filePath(name));
    });
}

} // namespace db::CompactCopy
