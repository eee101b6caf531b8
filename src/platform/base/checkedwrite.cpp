#include "platform/base/checkedwrite.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
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

bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    CheckedFileWriter writer(path);
    if (writer.open() && writer.write(bytes) && writer.commit())
        return true;
    if (error)
        *error = writer.errorString();
    return false;
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
