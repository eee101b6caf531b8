#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QLabel;
class QProgressBar;
class QStatusBar;
class QToolButton;
class QWebEngineDownloadRequest;
class QWidget;

// A file that a link answers with instead of a page. It is received under a hidden name in
// the folder the user chose and takes the chosen name only once it has come whole, so that
// name never holds part of a file. While it comes, the status strip shows how far it is.
class WebDownload : public QObject
{
    Q_OBJECT

public:
    // Asks where to save the file and starts receiving it. Nothing when the user cancels the
    // save box or the folder cannot take the file (said so); the request is then refused.
    static WebDownload *start(QWebEngineDownloadRequest *request, QStatusBar *strip);
    ~WebDownload() override;

    // Stops receiving; nothing is kept, and the strip says so.
    void cancel();

signals:
    // The download has ended, the file saved whole under the chosen name or not at all.
    void finished(bool saved);

private:
    WebDownload(QWebEngineDownloadRequest *request, const QString &target, const QString &part);
    void showIn(QStatusBar *strip);
    void showProgress();
    void stateChanged();
    void finish(bool saved, const QString &failure = {});
    void removePart();
    QString shortName() const;

    QWebEngineDownloadRequest *m_request;
    QString m_target;
    QString m_part;
    // The strip's entry while the file comes: a label, a progress bar and a Cancel button.
    // When the download ends, the label alone stays a few seconds with the outcome.
    QPointer<QWidget> m_entry;
    QLabel *m_label = nullptr;
    QProgressBar *m_bar = nullptr;
    QToolButton *m_stop = nullptr;
    QString m_failure; // why the download was stopped, when not by the user
    bool m_finished = false;
};
