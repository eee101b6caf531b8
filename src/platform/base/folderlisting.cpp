#include "platform/base/folderlisting.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FolderListing {

QList<ListedFile> listFiles(const QString &folder, const QStringList &patterns)
{
    QList<ListedFile> files;
    QByteArray base = QFile::encodeName(folder);
    DIR *dir = ::opendir(base.constData());
    if (!dir)
        return files;
    if (!base.endsWith('/'))
        base += '/';
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray nativeName(entry->d_name);
        if (nativeName.startsWith('.'))
            continue;
        const QString name = QString::fromUtf8(nativeName);
        if (!patterns.isEmpty() && !QDir::match(patterns, name))
            continue;
        const QByteArray path = base + nativeName;
        struct stat info
        {
        };
        if (::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode))
            files.append({name, path});
    }
    ::closedir(dir);
    return files;
}

bool openForReading(QFile &file, const QByteArray &nativePath, QString *error)
{
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

qint64 fileSize(const QByteArray &nativePath)
{
    struct stat info
    {
    };
    if (::stat(nativePath.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    return qint64(info.st_size);
}

} // namespace FolderListing
