#pragma once

#include "tools/ftp/CFtpFiles.h"
#include "tools/ftp/CTimeout.h"
#include "tools/ftp/FtpReplyParser.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>

#include <functional>

class SocketControl;

// FTP client engine: one control connection and one data connection. Every operation is
// synchronous for its caller and returns false on failure, leaving the cause in
// ftpGetLastError() and getFtpErrorDescription(). While it waits for the server it lets the
// event loop run, so the interface stays alive and cancelTransfer() can be called.
// Only one operation runs at a time; another one started meanwhile is refused (code 61).
class CFtpConnection : public QObject
{
    Q_OBJECT

public:
    // The values stateChanged() reports.
    enum FtpState {
        ResolvingHost = 0,
        HostResolved = 1,
        Connected = 2,
        Authentication = 3,
        LoggedIn = 4,
        DataConnecting = 5,
        DataReady = 6,
        RetrievingDirectory = 7,
        ListingCompleted = 8,
        TransferInProgress = 9,
        TransferCompleted = 10
    };

    // tickMs is the length of one time-out tick (a second, shorter in tests).
    explicit CFtpConnection(QObject *parent = nullptr, int tickMs = 1000);
    ~CFtpConnection() override;

    int ftpGetLastError() const { return m_lastError; }
    QString getFtpErrorDescription() const { return m_lastErrorText; }
    QString currentDirectory() const { return m_currentDirectory; }
    QString getLastServerResponse() const;

    int transferMode() const { return m_transferMode; }
    // 0 is ASCII, anything else binary; sends TYPE only when the mode changes.
    bool setTransferMode(int mode);
    bool passiveMode() const { return m_passiveMode; }
    void setPassiveMode(bool passive) { m_passiveMode = passive; }
    // "host" or "host:port"; the port is 21 when none is given.
    QString ftpServer() const { return m_ftpServer; }
    void setFtpServer(const QString &server) { m_ftpServer = server; }
    QString userName() const { return m_userName; }
    void setUserName(const QString &name) { m_userName = name; }
    QString password() const { return m_password; }
    void setPassword(const QString &password) { m_password = password; }
    int timeout() const { return m_timeout.timeoutValue(); }
    void setTimeout(int seconds) { m_timeout.setTimeoutValue(seconds); }
    bool busy() const { return m_busy; }
    // A listing, download or upload is under way (cancelTransfer() applies).
    bool transferRunning() const { return m_job != DataJob::None; }

    bool connectToServer();
    bool enumFiles(CFtpFiles &files);
    // Names given as text go out as UTF-8; names taken from a listing go out as the
    // server's own bytes (CFtpFile::rawName), whatever their encoding.
    bool setCurrentDirectory(const QString &path);
    bool setCurrentDirectory(const QByteArray &path);
    bool setParentAsCurrentDirectory();
    QString getCurrentDirectory();
    // The current directory as the server's bytes.
    QByteArray currentDirectoryRaw() const { return m_currentDirectoryRaw; }
    bool createDirectory(const QString &name);
    bool removeDirectory(const QString &name);
    bool removeDirectory(const QByteArray &name);
    bool deleteFile(const QString &name);
    bool deleteFile(const QByteArray &name);
    bool renameFile(const QString &oldName, const QString &newName);
    bool renameFile(const QByteArray &oldName, const QByteArray &newName);
    // In binary mode a download whose byte count differs from the size the server announced
    // (SIZE, or "(n bytes)" in its 150 reply) fails, whatever the final reply says.
    bool downloadFile(const QString &remoteName, const QString &localPath, int mode,
                      qint64 startOffset = 0);
    bool downloadFile(const QByteArray &remoteName, const QString &localPath, int mode,
                      qint64 startOffset = 0);
    // A resumed upload appends (APPE) when the remote file is exactly startOffset bytes long,
    // else it sends REST and STOR; a new file goes with REST 0 and STOR. The upload is
    // complete (state 10) with the server's final reply; progress counts the bytes the
    // server has taken, not those still queued in this system.
    bool uploadFile(const QString &localPath, const QString &remoteName, int mode,
                    qint64 startOffset = 0);
    bool uploadFile(const QString &localPath, const QByteArray &remoteName, int mode,
                    qint64 startOffset = 0);
    // Stops the running transfer; the transfer itself then returns false (code 63). A
    // transfer the server has already confirmed is left to end by itself and reports its
    // own outcome.
    bool cancelTransfer();
    // QUIT; refused while a transfer runs (code 59).
    bool closeConnection();
    // Drops both connections and any transfer at once, without a word to the server.
    void breakConnection();

    static QString anonymousPassword();

signals:
    void stateChanged(int state);
    void downloadProgress(qint64 bytes);
    void uploadProgress(qint64 bytes);
    void replyMessage(const QString &text); // the protocol log, passwords masked

private:
    enum class DataJob { None, Listing, Download, Upload };
    class BusyScope;

    // The one place that waits: runs the event loop until `done` holds, the time-out
    // passes (code 58) or the connection is broken off.
    bool waitFor(const std::function<bool()> &done);
    // Settling a cancel: reads and drops replies up to the one `last` accepts, true when it
    // came; a few silent ticks at most, whatever the time-out.
    bool dropRepliesUntil(const std::function<bool(const FtpReply &)> &last);
    bool readReply(FtpReply &reply);
    // Takes the next complete reply off the buffer and keeps it as the last server response.
    bool takeReply(FtpReply &reply);
    bool sendCommand(const QByteArray &verb, const QByteArray &argument = QByteArray(),
                     bool secret = false);
    bool command(const QByteArray &verb, const QByteArray &argument, std::initializer_list<int> ok,
                 FtpReply *reply = nullptr, bool secret = false);
    // SIZE of a remote file in the current type; -1 when the server gives none. False only
    // when the connection failed.
    bool querySize(const QByteArray &remoteName, qint64 &size);
    // False, with the cause set, when a download's start offset lies past the remote end.
    bool resumable(const QString &localPath, qint64 startOffset, qint64 remoteSize);
    bool runUpload(const QByteArray &verb, const QByteArray &remoteName, qint64 startOffset);
    bool processRestBeforeStore(qint64 startOffset);
    void describeCancelledUpload(const QByteArray &remoteName, qint64 total, qint64 delivered);
    void setError(int code, const QString &text);
    void setErrorCode(int code);
    void mapReply(const FtpReply &reply);
    void mapSocketError(int number, const QString &description);
    // Ends a connection wait: a time-out or a refusal aborts the socket, its code set.
    bool connectionEstablished(SocketControl *socket, bool waited);
    void setConnectionLost();
    // A command asked for while there is no control connection.
    void setNotConnected();
    bool controlConnected() const;

    // Greeting, USER and PASS on a fresh control connection.
    bool login();
    int processUser();
    int processPass();
    bool processPwd();
    bool processType(int mode);
    bool openDataConnection();
    bool processPasv();
    bool processPort();
    bool runDataCommand(const QByteArray &verb, const QByteArray &argument);
    void finishAbortedTransfer();
    bool transferConfirmed() const;
    bool abortedDuringSetup();
    void onPreliminaryReply();
    void resetTransfer();

    void onControlData();
    void onControlClosed();
    void onDataArrival();
    void takeData(QByteArrayView bytes);
    void onConnectionRequest(int requestId);
    void pumpUpload();
    // Reports what of an upload the server has taken so far.
    void reportDelivered();

    SocketControl *m_control;
    SocketControl *m_data;
    CTimeout m_timeout;

    QString m_userName;
    QString m_password;
    QString m_ftpServer;
    QString m_currentDirectory;
    QByteArray m_currentDirectoryRaw;
    bool m_passiveMode = false;
    bool m_busy = false;
    bool m_broken = false;
    int m_transferMode = 0;
    int m_lastError = 0;
    QString m_lastErrorText;
    QByteArray m_replyBuffer;
    QByteArray m_lastServerResponse;
    int m_lastReplyCode = 0;
    quint16 m_lastPort = 0;

    // The running data transfer.
    DataJob m_job = DataJob::None;
    QByteArray m_dataBlock; // every read from the data socket goes here
    QByteArray m_listing;
    QByteArray m_pending; // download bytes that came before the local file was open
    QString m_localPath;
    QFile m_file;
    qint64 m_startOffset = 0;
    qint64 m_bytesReceived = 0;
    qint64 m_bytesSent = 0;      // handed to the socket
    qint64 m_bytesAcked = 0;     // reported as sent: what left the local buffers
    qint64 m_expectedSize = -1;  // what the server announced for a download
    qint64 m_announcedSize = -1; // "(n bytes)" of the 150 reply
    bool m_noServerData = false; // active mode: the server's data connection never came
    bool m_dataClosed = false;
    bool m_finalConfirmed = false; // the server's 2xx for the running transfer was taken
    bool m_dataFailed = false;
    bool m_uploadStarted = false;
    bool m_uploadEof = false;
    bool m_uploadFinished = false;
    bool m_aborSent = false;
    bool m_abortSettled = false; // the NOOP after a cancel was answered
    int m_abortCode = 0;         // 62 or 63 once the transfer was given up locally
    QString m_abortText;
};
