// The file commands of the FTP window: download, upload, new folder, delete and rename.
#include "tools/ftp/FrmFTP.h"

#include "platform/base/checkedwrite.h"
#include "platform/prompt/prompter.h"
#include "shell/frmcd.h"
#include "tools/ftp/CFtpConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTreeWidget>

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QString AllFilesFilter = QStringLiteral("All Files (*.*)|*");
constexpr int SizeRole = Qt::UserRole + 1;

// A remote name as a local file name: no folder parts, no control characters.
QString safeLocalName(const QString &remote)
{
    QString name;
    for (const QChar c : remote)
        if (c != QLatin1Char('/') && c != QLatin1Char('\\') && c.unicode() >= 0x20)
            name += c;
    name = name.trimmed();
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    return name;
}

QString existsText(const QString &name, const QString &remoteSize, qint64 localSize,
                   const QString &question)
{
    return QStringLiteral("File ") + name + QStringLiteral(" already exists!") + CRLF +
           QStringLiteral("Size of remote file - ") + remoteSize + QStringLiteral(" bytes") + CRLF +
           QStringLiteral("Size of local file  - ") + QString::number(localSize) +
           QStringLiteral(" bytes") + CRLF + CRLF + question;
}

const QString AppendQuestion = QStringLiteral("Do you want to append lost data to existing file?") +
                               CRLF + CRLF +
                               QStringLiteral("Note: If you choose No new file will be created.");

} // namespace

bool LocalFileExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

void FrmFTP::DownloadSelected()
{
    // Without a selected file there is nothing to download: say so before any dialog.
    QTreeWidgetItem *selected = selectedListItem();
    if (!selected) {
        ask(QStringLiteral("Please select the file you want to download."), 107, 4,
            QStringLiteral("FAILED"));
        return;
    }
    // The question about an existing file comes below, with the sizes; the save box must
    // not ask about replacing it first.
    CommonDialogOptions options;
    options.DialogTitle = QStringLiteral("Download file and save as...");
    options.FileName = safeLocalName(selected->text(0));
    options.Filter = AllFilesFilter;
    options.ConfirmOverwrite = false;
    const std::optional<QString> chosen = FrmCD::CD().ShowSave(options);
    if (!chosen || chosen->isEmpty() || m_closeGuard.closePending())
        return;
    const QString fileName = *chosen;
    m_TransferFile = selected->text(0);
    const QByteArray rawFile = rawName(selected);
    m_TransferSize = selected->data(0, SizeRole).toLongLong();
    const int mode = transferMode();
    qint64 startOffset = 0;
    bool replacing = false;

    if (LocalFileExists(fileName)) {
        const qint64 local = QFileInfo(fileName).size();
        const QString remoteSize = QString::number(m_TransferSize);
        if (local < m_TransferSize) {
            const QString answer = ask(existsText(fileName, remoteSize, local, AppendQuestion), 106,
                                       5, QStringLiteral("EXISTED FILE FOUND!"));
            if (answer == QLatin1String("Yes"))
                startOffset = local;
            else if (answer == QLatin1String("No"))
                replacing = true;
            else
                return;
        } else {
            // No (and Esc) download from 0; the old file stays whole until the new one is in.
            if (ask(existsText(fileName, remoteSize, local,
                               QStringLiteral("Do you want to cancel download?")),
                    106, 1, QStringLiteral("FILE ALREADY EXISTED!")) == QLatin1String("Yes"))
                return;
            replacing = true;
        }
    }
    if (m_closeGuard.closePending())
        return;

    // A file being replaced stays whole until the new copy has fully arrived beside it.
    QString target = fileName;
    if (replacing) {
        QTemporaryFile part(QFileInfo(fileName).absolutePath() + QStringLiteral("/.") +
                            QFileInfo(fileName).fileName() + QStringLiteral(".XXXXXX.part"));
        part.setAutoRemove(false);
        if (!part.open()) {
            ask(QStringLiteral("Error: 62") + CRLF + CRLF + part.errorString(), 103, 4,
                QStringLiteral("ERROR"));
            return;
        }
        target = part.fileName();
        part.close();
    }
    // A failure names the user's file, never the hidden copy it was written to.
    const auto reason = [&] {
        QString text = m_FtpConnection->getFtpErrorDescription();
        if (replacing)
            text.replace(target, fileName);
        return text;
    };

    for (;;) {
        // The name as the server listed it (its own bytes, whatever their encoding), in the
        // folder the server is in: the list shows what was found there.
        if (m_FtpConnection->downloadFile(rawFile, target, mode, startOffset)) {
            if (replacing && !replaceWithFinished(target, fileName)) {
                QFile::remove(target);
                ask(QStringLiteral("Error: 62") + CRLF + CRLF + QStringLiteral("Can't replace ") +
                        fileName,
                    103, 4, QStringLiteral("ERROR"));
            }
            return;
        }
        const int code = m_FtpConnection->ftpGetLastError();
        logFailure(reason());
        if (m_closeGuard.closePending()) {
            // The window is closing: no questions, no reconnect.
            ResetProgress();
        } else if (code == 4) {
            if (ask(QStringLiteral("The connection is broken. Do you wish to establish "
                                   "the connect again?"),
                    102, 2, QStringLiteral("CONNECTON BROCKEN!")) == QLatin1String("Retry")) {
                if (m_FtpConnection->connectToServer()) {
                    if (m_FtpConnection->setCurrentDirectory(
                            rawServerPath(tvTreeView->currentItem())) &&
                        !m_closeGuard.closePending())
                        continue;
                } else {
                    ask(QStringLiteral("The connection cannot be established."), 105, 4,
                        QStringLiteral("FAILED!"));
                }
            } else {
                ResetProgress();
            }
        } else if (code == 58) {
            if (ask(QStringLiteral("Server doesn't response. Do you like to try again?"), 102, 2,
                    QStringLiteral("CONNECTON BROCKEN!")) == QLatin1String("Retry") &&
                !m_closeGuard.closePending())
                continue;
            ResetProgress();
        } else {
            // A cancelled transfer leaves no progress standing behind the box.
            if (code == 63)
                ResetProgress();
            ask(QStringLiteral("Error: ") + QString::number(code) + CRLF + CRLF + reason(), 103, 4,
                QStringLiteral("ERROR"));
        }
        break;
    }
    if (replacing)
        QFile::remove(target);
}

void FrmFTP::UploadSelected()
{
    CommonDialogOptions options;
    options.DialogTitle = QStringLiteral("Select file to upload");
    options.Filter = AllFilesFilter;
    const std::optional<QString> chosen = FrmCD::CD().ShowOpen(options);
    if (!chosen || chosen->isEmpty() || m_closeGuard.closePending())
        return;
    const QString fileName = *chosen;
    const QString name = QFileInfo(fileName).fileName();
    QTreeWidgetItem *found = listItem(name);
    m_TransferSize = QFileInfo(fileName).size();
    qint64 startOffset = 0;
    // These two questions come in the platform's plain box, not the program's own.
    const auto askPlain = [this](const QString &text, int buttons) {
        return m_closeGuard.closePending()
                   ? MsgButtons::escapeValue(buttons)
                   : Prompter::instance().plainQuestion(text, QStringLiteral("File already exists"),
                                                        buttons);
    };
    if (found) {
        const qint64 remote = found->data(0, SizeRole).toLongLong();
        const QString shown = found->text(1);
        if (m_TransferSize > remote) {
            const QString answer =
                askPlain(existsText(name, shown, m_TransferSize, AppendQuestion), 5);
            if (answer == QLatin1String("Yes"))
                startOffset = remote;
            else if (answer != QLatin1String("No"))
                return;
        } else {
            if (askPlain(existsText(name, shown, m_TransferSize,
                                    QStringLiteral("Do you want to cancel upload?")),
                         1) != QLatin1String("No"))
                return;
        }
    }
    if (m_closeGuard.closePending())
        return;
    m_TransferFile = name;
    // Into the folder the server is in, whose files the list shows.
    if (m_FtpConnection->uploadFile(fileName, name, transferMode(), startOffset)) {
        ShowFolder(tvTreeView->currentItem());
        return;
    }
    logFailure();
    if (m_FtpConnection->ftpGetLastError() == 63) {
        // Stopped by the user: what the server now holds is the news, not its last reply.
        ResetProgress();
        if (m_closeGuard.closePending())
            return;
        ShowFolder(tvTreeView->currentItem());
        ask(m_FtpConnection->getFtpErrorDescription(), 101, 4, QStringLiteral("CANCELLED"));
        return;
    }
    // A refused resume says what happened to the server's partial file.
    ask(QStringLiteral("Can't upload file.") + CRLF + QStringLiteral("Server response: ") +
            m_FtpConnection->getLastServerResponse() +
            (startOffset > 0 ? CRLF + m_FtpConnection->getFtpErrorDescription() : QString()),
        103, 4, QStringLiteral("ERROR"));
}

void FrmFTP::CreateRemoteDirectory()
{
    const std::optional<QString> answer =
        Prompter::instance().inputText(QStringLiteral("Enter directory name, please."),
                                       QStringLiteral("Create new directory"), QString());
    if (!answer || answer->isEmpty())
        return;
    if (m_FtpConnection->createDirectory(*answer))
        ShowFolder(tvTreeView->currentItem());
    else {
        logFailure();
        ask(QStringLiteral("Can't create new directory.") + CRLF + CRLF +
                QStringLiteral("Server response: ") + m_FtpConnection->getLastServerResponse(),
            105, 4, QStringLiteral("FAILED"));
    }
}

void FrmFTP::DeleteSelected()
{
    QTreeWidgetItem *file = selectedListItem();
    QTreeWidgetItem *folder = tvTreeView->currentItem();
    if (!file || !folder) {
        ask(QStringLiteral("Please select the file you want to delete."), 107, 4,
            QStringLiteral("FAILED"));
        return;
    }
    const QString path = nodeKey(folder) + file->text(0);
    const QByteArray rawPath = rawKey(folder) + rawName(file);
    if (ask(QStringLiteral("Do you really want to delete file ") + path + QLatin1Char('?'), 106, 1,
            QStringLiteral("Delete file")) != QLatin1String("Yes"))
        return;
    if (m_FtpConnection->deleteFile(rawPath))
        ShowFolder(folder);
    else {
        logFailure();
        ask(QStringLiteral("Can't delete file.") + CRLF + CRLF +
                QStringLiteral("Server response: ") + m_FtpConnection->getLastServerResponse(),
            105, 4, QStringLiteral("Can't delete file"));
    }
}

void FrmFTP::RenameSelected()
{
    QTreeWidgetItem *file = selectedListItem();
    if (!file) {
        ask(QStringLiteral("Please select the file you want to rename."), 103, 4,
            QStringLiteral("RENAME"));
        return;
    }
    const QString oldName = file->text(0);
    const std::optional<QString> answer =
        Prompter::instance().inputText(QStringLiteral("Please enter new file name for ") + oldName,
                                       QStringLiteral("Rename File"), QString());
    if (!answer || answer->isEmpty())
        return;
    const QString newName = *answer;
    if (ask(QStringLiteral("Do you really want to rename file ") + oldName +
                QStringLiteral(" to ") + newName + QLatin1Char('?'),
            106, 1, QStringLiteral("RENAME")) != QLatin1String("Yes"))
        return;
    // Bare names in the folder the server is in, whose files the list shows; the old name as
    // the server listed it.
    if (m_FtpConnection->renameFile(rawName(file), newName.toUtf8()))
        ShowFolder(tvTreeView->currentItem());
    else {
        logFailure();
        ask(QStringLiteral("Can't rename file.") + CRLF + QStringLiteral("Server response: ") +
                m_FtpConnection->getLastServerResponse(),
            105, 4, QStringLiteral("RENAME FAILED"));
    }
}
