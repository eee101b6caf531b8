#pragma once

#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <functional>

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

// The engine against a scripted peer in this process, for replies real servers do not give.
// Answers each command line through `answer`; an empty answer means silence.
class ScriptedPeer : public QObject
{
public:
    // A passive data listener: pasvReply() names it, dataSocket is its connection.
    QTcpServer data;
    QTcpSocket *dataSocket = nullptr;
    QByteArray pasvReply() const
    {
        return QStringLiteral("227 ok (127,0,0,1,%1,%2)\r\n")
            .arg(data.serverPort() / 256)
            .arg(data.serverPort() % 256)
            .toLatin1();
    }

    std::function<QByteArray(const QByteArray &line)> answer;
    QByteArray greeting = "220 ready\r\n";
    QList<QByteArray> lines;
    QTcpSocket *control = nullptr;

    ScriptedPeer()
    {
        data.listen(QHostAddress::LocalHost);
        connect(&data, &QTcpServer::newConnection, this,
                [this] { dataSocket = data.nextPendingConnection(); });
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            control = m_server.nextPendingConnection();
            connect(control, &QTcpSocket::readyRead, this, &ScriptedPeer::onLine);
            if (!greeting.isEmpty())
                control->write(greeting);
        });
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }
    void send(const QByteArray &bytes) { control->write(bytes); }

private:
    void onLine()
    {
        while (control->canReadLine()) {
            const QByteArray line = control->readLine().trimmed();
            lines << line;
            QByteArray reply;
            if (answer)
                reply = answer(line);
            else if (line.startsWith("USER"))
                reply = "230 in\r\n";
            else if (line.startsWith("PWD"))
                reply = "257 \"/\"\r\n";
            if (!reply.isEmpty())
                control->write(reply);
        }
    }

    QTcpServer m_server;
};
