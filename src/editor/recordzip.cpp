#include "editor/recordzip.h"

#include "editor/frmrecord.h"
#include "kb/kbstore.h"
#include "platform/archive/archive.h"
#include "platform/base/apperror.h"
#include "platform/base/apppaths.h"
#include "platform/base/checkedwrite.h"
#include "platform/db/dbdatacontrol.h"
#include "platform/db/dbrecordset.h"
#include "platform/db/dbschema.h"
#include "platform/richtext/richtextbox.h"
#include "shell/frmcd.h"
#include "shell/messagebox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>

namespace {

const QString ZipFilter = QStringLiteral("Zip Format File (*.zip)|*.zip");

// The hourglass for the length of a scope.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

void showError(const AppError &error)
{
    MsgBoxEx(QString::number(error.number) + QStringLiteral(": ") + error.description, 103, 4,
             QStringLiteral("ERROR"));
}

} // namespace

bool RecordZip::isZipArchive(const QByteArray &data)
{
    return Archive::isZip(data);
}

bool RecordZip::AskZipFile()
{
    CommonDialog &dialog = FrmCD::CD();
    for (;;) {
        CommonDialogOptions options;
        options.Filter = ZipFilter;
        options.InitDir = GetAppPath();
        options.DialogTitle = QStringLiteral("Choose Zip File:");
        const std::optional<QString> name = dialog.ShowOpen(options);
        if (!name) {
            if (dialog.lastError().number != CommonDialog::CancelError)
                showError(dialog.lastError());
            return false;
        }
        if (name->isEmpty())
            return false;
        if (AddZipedFile(*name)) {
            MsgBoxEx(QStringLiteral("Zip file added succeed, please write its description and "
                                    "other details now."),
                     104, 4, QStringLiteral("SUCCEED"));
            return true;
        }
        // The file was refused with its reason: another one, or a cancel that ends the add.
    }
}

bool RecordZip::AddZipedFile(const QString &name)
{
    auto loadFailed = [] {
        MsgBoxEx(QStringLiteral("Error occur during loading file, please try again."), 103, 4,
                 QStringLiteral("ERROR"));
        return false;
    };
    auto rs = m_form->DataNavi->recordset();
    if (!rs || !rs->isOpen() || rs->EditMode() == db::dbEditNone)
        return loadFailed();

    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return loadFailed();
    const qint64 length = file.size();
    if (length > MaxFileSize) {
        MsgBoxEx(QStringLiteral("This ZIP file is too large to be kept in a record (the limit is "
                                "256 MB)."),
                 103, 4, QStringLiteral("ERROR"));
        return false;
    }

    // The whole file is read before anything is stored, so a failed read leaves the field
    // as it was instead of holding a truncated archive.
    const qint64 full = length / ChunkSize;
    const qint64 rest = length % ChunkSize;
    QList<QByteArray> chunks;
    chunks.reserve(full + 1);
    QByteArray whole;
    whole.reserve(length);
    {
        // No yield inside the copy: a local file of at most 256 MB is read in moments, and
        // a turn of the event loop here would run queued work while the new record is filled.
        WaitCursor wait;
        for (qint64 i = 0; i <= full; ++i) {
            const qint64 want = i == 0 ? rest : ChunkSize;
            const QByteArray chunk = file.read(want);
            if (chunk.size() != want)
                return loadFailed();
            chunks.append(chunk);
            whole.append(chunk);
        }
        if (!file.atEnd())
            return loadFailed(); // the file grew while it was read
    }
    file.close();
    if (!isZipArchive(whole)) {
        MsgBoxEx(QStringLiteral("This file is not a ZIP file, please choose another one."), 103, 4,
                 QStringLiteral("ERROR"));
        return false;
    }

    try {
        for (const QByteArray &chunk : std::as_const(chunks))
            rs->AppendChunk(KbStore::ZipField, chunk);
    } catch (const AppException &) {
        return loadFailed();
    }
    // There are no short path forms here; the full path names the file.
    m_form->RTBQuestion->setPlainText(QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath()));
    m_form->RTBAnswer->setText(QStringLiteral("This ZIP file is ") +
                               QString::number(length / 1024) + QStringLiteral(" KB"));
    return true;
}

bool RecordZip::hasAttachment() const
{
    auto rs = m_form->DataNavi->recordset();
    try {
        return rs && rs->isOpen() && (rs->EditMode() != db::dbEditNone || !rs->Eof()) &&
               rs->FieldSize(KbStore::ZipField) > 0;
    } catch (const AppException &) {
        return false;
    }
}

int RecordZip::ExportZip()
{
    auto failed = [] {
        MsgBoxEx(QStringLiteral("Zip file export failed."), 105, 4, QStringLiteral("FAILED"));
        return 0;
    };
    // A record without a zip has nothing to write: asking for a file name first would only
    // lead to an empty file reported as an export.
    if (!hasAttachment())
        return failed();

    CommonDialog &dialog = FrmCD::CD();
    for (;;) {
        CommonDialogOptions options;
        options.Filter = ZipFilter;
        options.InitDir = GetAppPath();
        options.DialogTitle = QStringLiteral("Save Zip File From Database:");
        options.ConfirmOverwrite = false;
        const std::optional<QString> name = dialog.ShowSave(options);
        if (!name) {
            if (dialog.lastError().number != CommonDialog::CancelError)
                showError(dialog.lastError());
            return 0;
        }
        if (name->isEmpty())
            return 0;
        if (QFileInfo::exists(*name)) {
            const QString answer = MsgBoxEx(
                QStringLiteral("File ") + *name +
                    QStringLiteral("already existed! Are you sure you want to overwrite it?"),
                101, 5, QStringLiteral("EXISTED FILE"));
            if (answer == QLatin1String("No"))
                continue;
            if (answer != QLatin1String("Yes"))
                return 0;
        }
        if (!WriteZipField(*name))
            return failed();
        MsgBoxEx(QStringLiteral("ZIP file has been exported from database successfully"), 104, 4,
                 QStringLiteral("SUCCEED"));
        return 1;
    }
}

bool RecordZip::WriteZipField(const QString &name)
{
    WaitCursor wait;
    auto rs = m_form->DataNavi->recordset();
    if (!rs || !rs->isOpen() || (rs->EditMode() == db::dbEditNone && rs->Eof()))
        return false;
    try {
        // One reader for the whole field: each piece is read from where the last one ended.
        const std::unique_ptr<db::Recordset::ChunkReader> field = rs->readChunks(KbStore::ZipField);
        const qint64 length = field->size();
        const qint64 full = length / ChunkSize;
        const qint64 rest = length % ChunkSize;
        // The target is replaced only once every byte is written, so a failed export leaves
        // an existing file untouched.
        CheckedFileWriter file(name);
        if (!file.open())
            return false;
        for (qint64 i = 0; i <= full; ++i) {
            const qint64 want = i == 0 ? rest : ChunkSize;
            const QByteArray chunk = field->next(want);
            if (chunk.size() != want || !file.write(chunk)) {
                file.cancel();
                return false;
            }
        }
        return file.commit();
    } catch (const AppException &) {
        return false;
    }
}
