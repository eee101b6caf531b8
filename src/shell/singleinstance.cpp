#include "shell/singleinstance.h"

#include "shell/shellglobals.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QWidget>

#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstance, "marlux.instance", QtWarningMsg)

namespace {
const QByteArray activateRequest = "activate\n";
} // namespace

SingleInstance::SingleInstance(const QString &key, QObject *parent) : QObject(parent)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    // The socket lives beside its lock: a bare name would put it in the shared temporary folder,
    // where a start with another runtime folder would remove this one's socket as stale.
    m_serverName = QStringLiteral("%1/%2-%3").arg(folder, key.toLower()).arg(getuid());
    m_lock = std::make_unique<QLockFile>(m_serverName + ".lock");
    m_lock->setStaleLockTime(0);
    connect(this, &SingleInstance::activationRequested, this, &ActivateMainWindow);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    if (!m_lock->tryLock(0)) {
        if (askRunningInstance())
            return false;
        // The holder does not answer: a stale lock of a dead process.
        m_lock->removeStaleLockFile();
        if (!m_lock->tryLock(0))
            return false;
    }
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(m_serverName))
        qCInfo(lcInstance) << "listening on" << m_serverName;
    else
        qCWarning(lcInstance) << "cannot listen on" << m_serverName << m_server->errorString();
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().startsWith(activateRequest.trimmed())) {
                    qCInfo(lcInstance) << "activation requested";
                    emit activationRequested();
                }
                socket->disconnectFromServer();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}

bool SingleInstance::askRunningInstance()
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(2000))
        return false;
    socket.write(activateRequest);
    socket.flush();
    socket.waitForBytesWritten(2000);
    socket.waitForDisconnected(1000);
    return true;
}

void ActivateMainWindow()
{
    if (!MainForm)
        return;
    // Only the minimised flag goes: a window that was maximised comes back maximised.
    if (MainForm->isMinimized())
        MainForm->setWindowState(MainForm->windowState() & ~Qt::WindowMinimized);
    MainForm->show();
    MainForm->raise();
    MainForm->activateWindow();
}
