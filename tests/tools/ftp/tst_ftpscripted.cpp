// The engine against a scripted peer in this process, for replies real servers do not give.
#include "FtpTestServers.h"
#include "tools/ftp/CFtpConnection.h"
#include "tools/ftp/FtpErrors.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <utility>

#include <sys/socket.h>

namespace {

QByteArray defaultAnswer(const QByteArray &line)
{
    if (line.startsWith("USER"))
        return "230 in\r\n";
    if (line.startsWith("PWD"))
        return "257 \"/\"\r\n";
    if (line.startsWith("TYPE") || line == "NOOP")
        return "200 ok\r\n";
    if (line.startsWith("SIZE") || line.startsWith("REST"))
        return "502 not here\r\n"; // uploads of new files go on without REST
    return QByteArray();
}

} // namespace

class TestFtpScripted : public QObject
{
    Q_OBJECT

private slots:
    void framing();
    void greetings();
    void unknownHost();
    void timeoutKeepsText();
    void unexpectedReplies();
    void passiveGoesToControlPeer();
    void activeAcceptsOnlyServer();
    void serverAbortsTransfer();
    void droppedConnection();
    void busyRefusal();
    void cancelDuringSetup();
    void cancelAnsweredOnce();
    void loginAndCommandRules();
    void cutDownloadFails();
    void cancelWithSingleAborReply();
    void uploadResume();
    void replyEdges();
    void activeDataFromElsewhere();
    void uploadProgressCountsDelivered();
    void noopOnlyAfterAborAnswer();
    void failedLoginClosesConnection();
    void resumePastTheEnd();
};

void TestFtpScripted::framing()
{
    ScriptedPeer peer;
    peer.greeting = "220-first line\r\n";
    peer.answer = [&](const QByteArray &line) -> QByteArray {
        if (line.startsWith("USER")) {
            // The answer comes in two pieces, the first without its line end.
            peer.send("33");
            QTimer::singleShot(30, &peer, [&] { peer.send("1 need password\r\n"); });
            return QByteArray();
        }
        if (line.startsWith("PASS")) {
            peer.send("230-welcome\r\n230 not yet\r\n");
            return QByteArray();
        }
        if (line.startsWith("PWD"))
            return "257 \"/a\"\"b\" is the folder\r\n";
        return QByteArray();
    };
    QTimer::singleShot(50, &peer, [&] {
        if (peer.control)
            peer.send("220 second line ends it\r\n");
    });
    CFtpConnection engine;
    engine.setFtpServer(peer.address());
    engine.setTimeout(10);
    QVERIFY2(engine.connectToServer(), qPrintable(engine.getFtpErrorDescription()));
    QCOMPARE(engine.currentDirectory(), QStringLiteral("/a\"b"));
    QCOMPARE(peer.lines.value(0), QByteArray("USER anonymous"));
    QCOMPARE(peer.lines.value(1),
             QByteArray("PASS ") + CFtpConnection::anonymousPassword().toLatin1());
    QCOMPARE(peer.lines.value(2), QByteArray("PWD"));
}

void TestFtpScripted::greetings()
{
    for (const auto &[greeting, code] :
         {std::pair{QByteArray("421 too many\r\n"), int(ftpErrServiceNotAvailable)},
          std::pair{QByteArray("120 in a minute\r\n"), int(ftpErrServiceReadySoon)}}) {
        ScriptedPeer peer;
        peer.greeting = greeting;
        CFtpConnection engine;
        engine.setFtpServer(peer.address());
        QVERIFY(!engine.connectToServer());
        QCOMPARE(engine.ftpGetLastError(), code);
        QVERIFY(!engine.busy());
    }
    CFtpConnection engine;
    QVERIFY(!engine.connectToServer()); // no server given
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrHostNotFound));
}

void TestFtpScripted::unknownHost()
{
    CFtpConnection engine;
    engine.setFtpServer(QStringLiteral("no-such-host.invalid"));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!engine.connectToServer());
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrHostNotFound));
    QVERIFY(clock.elapsed() < 10000);
}

void TestFtpScripted::timeoutKeepsText()
{
    ScriptedPeer peer;
    peer.answer = [](const QByteArray &line) -> QByteArray {
        if (line.startsWith("DELE"))
            return "550 no such file\r\n";
        if (line.startsWith("CWD"))
            return QByteArray(); // silence
        return defaultAnswer(line);
    };
    CFtpConnection engine(nullptr, 10);
    engine.setFtpServer(peer.address());
    QVERIFY(engine.connectToServer());
    engine.setTimeout(5);
    QVERIFY(!engine.deleteFile(QStringLiteral("x")));
    const QString text = engine.getFtpErrorDescription();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!engine.setCurrentDirectory(QStringLiteral("/slow")));
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrTimeout));
    QCOMPARE(engine.getFtpErrorDescription(), text);
    QVERIFY(clock.elapsed() >= 50);
    QVERIFY(!engine.busy());
}

void TestFtpScripted::unexpectedReplies()
{
    ScriptedPeer peer;
    bool quotedPwd = true;
    peer.answer = [&](const QByteArray &line) -> QByteArray {
        if (line.startsWith("CWD"))
            return "200 fine but wrong\r\n";
        if (line.startsWith("PWD"))
            return quotedPwd ? "257 \"/\"\r\n" : "257 no quotes here\r\n";
        if (line.startsWith("MKD"))
            return "xyz garbage\r\n";
        return defaultAnswer(line);
    };
    CFtpConnection engine;
    engine.setFtpServer(peer.address());
    QVERIFY(engine.connectToServer());
    QVERIFY(!engine.setCurrentDirectory(QStringLiteral("/x")));
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrUnexpectedReply));
    QCOMPARE(engine.getFtpErrorDescription(), QStringLiteral("200 fine but wrong"));
    quotedPwd = false;
    QVERIFY(engine.getCurrentDirectory().isEmpty());
    QCOMPARE(engine.currentDirectory(), QStringLiteral("/"));
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrUnexpectedReply));
    QVERIFY(!engine.createDirectory(QStringLiteral("d")));
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrUnexpectedReply));
}

void TestFtpScripted::passiveGoesToControlPeer()
{
    ScriptedPeer peer;
    QTcpServer data;
    QVERIFY(data.listen(QHostAddress::LocalHost));
    QTcpSocket *dataSocket = nullptr;
    connect(&data, &QTcpServer::newConnection, this,
            [&] { dataSocket = data.nextPendingConnection(); });
    peer.answer = [&](const QByteArray &line) -> QByteArray {
        if (line == "PASV") {
            const quint16 port = data.serverPort();
            // The reply names another host; the engine must not go there.
            return QStringLiteral("227 Entering Passive Mode (10,9,8,7,%1,%2)\r\n")
                .arg(port / 256)
                .arg(port % 256)
                .toLatin1();
        }
        if (line == "LIST") {
            QTimer::singleShot(0, &peer, [&] {
                dataSocket->write("-rw-r--r-- 1 o g 5 Jan 1 2001 a b\r\n");
                dataSocket->disconnectFromHost();
                peer.send("226 done\r\n");
            });
            return "150 here it comes\r\n";
        }
        return defaultAnswer(line);
    };
    CFtpConnection engine;
    engine.setFtpServer(peer.address());
    engine.setPassiveMode(true);
    QString log;
    connect(&engine, &CFtpConnection::replyMessage, this, [&](const QString &t) { log += t; });
    QVERIFY(engine.connectToServer());
    CFtpFiles files;
    QVERIFY2(engine.enumFiles(files), qPrintable(engine.getFtpErrorDescription()));
    QCOMPARE(files.count(), 1);
    QCOMPARE(files.item(1).filename, QStringLiteral("a b"));
    QVERIFY(log.contains(QStringLiteral("Connecting to: 127.0.0.1:%1").arg(data.serverPort())));
}

void TestFtpScripted::activeAcceptsOnlyServer()
{
    ScriptedPeer peer;
    QTcpSocket intruder;
    QTcpSocket server;
    quint16 port = 0;
    peer.answer = [&](const QByteArray &line) -> QByteArray {
        if (line.startsWith("PORT ")) {
            const QList<QByteArray> f = line.mid(5).split(',');
            port = quint16(f.value(4).toUInt() * 256 + f.value(5).toUInt());
            return "200 ok\r\n";
        }
        if (line == "LIST") {
            // Someone else gets there first, from another address.
            intruder.bind(QHostAddress(QStringLiteral("127.0.0.2")));
            intruder.connectToHost(QHostAddress::LocalHost, port);
            QTimer::singleShot(100, &peer, [&] {
                server.connectToHost(QHostAddress::LocalHost, port);
                connect(&server, &QTcpSocket::connected, &peer, [&] {
                    server.write("-rw-r--r-- 1 o g 5 Jan 1 2001 real\r\n");
                    server.disconnectFromHost();
                    peer.send("226 done\r\n");
                });
            });
            return "150 opening\r\n";
        }
        return defaultAnswer(line);
    };
    // The first active port is taken: the engine moves on to the next one.
    QTcpServer blocker;
    const bool blocked = blocker.listen(QHostAddress::Any, 1100);
    CFtpConnection engine;
    engine.setFtpServer(peer.address());
    QVERIFY(engine.connectToServer());
    CFtpFiles files;
    QVERIFY2(engine.enumFiles(files), qPrintable(engine.getFtpErrorDescription()));
    QCOMPARE(files.count(), 1);
    QCOMPARE(files.item(1).filename, QStringLiteral("real"));
    QVERIFY(port >= 1100);
    if (blocked)
        QVERIFY(port > 1100);
    QTRY_COMPARE(intruder.state(), QAbstractSocket::UnconnectedState);
}

void TestFtpScripted::serverAbortsTransfer()
{
    ScriptedPeer peer;
    QTcpServer data;
    QVERIFY(data.listen(QHostAddress::LocalHost));
    QTcpSocket *dataSocket = nullptr;
    connect(&data, &QTcpServer::newConnection, this,
            [&] { dataSocket = data.nextPendingConnection(); });
    peer.answer = [&](const QByteArray &line) -> QByteArray {
        if (line == "PASV")
            return QStringLiteral("227 ok (127,0,0,1,%1,%2)\r\n")
                .arg(data.serverPort() / 256)
                .arg(data.serverPort() % 256)
                .toLatin1();
        if (line.startsWith("RETR")) {
            QTimer::singleShot(0, &peer, [&] {
                dataSocket->write(QByteArray(1000, 'd'));
                dataSocket->flush();
                QTimer::singleShot(50, &peer, [&] {
                    peer.send("426 connection closed; transfer aborted\r\n");
                    dataSocket->disconnectFromHost();
                });
            });
            return "150 sending\r\n";
        }
        return defaultAnswer(line);
    };
    CFtpConnection engine;
    engine.setFtpServer(peer.address());
    engine.setPassiveMode(true);
    QVERIFY(engine.connectToServer());
    QTemporaryDir dir;
    QVERIFY(!engine.downloadFile(QStringLiteral("f"), dir.filePath(QStringLiteral("f")), 1, 0));
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrTransferAborted));
    QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("f"))).size(), 1000);
    QVERIFY(!engine.busy());
    QCOMPARE(engine.getCurrentDirectory(), QStringLiteral("/"));
}

void TestFtpScripted::droppedConnection()
{
    ScriptedPeer peer;
    CFtpConnection engine;
    engine.setFtpServer(peer.address());
    QVERIFY(engine.connectToServer());
    peer.control->disconnectFromHost();
    QTest::qWait(50);
    QVERIFY(!engine.setCurrentDirectory(QStringLiteral("/")));
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrWrongState));
    // In active mode too the cause named is the closed connection (code 4: the window
    // connects again on it).
    CFtpFiles files;
    QVERIFY(!engine.enumFiles(files));
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrWrongState));
    QVERIFY(engine.getFtpErrorDescription().contains(QLatin1String("control connection")));
}

void TestFtpScripted::busyRefusal()
{
    ScriptedPeer peer;
    peer.answer = [&](const QByteArray &line) -> QByteArray {
        if (line.startsWith("CWD")) {
            QTimer::singleShot(100, &peer, [&] { peer.send("250 ok\r\n"); });
            return QByteArray();
        }
        return defaultAnswer(line);
    };
    CFtpConnection engine;
    engine.setFtpServer(peer.address());
    QVERIFY(engine.connectToServer());
    bool nested = true;
    int nestedCode = 0;
    QTimer::singleShot(20, this, [&] {
        QVERIFY(engine.busy());
        nested = engine.deleteFile(QStringLiteral("x"));
        nestedCode = engine.ftpGetLastError();
    });
    QVERIFY(engine.setCurrentDirectory(QStringLiteral("/slow")));
    QVERIFY(!nested);
    QCOMPARE(nestedCode, int(ftpErrOperationInProgress));
    QVERIFY(!peer.lines.contains("DELE x"));
}

void TestFtpScripted::cancelDuringSetup()
{
    ScriptedPeer peer;
    peer.answer = [&](const QByteArray &line) -> QByteArray {
        if (line.startsWith("TYPE")) {
            QTimer::singleShot(100, &peer, [&] { peer.send("200 ok\r\n"); });
            return QByteArray();
        }
        if (line == "ABOR")
            return "225 nothing to abort\r\n";
        return defaultAnswer(line);
    };
    CFtpConnection engine;
    engine.setFtpServer(peer.address());
    engine.setPassiveMode(true);
    QVERIFY(engine.connectToServer());
    bool closed = true;
    int closeCode = 0;
    QTimer::singleShot(20, this, [&] {
        closed = engine.closeConnection();
        closeCode = engine.ftpGetLastError();
        QVERIFY(engine.cancelTransfer());
    });
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("f"));
    QVERIFY(!engine.downloadFile(QStringLiteral("f"), local, 1, 0));
    QVERIFY(!closed);
    QCOMPARE(closeCode, int(ftpErrTransferInProgress));
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrCancelled));
    QVERIFY(!QFile::exists(local));
    QVERIFY(!peer.lines.contains("PASV"));
    QCOMPARE(engine.getCurrentDirectory(), QStringLiteral("/"));
}

void TestFtpScripted::cancelAnsweredOnce()
{
    // Some servers close a cancelled transfer quietly and answer ABOR alone with 225.
    ScriptedPeer peer;
    QTcpServer data;
    QVERIFY(data.listen(QHostAddress::LocalHost));
    QTcpSocket *dataSocket = nullptr;
    connect(&data, &QTcpServer::newConnection, this,
            [&] { dataSocket = data.nextPendingConnection(); });
    peer.answer = [&](const QByteArray &line) -> QByteArray {
        if (line == "PASV")
            return QStringLiteral("227 ok (127,0,0,1,%1,%2)\r\n")
                .arg(data.serverPort() / 256)
                .arg(data.serverPort() % 256)
                .toLatin1();
        if (line.startsWith("RETR")) {
            QTimer::singleShot(0, &peer, [&] { dataSocket->write(QByteArray(5000, 'd')); });
            return "150 sending\r\n";
        }
        if (line == "ABOR")
            return "225 ABOR command successful; data channel closed.\r\n";
        return defaultAnswer(line);
    };
    CFtpConnection engine;
    engine.setFtpServer(peer.address());
    engine.setPassiveMode(true);
    engine.setTimeout(5);
    QVERIFY(engine.connectToServer());
    connect(&engine, &CFtpConnection::downloadProgress, this, [&] { engine.cancelTransfer(); });
    QTemporaryDir dir;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!engine.downloadFile(QStringLiteral("f"), dir.filePath(QStringLiteral("f")), 1, 0));
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrCancelled));
    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(engine.getCurrentDirectory(), QStringLiteral("/"));
}

void TestFtpScripted::loginAndCommandRules()
{
    ScriptedPeer peer;
    peer.answer = [&](const QByteArray &line) -> QByteArray {
        if (line.startsWith("TYPE"))
            return "500 no types here\r\n";
        if (line.startsWith("RNFR"))
            return "550 no such file\r\n";
        return defaultAnswer(line);
    };
    // Only "anonymous" gets the default password; other users need their own.
    CFtpConnection engine;
    engine.setFtpServer(peer.address());
    engine.setUserName(QStringLiteral("Anonymous"));
    QVERIFY(!engine.connectToServer());
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrNotLoggedIn));
    QVERIFY(peer.lines.isEmpty());
    engine.setUserName(QString());
    QVERIFY(engine.connectToServer());
    QCOMPARE(engine.userName(), QStringLiteral("anonymous"));
    QCOMPARE(engine.password(), CFtpConnection::anonymousPassword());

    // A refused transfer mode keeps the old one.
    QVERIFY(!engine.setTransferMode(1));
    QCOMPARE(engine.ftpGetLastError(), 47);
    QCOMPARE(engine.transferMode(), 0);
    // RNTO goes out only after RNFR succeeded.
    QVERIFY(!engine.renameFile(QStringLiteral("a"), QStringLiteral("b")));
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrFileUnavailable));
    QVERIFY(!peer.lines.contains("RNTO b"));
}

void TestFtpScripted::cutDownloadFails()
{
    // The server sends 64 KiB of a 1 MiB file and still says 226: once announced by SIZE,
    // once only in the 150 reply.
    for (const bool bySize : {true, false}) {
        ScriptedPeer peer;
        peer.answer = [&](const QByteArray &line) -> QByteArray {
            if (line == "PASV")
                return peer.pasvReply();
            if (line.startsWith("SIZE"))
                return bySize ? "213 1048576\r\n" : "550 no size here\r\n";
            if (line.startsWith("RETR")) {
                QTimer::singleShot(20, &peer, [&] {
                    peer.dataSocket->write(QByteArray(65536, 'c'));
                    peer.dataSocket->disconnectFromHost();
                    QTimer::singleShot(20, &peer, [&] { peer.send("226 Transfer complete\r\n"); });
                });
                return bySize ? "150 Opening BINARY mode data connection\r\n"
                              : "150 Opening BINARY mode data connection for f (1048576 bytes)\r\n";
            }
            return defaultAnswer(line);
        };
        CFtpConnection engine;
        engine.setFtpServer(peer.address());
        engine.setPassiveMode(true);
        engine.setTimeout(10);
        QVERIFY(engine.connectToServer());
        QTemporaryDir dir;
        const QString local = dir.filePath(QStringLiteral("f"));
        bool completed = false;
        connect(&engine, &CFtpConnection::stateChanged, this, [&](int state) {
            completed = completed || state == CFtpConnection::TransferCompleted;
        });
        QVERIFY(!engine.downloadFile(QStringLiteral("f"), local, 1, 0));
        QCOMPARE(engine.ftpGetLastError(), int(ftpErrTransferAborted));
        QVERIFY(engine.getFtpErrorDescription().contains(QLatin1String("1048576")));
        QVERIFY(!completed);
        QCOMPARE(QFileInfo(local).size(), 65536); // kept for a resume
        QVERIFY(!engine.busy());
    }
}

void TestFtpScripted::cancelWithSingleAborReply()
{
    // Like some servers: ABOR during a transfer gets one 226 and nothing else.
    for (const bool passive : {true, false}) {
        ScriptedPeer peer;
        QTcpSocket active;
        quint16 port = 0;
        peer.answer = [&](const QByteArray &line) -> QByteArray {
            if (line == "PASV")
                return peer.pasvReply();
            if (line.startsWith("PORT ")) {
                const QList<QByteArray> f = line.mid(5).split(',');
                port = quint16(f.value(4).toUInt() * 256 + f.value(5).toUInt());
                return "200 ok\r\n";
            }
            if (line.startsWith("RETR")) {
                QTimer::singleShot(0, &peer, [&] {
                    QTcpSocket *socket = passive ? peer.dataSocket : &active;
                    if (!passive)
                        active.connectToHost(QHostAddress::LocalHost, port);
                    QTimer::singleShot(50, &peer,
                                       [socket] { socket->write(QByteArray(5000, 'd')); });
                });
                return "150 Accepted data connection\r\n";
            }
            if (line == "ABOR")
                return "226 Since you see this ABOR must've succeeded\r\n";
            return defaultAnswer(line);
        };
        CFtpConnection engine;
        engine.setFtpServer(peer.address());
        engine.setPassiveMode(passive);
        engine.setTimeout(30);
        QVERIFY(engine.connectToServer());
        connect(&engine, &CFtpConnection::downloadProgress, this, [&] { engine.cancelTransfer(); });
        QTemporaryDir dir;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!engine.downloadFile(QStringLiteral("f"), dir.filePath(QStringLiteral("f")), 1, 0));
        QCOMPARE(engine.ftpGetLastError(), int(ftpErrCancelled));
        QVERIFY2(clock.elapsed() < 10000, "the cancel waited for the time-out");
        QCOMPARE(engine.getCurrentDirectory(), QStringLiteral("/"));
    }
}

void TestFtpScripted::uploadResume()
{
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("up.bin"));
    QByteArray bytes;
    for (int i = 0; i < 20000; ++i)
        bytes += char('a' + i % 26);
    QFile file(local);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();

    // A server that refuses STOR after REST (dropping its partial) but appends: APPE.
    for (const bool offersAppe : {true, false}) {
        ScriptedPeer peer;
        QByteArray received;
        bool storing = false;
        connect(&peer.data, &QTcpServer::newConnection, &peer, [&] {
            QTcpSocket *socket = peer.dataSocket;
            connect(socket, &QTcpSocket::readyRead, &peer,
                    [&, socket] { received += socket->readAll(); });
            connect(socket, &QTcpSocket::disconnected, &peer, [&] {
                if (std::exchange(storing, false))
                    peer.send("226 stored\r\n");
            });
        });
        bool restSeen = false;
        peer.answer = [&](const QByteArray &line) -> QByteArray {
            if (line == "PASV")
                return peer.pasvReply();
            if (line.startsWith("SIZE"))
                return "213 5000\r\n";
            if (line.startsWith("REST")) {
                restSeen = true;
                return "350 Restarting at 5000\r\n";
            }
            if (line.startsWith("APPE")) {
                storing = offersAppe;
                return offersAppe ? "150 appending\r\n" : "502 APPE not here\r\n";
            }
            if (line.startsWith("STOR")) {
                storing = !restSeen;
                return restSeen ? "553 Restarting an upload is not allowed\r\n" : "150 ok\r\n";
            }
            return defaultAnswer(line);
        };
        CFtpConnection engine;
        engine.setFtpServer(peer.address());
        engine.setPassiveMode(true);
        engine.setTimeout(10);
        QVERIFY(engine.connectToServer());
        const bool ok = engine.uploadFile(local, QStringLiteral("up.bin"), 1, 5000);
        if (peer.dataSocket)
            peer.dataSocket->disconnect(&peer);
        if (offersAppe) {
            QVERIFY2(ok, qPrintable(engine.getFtpErrorDescription()));
            QCOMPARE(received, bytes.mid(5000));
            QVERIFY(!peer.lines.contains("STOR up.bin"));
        } else {
            QVERIFY(!ok);
            QVERIFY2(engine.getLastServerResponse().startsWith(QLatin1String("553")),
                     qPrintable(engine.getLastServerResponse() + engine.getFtpErrorDescription()));
            QVERIFY(engine.getFtpErrorDescription().contains(QLatin1String("resume")));
        }
    }
}

void TestFtpScripted::replyEdges()
{
    ScriptedPeer peer;
    peer.answer = [&](const QByteArray &line) -> QByteArray {
        if (line.startsWith("USER"))
            return "3310 not a reply code\r\n";
        return defaultAnswer(line);
    };
    {
        CFtpConnection engine;
        engine.setFtpServer(peer.address());
        engine.setUserName(QStringLiteral("user"));
        engine.setPassword(QStringLiteral("pw"));
        QVERIFY(!engine.connectToServer());
        QCOMPARE(engine.ftpGetLastError(), int(ftpErrUnexpectedReply));
        QVERIFY(!peer.lines.contains("PASS pw"));
    }

    ScriptedPeer second;
    second.answer = [&](const QByteArray &line) -> QByteArray {
        if (line.startsWith("DELE"))
            return "599 " + QByteArray((1 << 20) - 100, 'x') + "\r\n";
        if (line.startsWith("RMD")) {
            // A multi-line reply in two pieces: both count as the server's last response.
            second.send("550-first part\r\n");
            QTimer::singleShot(30, &second, [&] { second.send("550 second part\r\n"); });
            return QByteArray();
        }
        return defaultAnswer(line);
    };
    CFtpConnection engine;
    engine.setFtpServer(second.address());
    QVERIFY(engine.connectToServer());
    QVERIFY(!engine.deleteFile(QStringLiteral("x")));
    QVERIFY(engine.getFtpErrorDescription().size() < 1000);
    QVERIFY(engine.getLastServerResponse().size() < 1000);
    QVERIFY(!engine.removeDirectory(QStringLiteral("d")));
    QVERIFY(engine.getLastServerResponse().contains(QLatin1String("first part")));
    QVERIFY(engine.getLastServerResponse().contains(QLatin1String("second part")));
}

void TestFtpScripted::activeDataFromElsewhere()
{
    // The only data connection comes from another address and is refused; the server's 226
    // then ends the transfer as failed at once.
    ScriptedPeer peer;
    QTcpSocket intruder;
    quint16 port = 0;
    peer.answer = [&](const QByteArray &line) -> QByteArray {
        if (line.startsWith("PORT ")) {
            const QList<QByteArray> f = line.mid(5).split(',');
            port = quint16(f.value(4).toUInt() * 256 + f.value(5).toUInt());
            return "200 ok\r\n";
        }
        if (line == "LIST") {
            intruder.bind(QHostAddress(QStringLiteral("127.0.0.2")));
            intruder.connectToHost(QHostAddress::LocalHost, port);
            QTimer::singleShot(100, &peer, [&] { peer.send("226 done\r\n"); });
            return "150 opening\r\n";
        }
        return defaultAnswer(line);
    };
    CFtpConnection engine;
    engine.setFtpServer(peer.address());
    engine.setTimeout(30);
    QVERIFY(engine.connectToServer());
    CFtpFiles files;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!engine.enumFiles(files));
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrCantOpenData));
    QVERIFY2(clock.elapsed() < 10000, "the listing waited for the time-out");
}

void TestFtpScripted::uploadProgressCountsDelivered()
{
    // The server reads nothing for a while: what the progress claims must not run ahead by
    // the size of the local system's send buffers.
    ScriptedPeer peer;
    const int smallBuffer = 16384;
    ::setsockopt(int(peer.data.socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &smallBuffer,
                 sizeof smallBuffer);
    QByteArray received;
    qint64 shownWhilePaused = -1;
    connect(&peer.data, &QTcpServer::newConnection, &peer, [&] {
        QTcpSocket *socket = peer.dataSocket;
        socket->setReadBufferSize(smallBuffer);
        socket->setParent(&peer);
        connect(socket, &QTcpSocket::disconnected, &peer, [&, socket] {
            received += socket->readAll();
            peer.send("226 stored\r\n");
        });
    });
    qint64 shown = 0;
    peer.answer = [&](const QByteArray &line) -> QByteArray {
        if (line == "PASV")
            return peer.pasvReply();
        if (line.startsWith("STOR")) {
            QTimer::singleShot(600, &peer, [&] {
                shownWhilePaused = shown;
                QTcpSocket *socket = peer.dataSocket;
                received += socket->readAll();
                socket->setReadBufferSize(0);
                connect(socket, &QTcpSocket::readyRead, &peer,
                        [&, socket] { received += socket->readAll(); });
                received += socket->readAll();
            });
            return "150 ok\r\n";
        }
        return defaultAnswer(line);
    };
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("big.bin"));
    QFile file(local);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(8 << 20));
    file.close();
    CFtpConnection engine;
    engine.setFtpServer(peer.address());
    engine.setPassiveMode(true);
    engine.setTimeout(30);
    QVERIFY(engine.connectToServer());
    connect(&engine, &CFtpConnection::uploadProgress, this, [&](qint64 bytes) { shown = bytes; });
    const bool ok = engine.uploadFile(local, QStringLiteral("big.bin"), 1, 0);
    if (peer.dataSocket)
        peer.dataSocket->disconnect(&peer);
    QVERIFY2(ok, qPrintable(engine.getFtpErrorDescription()));
    QCOMPARE(received.size(), 8 << 20);
    QCOMPARE(shown, qint64(8 << 20));
    QVERIFY2(shownWhilePaused >= 0 && shownWhilePaused < (1 << 20),
             qPrintable(QString::number(shownWhilePaused)));
}

void TestFtpScripted::noopOnlyAfterAborAnswer()
{
    // Like some servers: a command that comes with ABOR is dropped, ABOR gets 426 and 226 a
    // moment later. The NOOP must follow them; unanswered (here after an upload), it holds the
    // cancel up seconds at most, not the whole time-out, and nothing more is asked.
    for (const bool answersNoop : {true, false}) {
        ScriptedPeer peer;
        bool deaf = false;
        int noops = 0;
        peer.answer = [&](const QByteArray &line) -> QByteArray {
            if (deaf)
                return QByteArray();
            if (line == "PASV")
                return peer.pasvReply();
            if (line.startsWith("RETR")) {
                QTimer::singleShot(0, &peer,
                                   [&] { peer.dataSocket->write(QByteArray(5000, 'd')); });
                return "150 sending\r\n";
            }
            if (line.startsWith("STOR"))
                return "150 receiving\r\n";
            if (line == "ABOR") {
                deaf = true;
                QTimer::singleShot(50, &peer, [&] {
                    deaf = false;
                    peer.send("426 aborted\r\n226 ABOR ok\r\n");
                });
            }
            if (line == "NOOP" && ++noops > 0 && !answersNoop)
                return QByteArray(); // never answered
            return defaultAnswer(line);
        };
        CFtpConnection engine(nullptr, 100);
        engine.setFtpServer(peer.address());
        engine.setPassiveMode(true);
        engine.setTimeout(100); // ten seconds
        QVERIFY(engine.connectToServer());
        connect(&engine, &CFtpConnection::downloadProgress, this, [&] { engine.cancelTransfer(); });
        connect(&engine, &CFtpConnection::uploadProgress, this, [&] { engine.cancelTransfer(); });
        QTemporaryDir dir;
        const QString local = dir.filePath(QStringLiteral("f"));
        writeRandomFile(local, 4 << 20);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(answersNoop ? !engine.downloadFile(QStringLiteral("f"), local, 1)
                            : !engine.uploadFile(local, QStringLiteral("f"), 1));
        QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(engine.ftpGetLastError(), int(ftpErrCancelled));
        QCOMPARE(noops, 1);
        QCOMPARE(peer.lines.contains("SIZE f"), answersNoop); // asked before RETR only
        QCOMPARE(engine.getCurrentDirectory(), QStringLiteral("/"));
    }
}

void TestFtpScripted::failedLoginClosesConnection()
{
    ScriptedPeer peer;
    peer.answer = [](const QByteArray &line) -> QByteArray {
        return line.startsWith("USER") ? "530 Login incorrect\r\n" : QByteArray();
    };
    CFtpConnection engine;
    engine.setFtpServer(peer.address());
    QVERIFY(!engine.connectToServer());
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrNotLoggedIn));
    // Closed by the engine at once; this server would never close it.
    QTRY_VERIFY_WITH_TIMEOUT(peer.control->state() == QAbstractSocket::UnconnectedState, 2000);
}

void TestFtpScripted::resumePastTheEnd()
{
    // The local file is longer than the remote one: nothing to resume, said with both
    // lengths, before anything is asked for.
    ScriptedPeer peer;
    peer.answer = [&](const QByteArray &line) -> QByteArray {
        if (line.startsWith("SIZE"))
            return "213 4096\r\n";
        return line == "PASV" ? peer.pasvReply() : defaultAnswer(line);
    };
    CFtpConnection engine;
    engine.setFtpServer(peer.address());
    engine.setPassiveMode(true);
    QVERIFY(engine.connectToServer());
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("f"));
    const QByteArray before = writeRandomFile(local, 9000);
    QVERIFY(!engine.downloadFile(QStringLiteral("f"), local, 1, 9000));
    QCOMPARE(engine.ftpGetLastError(), int(ftpErrLocalFile));
    const QString text = engine.getFtpErrorDescription();
    QVERIFY2(text.contains(QLatin1String("9000")) && text.contains(QLatin1String("4096")),
             qPrintable(text));
    QCOMPARE(fileSha256(local), before);
    QVERIFY(!peer.lines.contains("PASV"));
}

QTEST_GUILESS_MAIN(TestFtpScripted)
#include "tst_ftpscripted.moc"
