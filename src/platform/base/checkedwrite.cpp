#include "platform/base/checkedwrite.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

// An exclusive flock() on a file that is replaced by renames. A lock won on a file that was
// replaced while this process waited guards nothing any more: it is dropped and taken again
// on the file now in place.
class ReplacedFileLock
{
public:
    explicit ReplacedFileLock(const QString &path);
    ~ReplacedFileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ReplacedFileLock(const ReplacedFileLock &) = delete;
    ReplacedFileLock &operator=(const ReplacedFileLock &) = delete;

    bool isLocked() const { return m_fd >= 0; }
    QString errorString() const { return m_error; }

private:
    int m_fd = -1;
    QString m_error;
};

ReplacedFileLock::ReplacedFileLock(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    // Holders keep the lock for one read and one write; far longer means a stuck program.
    const QDeadlineTimer deadline(std::chrono::seconds(10));
    for (;;) {
        int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        // A read-only file in a writable folder is still replaced by rename.
        if (fd < 0 && errno == EACCES)
            fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            m_error = systemError(errno);
            return;
        }
        int pause = 1;
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int code = errno;
            if ((code != EWOULDBLOCK && code != EINTR) || deadline.hasExpired()) {
                ::close(fd);
                m_error = code == EWOULDBLOCK
                              ? QStringLiteral("The file is in use by another program.")
                              : systemError(code);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(pause));
            pause = std::min(pause * 2, 16);
        }
        struct stat held
        {
        };
        struct stat current
        {
        };
        if (::fstat(fd, &held) == 0 && ::stat(name.constData(), &current) == 0 &&
            held.st_dev == current.st_dev && held.st_ino == current.st_ino) {
            m_fd = fd;
            return;
        }
        ::close(fd);
    }
}

} // namespace

CheckedFileWriter::CheckedFileWriter(const QString &path) : m_file(path) {}

CheckedFileWriter::~CheckedFileWriter()
{
    if (m_file.isOpen())
        m_file.cancelWriting();
}

bool CheckedFileWriter::fail()
{
    if (m_error.isEmpty())
        m_error = m_file.errorString();
    if (m_error.isEmpty() || m_error == QLatin1String("Unknown error"))
        m_error = QStringLiteral("Disk full or file not writable");
    m_failed = true;
    if (m_file.isOpen())
        m_file.cancelWriting();
    return false;
}

bool CheckedFileWriter::open()
{
    m_failed = false;
    m_error.clear();
    if (!m_file.open(QIODevice::WriteOnly))
        return fail();
    return true;
}

bool CheckedFileWriter::write(const QByteArray &bytes)
{
    if (m_failed || !m_file.isOpen())
        return false;
    if (m_file.write(bytes) != bytes.size())
        return fail();
    return true;
}

bool CheckedFileWriter::commit()
{
    if (m_failed || !m_file.isOpen())
        return false;
    // commit() closes without reporting a failed final flush, so flush first.
    if (!m_file.flush() || m_file.error() != QFileDevice::NoError)
        return fail();
    // commit() syncs too but goes on when that fails: the rename must wait for the data.
    if (m_file.handle() >= 0 && ::fsync(m_file.handle()) != 0) {
        m_error = systemError(errno);
        return fail();
    }
    if (!m_file.commit()) {
        m_failed = true;
        m_error = m_file.errorString();
        return false;
    }
    // The new file is in place; a folder that cannot be synced only loses durability.
    syncToDisk(folderOf(m_file.fileName()));
    return true;
}

void CheckedFileWriter::cancel()
{
    if (m_file.isOpen())
        m_file.cancelWriting();
    m_failed = true;
}

std::optional<QByteArray> readWholeFile(const QString &path, QString *error)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        QByteArray bytes = file.readAll();
        if (file.error() == QFileDevice::NoError)
            return bytes;
    }
    if (error)
        *error = file.errorString();
    return std::nullopt;
}

bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    CheckedFileWriter writer(path);
    if (writer.open() && writer.write(bytes) && writer.commit())
        return true;
    if (error)
        *error = writer.errorString();
    return false;
}

bool updateWholeFile(const QString &path,
                     const std::function<std::optional<QByteArray>(const QByteArray &)> &change,
                     QString *error)
{
    const ReplacedFileLock lock(path);
    if (!lock.isLocked()) {
        if (error)
            *error = lock.errorString();
        return false;
    }
    const std::optional<QByteArray> current = readWholeFile(path, error);
    if (!current)
        return false;
    const std::optional<QByteArray> next = change(*current);
    return !next || writeWholeFile(path, *next, error);
}

bool copyWholeFile(const QString &from, const QString &to, QString *error)
{
    const std::optional<QByteArray> bytes = readWholeFile(from, error);
    return bytes && writeWholeFile(to, *bytes, error);
}

bool replaceWithFinished(const QString &finished, const QString &target, QString *error)
{
    if (!syncToDisk(finished)) {
        if (error)
            *error = systemError(errno);
        return false;
    }
    if (std::rename(QFile::encodeName(finished).constData(),
                    QFile::encodeName(target).constData()) != 0) {
        if (error)
            *error = systemError(errno);
        return false;
    }
    syncToDisk(folderOf(target));
    return true;
}

bool syncToDisk(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    const int code = errno;
    ::close(fd);
    errno = code;
    return ok;
}
