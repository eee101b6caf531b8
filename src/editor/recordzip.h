#pragma once

#include <QByteArray>
#include <QString>

class FrmRecord;

// Zip files kept whole in the "Ziped" field of the zipped-examples topic: stored while a
// record is added, written back to a file by the window's zip button.
class RecordZip
{
public:
    static constexpr qint64 ChunkSize = 8192;
    // The largest file the field takes (32767 full chunks and one partial one).
    static constexpr qint64 MaxFileSize = 32767 * ChunkSize + ChunkSize - 1;

    explicit RecordZip(FrmRecord *form) : m_form(form) {}

    // Asks for a zip file and stores it in the record being added, asking again after a file
    // that cannot be stored; false when the user gave up choosing.
    bool AskZipFile();
    // Stores the file in the current record's buffer and describes it in the two boxes;
    // nothing is stored when the file cannot be read whole or is not a zip archive.
    bool AddZipedFile(const QString &name);
    // Asks for a target file and writes the current record's zip to it; 1 on success.
    int ExportZip();

    // True when the bytes form a readable zip archive.
    static bool isZipArchive(const QByteArray &data);

private:
    bool WriteZipField(const QString &name);
    bool hasAttachment() const;

    FrmRecord *m_form;
};
