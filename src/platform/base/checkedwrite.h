#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include <functional>
#include <optional>

// Replaces a whole file so that it ends up holding either every byte written or what it held
// before. Each step is checked: a buffered write that fails only when flushed (a full disk)
// would otherwise be committed as a short or empty file and reported as success. The new
// bytes reach the disk before the rename and the folder's entry after it, so a power cut
// leaves the old file or the new one, never an empty one.
class CheckedFileWriter
{
public:
    explicit CheckedFileWriter(const QString &path);
    ~CheckedFileWriter();

    bool open();
    bool write(const QByteArray &bytes);
    // Flushes and replaces the target; on any failure the target is left as it was.
    bool commit();
    void cancel();
    QString errorString() const { return m_error; }

private:
    bool fail();

    QSaveFile m_file;
    QString m_error;
    bool m_failed = false;
};

// The one whole-file write of the program: true when path now holds exactly bytes.
bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Every byte of the file, or nothing when a read fails.
std::optional<QByteArray> readWholeFile(const QString &path, QString *error = nullptr);

// Reads path and writes what change makes of its bytes, while holding an exclusive lock that
// every other process updating the same file takes too, so no update is lost between the
// read and the write. change returns nothing to leave the file as it is. A missing file
// reads as empty.
bool updateWholeFile(const QString &path,
                     const std::function<std::optional<QByteArray>(const QByteArray &)> &change,
                     QString *error = nullptr);

// Copies from into to as one whole-file write: to ends up a full copy or as it was.
bool copyWholeFile(const QString &from, const QString &to, QString *error = nullptr);

// Puts a finished file in the place of target: its bytes reach the disk first, then the
// rename, then the folder's entry. On failure target is unchanged and finished stays.
bool replaceWithFinished(const QString &finished, const QString &target, QString *error = nullptr);

// fsync() of a file or of a folder.
bool syncToDisk(const QString &path);
