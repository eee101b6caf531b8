#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpServer;
class QTcpSocket;

// A TCP socket object that connects, listens or adopts an accepted connection, reports
// numbered states and raises errors with Windows Sockets numbers, which the FTP and telnet
// code above it works with.
class SocketControl : public QObject
{
    Q_OBJECT

public:
    enum State {
        Closed = 0,
        Open = 1,
        Listening = 2,
        ConnectionPending = 3,
        ResolvingHost = 4,
        HostResolved = 5,
        Connecting = 6,
        Connected = 7,
        Closing = 8,
        Error = 9
    };

    // Windows Sockets numbers and the control's own numbers used here.
    enum ErrorNumber {
        ErrInterrupted = 10004,
        ErrWouldBlock = 10035,
        ErrInProgress = 10036,
        ErrMessageSize = 10040,
        ErrProtocolNotSupported = 10043,
        ErrAddressInUse = 10048,
        ErrAddressNotAvailable = 10049,
        ErrNetworkDown = 10050,
        ErrConnectionAborted = 10053,
        ErrConnectionReset = 10054,
        ErrNoBuffers = 10055,
        ErrTimedOut = 10060,
        ErrConnectionRefused = 10061,
        ErrHostNotFound = 11001,
        ErrWrongState = 40006
    };

    explicit SocketControl(QObject *parent = nullptr);
    ~SocketControl() override;

    QString remoteHost() const { return m_remoteHost; }
    void setRemoteHost(const QString &host) { m_remoteHost = host; }
    quint16 remotePort() const { return m_remotePort; }
    void setRemotePort(quint16 port) { m_remotePort = port; }
    quint16 localPort() const;
    void setLocalPort(quint16 port) { m_localPort = port; }

    // Starts connecting without blocking; success shows as state 7 and connected(),
    // failure as error().
    bool connectToHost();
    bool connectToHost(const QString &host, quint16 port);
    // Listens on localPort() (on the given address, all when null); false and error() on failure.
    bool listen(const QHostAddress &address = QHostAddress());
    // Takes over the pending connection `requestId` announced by some socket's
    // connectionRequest(); the socket must be closed.
    bool accept(int requestId);
    // Closes a pending connection nobody wants.
    static void reject(int requestId);
    static QHostAddress requestPeerAddress(int requestId);

    bool sendData(const QByteArray &bytes);
    bool sendData(const QString &text); // each character one byte (Latin-1)
    QByteArray getData();
    // Copies up to maxSize received bytes into data: the count, 0 when none wait.
    qint64 read(char *data, qint64 maxSize);
    // Caps the received bytes the socket holds unread (0: no cap), for this and later
    // connections, so that what it takes from the system at a time stays small however much
    // has arrived; the system keeps the rest until read() has made room.
    void setReadBufferSize(qint64 bytes);
    qint64 bytesAvailable() const;
    qint64 bytesToWrite() const;
    // Bytes given to the system but not yet acknowledged by the peer (0 when unknown).
    qint64 unacknowledgedBytes() const;
    // Takes in a connection the system already accepted but whose notice has not come yet.
    void checkPendingConnections();

    // Ends the sending direction once every byte has left this process: the peer sees the end
    // of the data while the socket stays open, so unacknowledgedBytes() keeps counting what is
    // still on its way. False when there is no connection or bytes still wait to be written.
    bool shutdownSend();
    // Ends the connection or the listening; bytes already sent still reach the peer.
    // A local close raises no close event.
    void close();
    // Ends the connection at once, dropping unsent bytes.
    void abort();

    int state() const;
    int value() const { return state(); }
    // The address of this end of the connection, or the machine's own while there is none.
    QString localIP() const;
    QString remoteHostIP() const;
    QHostAddress peerAddress() const;

    int lastErrorNumber() const { return m_lastErrorNumber; }
    QString lastErrorDescription() const { return m_lastErrorDescription; }

signals:
    void connected();
    void dataArrival(qint64 bytes);
    void connectionRequest(int requestId);
    void sendProgress(qint64 bytesSent, qint64 bytesRemaining);
    void sendComplete();
    void closed(); // the peer closed the connection
    void error(int number, const QString &description);

private:
    void adopt(QTcpSocket *socket);
    void detach(bool graceful);
    void raiseError(int number, const QString &description);
    void onSocketError();
    void onDisconnected();
    void onNewConnection();
    void reapDetached();

    QString m_remoteHost;
    quint16 m_remotePort = 0;
    quint16 m_localPort = 0;
    qint64 m_readBufferSize = 0;
    QTcpSocket *m_socket = nullptr;
    QTcpServer *m_server = nullptr;
    bool m_errorState = false;
    bool m_sendCompletePosted = false;
    int m_lastErrorNumber = 0;
    QString m_lastErrorDescription;
    // Closed sockets still flushing their last bytes to the peer.
    QList<QPointer<QTcpSocket>> m_detached;
};

// The Windows Sockets number for a Qt socket error.
int winsockErrorNumber(int qtSocketError);
