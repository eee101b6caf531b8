#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QFile;

// Files as the file system names them. A name that is not valid UTF-8 shows with
// replacement characters and is still reached by its own bytes; Qt's own listing drops
// such names.
namespace FolderListing {

struct ListedFile
{
    QString name;          // for showing and matching
    QByteArray nativePath; // the folder's path and the name's own bytes
};

// The regular files of folder whose names match patterns (every file when there are none),
// hidden ones left out, in no particular order.
QList<ListedFile> listFiles(const QString &folder, const QStringList &patterns);

// Opens a file by its own bytes for reading; on failure *error says why.
bool openForReading(QFile &file, const QByteArray &nativePath, QString *error = nullptr);

// The file's size in bytes, or -1 when it is not a regular file (gone meanwhile).
qint64 fileSize(const QByteArray &nativePath);

} // namespace FolderListing
