#include "platform/net/SocketControl.h"

#include <QHash>
#include <QMetaObject>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace {

// Connections accepted by some listening socket and not yet taken over by accept().
struct PendingConnections
{
    QHash<int, QTcpSocket *> sockets;
    int nextId = 1;
};

PendingConnections &pending()
{
    static PendingConnections table;
    return table;
}

// The machine's own address: the first IPv4 address of a running network interface other
// than the loopback, else the loopback.
QHostAddress machineAddress()
{
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!(flags & QNetworkInterface::IsRunning) || (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                return entry.ip();
        }
    }
    return QHostAddress(QHostAddress::LocalHost);
}

} // namespace

int winsockErrorNumber(int qtSocketError)
{
    switch (static_cast<QAbstractSocket::SocketError>(qtSocketError)) {
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::ProxyConnectionRefusedError:
        return SocketControl::ErrConnectionRefused;
    case QAbstractSocket::RemoteHostClosedError:
    case QAbstractSocket::ProxyConnectionClosedError:
        return SocketControl::ErrConnectionReset;
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::ProxyNotFoundError:
        return SocketControl::ErrHostNotFound;
    case QAbstractSocket::SocketAccessError:
    case QAbstractSocket::SocketAddressNotAvailableError:
        return SocketControl::ErrAddressNotAvailable;
    case QAbstractSocket::SocketResourceError:
        return SocketControl::ErrNoBuffers;
    case QAbstractSocket::SocketTimeoutError:
    case QAbstractSocket::ProxyConnectionTimeoutError:
        return SocketControl::ErrTimedOut;
    case QAbstractSocket::DatagramTooLargeError:
        return SocketControl::ErrMessageSize;
    case QAbstractSocket::NetworkError:
        return SocketControl::ErrNetworkDown;
    case QAbstractSocket::AddressInUseError:
        return SocketControl::ErrAddressInUse;
    case QAbstractSocket::UnsupportedSocketOperationError:
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
    case QAbstractSocket::ProxyAuthenticationRequiredError:
    case QAbstractSocket::ProxyProtocolError:
        return SocketControl::ErrProtocolNotSupported;
    case QAbstractSocket::UnfinishedSocketOperationError:
        return SocketControl::ErrInProgress;
    case QAbstractSocket::TemporaryError:
        return SocketControl::ErrWouldBlock;
    case QAbstractSocket::OperationError:
        return SocketControl::ErrWrongState;
    case QAbstractSocket::UnknownSocketError:
        break;
    }
    return SocketControl::ErrConnectionAborted;
}

SocketControl::SocketControl(QObject *parent) : QObject(parent) {}

SocketControl::~SocketControl()
{
    abort();
    for (const QPointer<QTcpSocket> &socket : std::as_const(m_detached))
        delete socket.data();
}

quint16 SocketControl::localPort() const
{
    if (m_socket)
        return m_socket->localPort();
    if (m_server)
        return m_server->serverPort();
    return m_localPort;
}

bool SocketControl::connectToHost(const QString &host, quint16 port)
{
    m_remoteHost = host;
    m_remotePort = port;
    return connectToHost();
}

bool SocketControl::connectToHost()
{
    if (state() != Closed) {
        raiseError(ErrWrongState, tr("Wrong protocol or connection state for the requested "
                                     "transaction or request"));
        return false;
    }
    reapDetached();
    auto *socket = new QTcpSocket(this);
    adopt(socket);
    if (m_localPort != 0 && !socket->bind(QHostAddress::Any, m_localPort)) {
        const int number = winsockErrorNumber(socket->error());
        const QString text = socket->errorString();
        detach(false);
        raiseError(number, text);
        return false;
    }
    socket->connectToHost(m_remoteHost, m_remotePort);
    return true;
}

bool SocketControl::listen(const QHostAddress &address)
{
    if (state() != Closed) {
        raiseError(ErrWrongState, tr("Wrong protocol or connection state for the requested "
                                     "transaction or request"));
        return false;
    }
    m_server = new QTcpServer(this);
    connect(m_server, &QTcpServer::newConnection, this, &SocketControl::onNewConnection);
    const QHostAddress bindAddress = address.isNull() ? QHostAddress(QHostAddress::Any) : address;
    if (!m_server->listen(bindAddress, m_localPort)) {
        const int number = winsockErrorNumber(m_server->serverError());
        const QString text = m_server->errorString();
        delete m_server;
        m_server = nullptr;
        raiseError(number, text);
        return false;
    }
    m_errorState = false;
    return true;
}

void SocketControl::onNewConnection()
{
    while (m_server && m_server->hasPendingConnections()) {
        QTcpSocket *socket = m_server->nextPendingConnection();
        socket->setParent(nullptr);
        const int id = pending().nextId++;
        pending().sockets.insert(id, socket);
        emit connectionRequest(id);
    }
}

bool SocketControl::accept(int requestId)
{
    QTcpSocket *socket = pending().sockets.take(requestId);
    if (!socket) {
        raiseError(ErrWrongState, tr("Invalid connection request"));
        return false;
    }
    if (state() != Closed) {
        pending().sockets.insert(requestId, socket);
        raiseError(ErrWrongState, tr("Wrong protocol or connection state for the requested "
                                     "transaction or request"));
        return false;
    }
    socket->setParent(this);
    adopt(socket);
    if (socket->state() != QAbstractSocket::ConnectedState) {
        // The peer left before we took the connection over; bytes it sent stay readable.
        QMetaObject::invokeMethod(this, &SocketControl::onDisconnected, Qt::QueuedConnection);
    } else if (socket->bytesAvailable() > 0) {
        const qint64 count = socket->bytesAvailable();
        QMetaObject::invokeMethod(
            this, [this, count] { emit dataArrival(count); }, Qt::QueuedConnection);
    }
    return true;
}

void SocketControl::reject(int requestId)
{
    if (QTcpSocket *socket = pending().sockets.take(requestId)) {
        socket->abort();
        socket->deleteLater();
    }
}

QHostAddress SocketControl::requestPeerAddress(int requestId)
{
    const QTcpSocket *socket = pending().sockets.value(requestId);
    return socket ? socket->peerAddress() : QHostAddress();
}

void SocketControl::adopt(QTcpSocket *socket)
{
    detach(false);
    m_socket = socket;
    m_socket->setReadBufferSize(m_readBufferSize);
    m_errorState = false;
    m_sendCompletePosted = false;
    connect(socket, &QTcpSocket::connected, this, &SocketControl::connected);
    connect(socket, &QTcpSocket::readyRead, this, [this] {
        if (m_socket && m_socket->bytesAvailable() > 0)
            emit dataArrival(m_socket->bytesAvailable());
    });
    connect(socket, &QTcpSocket::bytesWritten, this, [this](qint64 written) {
        if (!m_socket)
            return;
        const qint64 remaining = m_socket->bytesToWrite();
        emit sendProgress(written, remaining);
        if (remaining == 0 && m_socket)
            emit sendComplete();
    });
    connect(socket, &QTcpSocket::errorOccurred, this, &SocketControl::onSocketError);
    connect(socket, &QTcpSocket::disconnected, this, &SocketControl::onDisconnected);
}

void SocketControl::onSocketError()
{
    if (!m_socket)
        return;
    const QAbstractSocket::SocketError qtError = m_socket->error();
    // A peer's orderly close is the close event, not an error.
    if (qtError == QAbstractSocket::RemoteHostClosedError)
        return;
    m_errorState = true;
    raiseError(winsockErrorNumber(qtError), m_socket->errorString());
}

void SocketControl::onDisconnected()
{
    if (!m_socket)
        return;
    // Bytes that came with the close are handed out before the close is reported.
    if (m_socket->bytesAvailable() > 0)
        emit dataArrival(m_socket->bytesAvailable());
    if (m_socket && !m_errorState)
        emit closed();
}

bool SocketControl::sendData(const QByteArray &bytes)
{
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState) {
        raiseError(ErrWrongState, tr("Wrong protocol or connection state for the requested "
                                     "transaction or request"));
        return false;
    }
    if (bytes.isEmpty()) {
        // An empty send still completes, so a sender pacing itself on sendComplete goes on.
        if (!m_sendCompletePosted && m_socket->bytesToWrite() == 0) {
            m_sendCompletePosted = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_sendCompletePosted = false;
                    if (m_socket)
                        emit sendComplete();
                },
                Qt::QueuedConnection);
        }
        return true;
    }
    if (m_socket->write(bytes) != bytes.size()) {
        raiseError(winsockErrorNumber(m_socket->error()), m_socket->errorString());
        return false;
    }
    return true;
}

bool SocketControl::sendData(const QString &text)
{
    return sendData(text.toLatin1());
}

QByteArray SocketControl::getData()
{
    return m_socket ? m_socket->readAll() : QByteArray();
}

qint64 SocketControl::read(char *data, qint64 maxSize)
{
    return m_socket ? std::max<qint64>(m_socket->read(data, maxSize), 0) : 0;
}

void SocketControl::setReadBufferSize(qint64 bytes)
{
    m_readBufferSize = bytes;
    if (m_socket)
        m_socket->setReadBufferSize(bytes);
}

qint64 SocketControl::bytesAvailable() const
{
    return m_socket ? m_socket->bytesAvailable() : 0;
}

qint64 SocketControl::bytesToWrite() const
{
    return m_socket ? m_socket->bytesToWrite() : 0;
}

qint64 SocketControl::unacknowledgedBytes() const
{
    if (!m_socket || m_socket->socketDescriptor() < 0)
        return 0;
    int queued = 0;
    if (::ioctl(int(m_socket->socketDescriptor()), SIOCOUTQ, &queued) != 0 || queued < 0)
        return 0;
    return queued;
}

bool SocketControl::shutdownSend()
{
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState ||
        m_socket->bytesToWrite() > 0 || m_socket->socketDescriptor() < 0)
        return false;
    return ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR) == 0;
}

void SocketControl::checkPendingConnections()
{
    if (m_server && m_server->isListening())
        m_server->waitForNewConnection(0);
}

void SocketControl::detach(bool graceful)
{
    if (!m_socket)
        return;
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    disconnect(socket, nullptr, this, nullptr);
    if (graceful && socket->state() == QAbstractSocket::ConnectedState &&
        socket->bytesToWrite() > 0) {
        // Let the socket flush on its own; it is deleted once it has closed.
        socket->disconnectFromHost();
        if (socket->state() != QAbstractSocket::UnconnectedState) {
            m_detached.append(socket);
            return;
        }
    }
    socket->abort();
    socket->deleteLater();
}

void SocketControl::reapDetached()
{
    for (qsizetype i = m_detached.size() - 1; i >= 0; --i) {
        QTcpSocket *socket = m_detached.at(i).data();
        if (!socket || socket->state() == QAbstractSocket::UnconnectedState) {
            delete socket;
            m_detached.removeAt(i);
        }
    }
}

void SocketControl::close()
{
    reapDetached();
    if (m_server) {
        delete m_server;
        m_server = nullptr;
    }
    detach(true);
    m_errorState = false;
}

void SocketControl::abort()
{
    if (m_server) {
        delete m_server;
        m_server = nullptr;
    }
    detach(false);
    m_errorState = false;
}

int SocketControl::state() const
{
    if (m_errorState)
        return Error;
    if (m_server)
        return Listening;
    if (!m_socket)
        return Closed;
    switch (m_socket->state()) {
    case QAbstractSocket::HostLookupState:
        return ResolvingHost;
    case QAbstractSocket::ConnectingState:
        return HostResolved;
    case QAbstractSocket::ConnectedState:
        return Connected;
    case QAbstractSocket::ClosingState:
        return Closing;
    case QAbstractSocket::BoundState:
        return Open;
    case QAbstractSocket::ListeningState:
        return Listening;
    case QAbstractSocket::UnconnectedState:
        break;
    }
    return Closed;
}

QString SocketControl::localIP() const
{
    QHostAddress address;
    if (m_socket)
        address = m_socket->localAddress();
    else if (m_server)
        address = m_server->serverAddress();
    if (address.isNull())
        address = machineAddress(); // no connection names one
    return address.toString();
}

QString SocketControl::remoteHostIP() const
{
    return peerAddress().toString();
}

QHostAddress SocketControl::peerAddress() const
{
    return m_socket ? m_socket->peerAddress() : QHostAddress();
}

void SocketControl::raiseError(int number, const QString &description)
{
    m_lastErrorNumber = number;
    m_lastErrorDescription = description;
    emit error(number, description);
}
