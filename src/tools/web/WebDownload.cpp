#include "tools/web/WebDownload.h"

#include "platform/base/checkedwrite.h"
#include "shell/frmcd.h"
#include "shell/messagebox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QStatusBar>
#include <QTemporaryFile>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineDownloadRequest>

#include <algorithm>

namespace {

constexpr int OutcomeShownFor = 8000; // ms

// A name for the file while it comes: hidden, beside the chosen one, not yet taken. The
// engine creates the file itself.
QString partName(const QString &target, QString *error)
{
    const QFileInfo info(target);
    QTemporaryFile reserve(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                           QStringLiteral(".XXXXXX.part"));
    if (!reserve.open()) {
        *error = reserve.errorString();
        return {};
    }
    return reserve.fileName(); // removed again as reserve ends
}

// Why the engine stopped receiving, in words; its own text for some reasons is wrong.
QString interruptText(const QWebEngineDownloadRequest *request)
{
    switch (int(request->interruptReason())) {
    case QWebEngineDownloadRequest::NetworkFailed:
    case QWebEngineDownloadRequest::NetworkDisconnected:
    case 38: // the engine's "content length mismatch", which this version does not name
        return QStringLiteral("the connection ended before the whole file had come");
    case QWebEngineDownloadRequest::NetworkTimeout:
        return QStringLiteral("the server stopped sending");
    case QWebEngineDownloadRequest::FileNoSpace:
        return QStringLiteral("the disk is full");
    case QWebEngineDownloadRequest::FileAccessDenied:
        return QStringLiteral("the folder cannot be written to");
    default:
        return request->interruptReasonString().toLower();
    }
}

QString failedText(const QString &target, const QString &why)
{
    return QStringLiteral("The file \"%1\" could not be downloaded: %2. Nothing was saved.")
        .arg(QDir::toNativeSeparators(target), why);
}

} // namespace

WebDownload *WebDownload::start(QWebEngineDownloadRequest *request, QStatusBar *strip)
{
    CommonDialogOptions options;
    options.DialogTitle = QStringLiteral("Save As");
    options.InitDir = request->downloadDirectory();
    options.FileName = request->suggestedFileName();
    options.Filter = QStringLiteral("All Files|*");
    // The save box asks about replacing an existing file; nothing asks again.
    options.ConfirmOverwrite = true;
    const std::optional<QString> chosen = FrmCD::CD().ShowSave(options);
    if (!chosen || chosen->isEmpty()) {
        request->cancel();
        return nullptr;
    }
    const QString target = QFileInfo(*chosen).absoluteFilePath();
    QString error;
    const QString part = partName(target, &error);
    if (part.isEmpty()) {
        request->cancel();
        MsgBoxEx(failedText(target, error), 103, 4, QStringLiteral("ERROR"));
        return nullptr;
    }
    request->setDownloadDirectory(QFileInfo(part).absolutePath());
    request->setDownloadFileName(QFileInfo(part).fileName());
    auto *download = new WebDownload(request, target, part);
    download->showIn(strip);
    request->accept();
    return download;
}

WebDownload::WebDownload(QWebEngineDownloadRequest *request, const QString &target,
                         const QString &part)
    : QObject(request), m_request(request), m_target(target), m_part(part)
{
    connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this,
            &WebDownload::showProgress);
    connect(request, &QWebEngineDownloadRequest::totalBytesChanged, this,
            &WebDownload::showProgress);
    // Queued: the end is handled, and any message shown, outside the engine's own call.
    connect(request, &QWebEngineDownloadRequest::stateChanged, this, &WebDownload::stateChanged,
            Qt::QueuedConnection);
    // On a broken connection the engine starts over on its own and then may wait for ever:
    // the first break ends the download.
    connect(
        request, &QWebEngineDownloadRequest::interruptReasonChanged, this,
        [this] {
            const auto reason = m_request->interruptReason();
            if (m_finished || reason == QWebEngineDownloadRequest::NoReason ||
                reason == QWebEngineDownloadRequest::UserCanceled)
                return;
            if (m_failure.isEmpty())
                m_failure = interruptText(m_request);
            m_request->cancel();
        },
        Qt::QueuedConnection);
    // A program that quits keeps no part of a file; the engine may not get round to it.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        cancel();
        removePart();
    });
}

WebDownload::~WebDownload()
{
    delete m_entry;
    if (!m_finished)
        removePart();
}

QString WebDownload::shortName() const
{
    return QFileInfo(m_target).fileName();
}

void WebDownload::showIn(QStatusBar *strip)
{
    if (!strip)
        return;
    m_entry = new QWidget(strip);
    m_entry->setObjectName(QStringLiteral("downloadProgress"));
    auto *layout = new QHBoxLayout(m_entry);
    layout->setContentsMargins(0, 0, 0, 0);
    m_label = new QLabel(m_entry);
    m_bar = new QProgressBar(m_entry);
    m_bar->setMaximumWidth(160);
    m_bar->setAccessibleName(QStringLiteral("Download progress"));
    m_stop = new QToolButton(m_entry);
    m_stop->setText(QStringLiteral("Cancel"));
    m_stop->setToolTip(QStringLiteral("Cancel the download of %1").arg(shortName()));
    connect(m_stop, &QToolButton::clicked, this, &WebDownload::cancel);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addWidget(m_stop);
    strip->addPermanentWidget(m_entry);
    showProgress();
}

void WebDownload::showProgress()
{
    if (!m_entry)
        return;
    const QLocale locale;
    const qint64 received = m_request->receivedBytes();
    const qint64 total = m_request->totalBytes();
    QString text =
        QStringLiteral("Downloading %1: %2").arg(shortName(), locale.formattedDataSize(received));
    if (total > 0) {
        text += QStringLiteral(" of %1").arg(locale.formattedDataSize(total));
        m_bar->setRange(0, 100);
        m_bar->setValue(int(std::clamp<qint64>(received * 100 / total, 0, 100)));
    } else {
        m_bar->setRange(0, 0); // size not known: the bar only shows it is moving
    }
    m_label->setText(text);
}

void WebDownload::cancel()
{
    if (m_finished)
        return;
    m_request->cancel();
}

void WebDownload::stateChanged()
{
    if (m_finished)
        return;
    switch (m_request->state()) {
    case QWebEngineDownloadRequest::DownloadRequested:
    case QWebEngineDownloadRequest::DownloadInProgress:
        return;
    case QWebEngineDownloadRequest::DownloadCancelled:
        finish(false, m_failure);
        return;
    case QWebEngineDownloadRequest::DownloadInterrupted:
        finish(false, m_failure.isEmpty() ? interruptText(m_request) : m_failure);
        return;
    case QWebEngineDownloadRequest::DownloadCompleted:
        break;
    }
    // Complete only when every byte announced has come and is in the file.
    const qint64 received = m_request->receivedBytes();
    const qint64 total = m_request->totalBytes();
    const QFileInfo part(m_part);
    if ((total > 0 && received != total) || !part.exists() || part.size() != received) {
        finish(false, QStringLiteral("%1 of %2 bytes arrived")
                          .arg(part.exists() ? part.size() : 0)
                          .arg(total > 0 ? total : received));
        return;
    }
    QString error;
    if (!replaceWithFinished(m_part, m_target, &error)) {
        finish(false, error);
        return;
    }
    finish(true);
}

void WebDownload::finish(bool saved, const QString &failure)
{
    m_finished = true;
    if (!saved)
        removePart();
    // The entry keeps the outcome a while; the bar and the button go at once.
    if (m_entry) {
        delete m_bar;
        delete m_stop;
        m_label->setText(
            saved ? QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(m_target))
            : failure.isEmpty()
                ? QStringLiteral("The download of %1 was cancelled. Nothing was saved.")
                      .arg(shortName())
                : QStringLiteral("The download of %1 failed. Nothing was saved.").arg(shortName()));
        QTimer::singleShot(OutcomeShownFor, m_entry.data(), &QObject::deleteLater);
        m_entry = nullptr;
    }
    emit finished(saved);
    if (!saved && !failure.isEmpty())
        MsgBoxEx(failedText(m_target, failure), 103, 4, QStringLiteral("ERROR"));
    deleteLater();
}

void WebDownload::removePart()
{
    QFile::remove(m_part);
    // The engine's own name for the file while it receives it.
    QFile::remove(m_part + QStringLiteral(".download"));
}
