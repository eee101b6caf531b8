#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Real FTP servers on 127.0.0.1 for the engine tests; each serves a fresh folder and stops
// when the object goes.
class FtpTestServer
{
public:
    virtual ~FtpTestServer();
    virtual bool start() = 0;
    void stop();
    quint16 port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    QString root() const { return m_root.path(); }
    // The folder anonymous users may write to.
    virtual QString writableFolder() const = 0;
    QString errorText() const { return m_error; }

protected:
    FtpTestServer();
    QTemporaryDir m_root;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

class PyFtpServer : public FtpTestServer
{
public:
    explicit PyFtpServer(const QStringList &options = {}) : m_options(options) {}
    bool start() override;
    QString writableFolder() const override { return QStringLiteral("/"); }

private:
    QStringList m_options;
};

// Anonymous only; uploads go to "/incoming".
class VsftpdServer : public FtpTestServer
{
public:
    bool start() override;
    QString writableFolder() const override { return QStringLiteral("/incoming"); }

private:
    QTemporaryDir m_work;
};

// A free TCP port on 127.0.0.1 at the time of asking.
quint16 freeLocalPort();
// Whether something accepts connections on 127.0.0.1:port.
bool waitForListener(quint16 port, int timeoutMs);
// Writes `size` pseudo-random bytes and returns the file's SHA-256 (hex).
QByteArray writeRandomFile(const QString &path, qint64 size, quint32 seed = 1);
QByteArray fileSha256(const QString &path);
