#include "platform/net/SocketControl.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

class TestSocketControl : public QObject
{
    Q_OBJECT

private slots:
    void connectStatesAndData();
    void refusedConnection();
    void peerCloseAndLocalClose();
    void closeDeliversSentData();
    void sendCompleteOnce();
    void emptySendCompletes();
    void listenAndAccept();
    void busyListenPort();
    void sendWhileClosed();
};

void TestSocketControl::connectStatesAndData()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    SocketControl socket;
    QCOMPARE(socket.state(), int(SocketControl::Closed));
    QList<int> states;
    QSignalSpy connectedSpy(&socket, &SocketControl::connected);
    QVERIFY(socket.connectToHost(QStringLiteral("127.0.0.1"), server.serverPort()));
    states << socket.state();
    QVERIFY(states.first() == SocketControl::ResolvingHost ||
            states.first() == SocketControl::HostResolved);
    QVERIFY(connectedSpy.wait(5000));
    QCOMPARE(socket.state(), int(SocketControl::Connected));
    QCOMPARE(socket.value(), socket.state());
    QCOMPARE(socket.remoteHostIP(), QStringLiteral("127.0.0.1"));
    QCOMPARE(socket.localIP(), QStringLiteral("127.0.0.1"));
    QVERIFY(socket.localPort() != 0);

    QVERIFY(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 5000));
    QTcpSocket *peer = server.nextPendingConnection();
    QSignalSpy arrival(&socket, &SocketControl::dataArrival);
    peer->write(QByteArray("\x00\xff"
                           "abc",
                           5));
    QVERIFY(arrival.wait(5000));
    QCOMPARE(socket.getData(), QByteArray("\x00\xff"
                                          "abc",
                                          5));
    QVERIFY(socket.sendData(QStringLiteral("\u00ffz")));
    QVERIFY(QTest::qWaitFor([&] { return peer->bytesAvailable() >= 2; }, 5000));
    QCOMPARE(peer->readAll(), QByteArray("\xff"
                                         "z"));
}

void TestSocketControl::refusedConnection()
{
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        port = probe.serverPort();
    }
    SocketControl socket;
    QSignalSpy errors(&socket, &SocketControl::error);
    QVERIFY(socket.connectToHost(QStringLiteral("127.0.0.1"), port));
    QVERIFY(errors.wait(5000));
    QCOMPARE(errors.first().at(0).toInt(), int(SocketControl::ErrConnectionRefused));
    QVERIFY(!errors.first().at(1).toString().isEmpty());
    QCOMPARE(socket.state(), int(SocketControl::Error));
    socket.close();
    QCOMPARE(socket.state(), int(SocketControl::Closed));
}

void TestSocketControl::peerCloseAndLocalClose()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    SocketControl socket;
    QSignalSpy closed(&socket, &SocketControl::closed);
    QSignalSpy arrival(&socket, &SocketControl::dataArrival);
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.serverPort());
    QVERIFY(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 5000));
    QTcpSocket *peer = server.nextPendingConnection();
    QTRY_COMPARE(socket.state(), int(SocketControl::Connected));
    // Bytes sent just before the close are handed out before the close event.
    peer->write("last words");
    peer->disconnectFromHost();
    QVERIFY(closed.wait(5000));
    QByteArray received = socket.getData();
    QCOMPARE(received, QByteArray("last words"));
    QVERIFY(arrival.count() >= 1);
    QCOMPARE(socket.state(), int(SocketControl::Closed));

    // A local close raises no close event.
    SocketControl local;
    QSignalSpy localClosed(&local, &SocketControl::closed);
    local.connectToHost(QStringLiteral("127.0.0.1"), server.serverPort());
    QTRY_COMPARE(local.state(), int(SocketControl::Connected));
    local.close();
    QCOMPARE(local.state(), int(SocketControl::Closed));
    QTest::qWait(50);
    QCOMPARE(localClosed.count(), 0);
}

void TestSocketControl::closeDeliversSentData()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    SocketControl socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.serverPort());
    QVERIFY(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 5000));
    QTcpSocket *peer = server.nextPendingConnection();
    QTRY_COMPARE(socket.state(), int(SocketControl::Connected));
    const QByteArray payload(8 << 20, 'x');
    QVERIFY(socket.sendData(payload));
    socket.close();
    QCOMPARE(socket.state(), int(SocketControl::Closed));
    QByteArray received;
    QVERIFY(QTest::qWaitFor(
        [&] {
            received += peer->readAll();
            return received.size() >= payload.size() ||
                   peer->state() == QAbstractSocket::UnconnectedState;
        },
        10000));
    received += peer->readAll();
    QCOMPARE(received.size(), payload.size());
}

void TestSocketControl::sendCompleteOnce()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    SocketControl socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.serverPort());
    QVERIFY(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 5000));
    QTcpSocket *peer = server.nextPendingConnection();
    QTRY_COMPARE(socket.state(), int(SocketControl::Connected));
    QSignalSpy complete(&socket, &SocketControl::sendComplete);
    QSignalSpy progress(&socket, &SocketControl::sendProgress);
    QVERIFY(socket.sendData(QByteArray(1 << 20, 'y')));
    qint64 received = 0;
    QVERIFY(QTest::qWaitFor(
        [&] {
            received += peer->readAll().size();
            return received == (1 << 20) && complete.count() > 0;
        },
        10000));
    QTest::qWait(20);
    QCOMPARE(complete.count(), 1);
    qint64 sent = 0;
    for (const QList<QVariant> &args : std::as_const(progress))
        sent += args.at(0).toLongLong();
    QCOMPARE(sent, 1 << 20);
    QCOMPARE(progress.last().at(1).toLongLong(), 0);
}

void TestSocketControl::emptySendCompletes()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    SocketControl socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.serverPort());
    QTRY_COMPARE(socket.state(), int(SocketControl::Connected));
    QSignalSpy complete(&socket, &SocketControl::sendComplete);
    QVERIFY(socket.sendData(QByteArray()));
    QVERIFY(complete.wait(2000));
    QCOMPARE(complete.count(), 1);
}

void TestSocketControl::listenAndAccept()
{
    SocketControl listener;
    QSignalSpy requests(&listener, &SocketControl::connectionRequest);
    QVERIFY(listener.listen(QHostAddress::LocalHost));
    QCOMPARE(listener.state(), int(SocketControl::Listening));
    const quint16 port = listener.localPort();
    QVERIFY(port != 0);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    client.write("early");
    QVERIFY(requests.wait(5000));
    const int id = requests.first().at(0).toInt();
    QCOMPARE(SocketControl::requestPeerAddress(id), QHostAddress(QHostAddress::LocalHost));
    // The listening socket closes itself and takes the connection over.
    listener.close();
    QSignalSpy arrival(&listener, &SocketControl::dataArrival);
    QVERIFY(listener.accept(id));
    QCOMPARE(listener.state(), int(SocketControl::Connected));
    QVERIFY(QTest::qWaitFor([&] { return listener.bytesAvailable() >= 5; }, 5000));
    QCOMPARE(listener.getData(), QByteArray("early"));
    QVERIFY(!listener.accept(id)); // taken already
    // A refused request is closed.
    SocketControl second;
    QSignalSpy secondRequests(&second, &SocketControl::connectionRequest);
    QVERIFY(second.listen(QHostAddress::LocalHost));
    QTcpSocket intruder;
    intruder.connectToHost(QHostAddress::LocalHost, second.localPort());
    QVERIFY(secondRequests.wait(5000));
    SocketControl::reject(secondRequests.first().at(0).toInt());
    QTRY_COMPARE(intruder.state(), QAbstractSocket::UnconnectedState);
}

void TestSocketControl::busyListenPort()
{
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::Any));
    SocketControl socket;
    QSignalSpy errors(&socket, &SocketControl::error);
    socket.setLocalPort(holder.serverPort());
    QVERIFY(!socket.listen());
    QCOMPARE(errors.count(), 1);
    QCOMPARE(socket.lastErrorNumber(), int(SocketControl::ErrAddressInUse));
    QCOMPARE(socket.state(), int(SocketControl::Closed));
}

void TestSocketControl::sendWhileClosed()
{
    SocketControl socket;
    QVERIFY(!socket.sendData(QByteArray("x")));
    QCOMPARE(socket.lastErrorNumber(), int(SocketControl::ErrWrongState));
    QVERIFY(socket.getData().isEmpty());
}

QTEST_GUILESS_MAIN(TestSocketControl)
#include "tst_socketcontrol.moc"
