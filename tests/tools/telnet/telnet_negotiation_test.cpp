#include "TelnetdPeer.h"
#include "platform/net/SocketControl.h"
#include "tools/telnet/Telnet.h"
#include "tools/telnet/TelnetKeys.h"
#include "tools/telnet/TelnetNegotiation.h"

#include <QtTest>

using N = TelnetNegotiation;
using Bytes = QList<QByteArray>;

namespace {

QByteArray b(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (int v : bytes)
        out.append(char(v));
    return out;
}

QByteArray terminalTypeIs()
{
    return b({N::IAC, N::SB, 24, 0}) + "VT100" + b({N::IAC, N::SE});
}

struct Outcome
{
    Bytes writes;
    QByteArray data;
};

// A machine just after connecting (offer sent), fed `setup` whose answers are dropped.
struct Machine
{
    N n;
    Outcome out;
    explicit Machine(const QByteArray &setup = {}, bool binary = false)
    {
        n.setBinary(binary);
        n.setSendHandler([this](const QByteArray &bytes) { out.writes.append(bytes); });
        n.setDataHandler([this](const char *d, qsizetype s) { out.data.append(d, s); });
        n.connectionOpened();
        n.receive(setup);
        out = {};
    }
};

// Feeds the stream whole, cut in two at every byte, and byte by byte: every way must give
// the same answers and the same data.
void checkEveryCut(const QByteArray &setup, const QByteArray &stream, const Bytes &writes,
                   const QByteArray &data)
{
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        Machine m(setup);
        m.n.receive(stream.left(cut));
        m.n.receive(stream.mid(cut));
        QCOMPARE(m.out.writes, writes);
        QCOMPARE(m.out.data, data);
    }
    Machine m(setup);
    for (char c : stream)
        m.n.receive(&c, 1);
    QCOMPARE(m.out.writes, writes);
    QCOMPARE(m.out.data, data);
}

} // namespace

class TelnetNegotiationTest : public QObject
{
    Q_OBJECT

private slots:
    void offerIsOneWrite();
    void utf8Terminal();
    void streams_data();
    void streams();
    void newConnectionForgetsHalfReadCommand();
    void escapesOutgoingIac();
    void keys_data();
    void keys();
    void realServer();
};

void TelnetNegotiationTest::offerIsOneWrite()
{
    N n;
    Bytes writes;
    n.setSendHandler([&](const QByteArray &bytes) { writes.append(bytes); });
    n.connectionOpened();
    QCOMPARE(writes,
             Bytes{b({255, 253, 1, 255, 253, 3, 255, 251, 31, 255, 251, 24, 255, 251, 32})});
}

void TelnetNegotiationTest::utf8Terminal()
{
    const int IAC = N::IAC, DO = N::DO, DONT = N::DONT, WILL = N::WILL, WONT = N::WONT;
    // BINARY is asked for both ways in the offer's write; the host's agreement needs no
    // answer, its end one each way.
    Machine m({}, true);
    m.n.connectionOpened();
    QVERIFY(m.out.writes.last().endsWith(b({IAC, WILL, 0, IAC, DO, 0})));
    m.out = {};
    m.n.receive(b({IAC, DO, 0, IAC, WILL, 0, IAC, DO, 0}));
    QCOMPARE(m.out.writes, Bytes{});
    QVERIFY(m.n.localEnabled(N::OptBinary) && m.n.remoteEnabled(N::OptBinary));
    m.n.receive(b({IAC, DONT, 0, IAC, WONT, 0}));
    QCOMPARE(m.out.writes, (Bytes{b({IAC, WONT, 0}), b({IAC, DONT, 0})}));
    // Refused: the host may strip the top bit, so an umlaut is not sent at all.
    QCOMPARE(TelnetKeyBytes(0, {}, QString::fromUtf8("m\u00fcller"), false, true), "mller");
}

void TelnetNegotiationTest::streams_data()
{
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<Bytes>("writes");
    QTest::addColumn<QByteArray>("data");
    const int IAC = N::IAC, DO = N::DO, DONT = N::DONT, WILL = N::WILL, WONT = N::WONT, SB = N::SB,
              SE = N::SE;
    const QByteArray naws = b({IAC, SB, 31, 0, 80, 0, 25, IAC, SE});
    const QByteArray speed = b({IAC, SB, 32, 0}) + "57600,57600" + b({IAC, SE});
    const QByteArray sendType = b({IAC, SB, 24, 1, IAC, SE});

    QTest::newRow("terminal type: offer acknowledged quietly, SEND answered every time")
        << QByteArray() << b({IAC, DO, 24}) + sendType + b({IAC, DO, 24}) + sendType
        << Bytes{terminalTypeIs(), terminalTypeIs()} << QByteArray();
    QTest::newRow("window size 80 x 25")
        << QByteArray() << b({IAC, DO, 31}) << Bytes{naws} << QByteArray();
    QTest::newRow("terminal speed only on SEND")
        << QByteArray() << b({IAC, DO, 32}) + b({IAC, SB, 32, 1, IAC, SE}) << Bytes{speed}
        << QByteArray();
    QTest::newRow("host echo acknowledged, then its end answered once")
        << QByteArray() << b({IAC, WILL, 1, IAC, WONT, 1, IAC, WONT, 1}) << Bytes{b({IAC, DONT, 1})}
        << QByteArray();
    QTest::newRow("refused echo request is not acknowledged")
        << QByteArray() << b({IAC, WONT, 1, IAC, WONT, 3}) << Bytes{} << QByteArray();
    QTest::newRow("host go-ahead suppression ended once")
        << b({IAC, WILL, 3}) << b({IAC, WONT, 3, IAC, WONT, 3}) << Bytes{b({IAC, DONT, 3})}
        << QByteArray();
    QTest::newRow("our go-ahead suppression on and off once")
        << QByteArray() << b({IAC, DO, 3, IAC, DO, 3, IAC, DONT, 3, IAC, DONT, 3})
        << Bytes{b({IAC, WILL, 3}), b({IAC, WONT, 3})} << QByteArray();
    QTest::newRow("unknown options refused once each way")
        << QByteArray()
        << b({IAC, DO, 39, IAC, DO, 39, IAC, WILL, 39, IAC, WILL, 39, IAC, WONT, 39, IAC, DONT, 39})
        << Bytes{b({IAC, WONT, 39}), b({IAC, DONT, 39})} << QByteArray();
    QTest::newRow("echo and binary refused")
        << QByteArray() << b({IAC, DO, 1, IAC, DO, 0})
        << Bytes{b({IAC, WONT, 1}), b({IAC, WONT, 0})} << QByteArray();
    QTest::newRow("authentication: agreed once, with no kind offered")
        << QByteArray() << b({IAC, DO, 37, IAC, DO, 37, IAC, DONT, 37})
        << Bytes{b({IAC, WILL, 37}), b({IAC, SB, 37, 0, 0, 0, 0, IAC, SE}), b({IAC, WONT, 37})}
        << QByteArray();
    QTest::newRow("doubled IAC is the data byte 255")
        << QByteArray() << QByteArray("a") + b({IAC, IAC}) + "b" << Bytes{}
        << QByteArray("a\xff"
                      "b");
    QTest::newRow("commands inside an escape sequence never reach the screen")
        << QByteArray() << QByteArray("\x1b[5;") + b({IAC, WILL, 3, IAC, 241}) + "10H" << Bytes{}
        << QByteArray("\x1b[5;10H");
    QTest::newRow("long subnegotiation is bounded and the data after it kept")
        << QByteArray() << b({IAC, SB, 24}) + QByteArray(1000, 'x') + b({IAC, SE}) + "ok" << Bytes{}
        << QByteArray("ok");
    QTest::newRow("doubled IAC inside a subnegotiation")
        << QByteArray() << b({IAC, SB, 24, 1, IAC, IAC, 7, IAC, SE}) + "z"
        << Bytes{terminalTypeIs()} << QByteArray("z");
    QTest::newRow("unclosed subnegotiation ends at the next command")
        << QByteArray() << b({IAC, SB, 24, 1, IAC, DO, 31}) + "q" << Bytes{naws} << QByteArray("q");
    QTest::newRow("other commands carry nothing")
        << QByteArray() << b({IAC, 241, IAC, 249, IAC, SE, IAC, 244}) + "x" << Bytes{}
        << QByteArray("x");
}

void TelnetNegotiationTest::streams()
{
    QFETCH(QByteArray, setup);
    QFETCH(QByteArray, stream);
    QFETCH(Bytes, writes);
    QFETCH(QByteArray, data);
    checkEveryCut(setup, stream, writes, data);
}

void TelnetNegotiationTest::newConnectionForgetsHalfReadCommand()
{
    Machine m(b({N::IAC, N::SB, 24, 1}));
    QCOMPARE(m.n.state(), N::SubData);
    m.n.connectionOpened();
    m.n.receive(QByteArray("hi"));
    QCOMPARE(m.out.data, QByteArray("hi"));
    QCOMPARE(m.out.writes.size(), 1); // the offer only
}

void TelnetNegotiationTest::escapesOutgoingIac()
{
    QCOMPARE(N::escapeData("abc"), QByteArray("abc"));
    QCOMPARE(N::escapeData(b({'a', 255, 255, 'b'})), b({'a', 255, 255, 255, 255, 'b'}));
}

void TelnetNegotiationTest::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("application");
    const int ctrl = int(Qt::ControlModifier);
    QTest::newRow("enter") << int(Qt::Key_Return) << 0 << "\r" << QByteArray("\r\n") << false;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << 0 << "\r" << QByteArray("\r\n") << false;
    QTest::newRow("ctrl+c") << int(Qt::Key_C) << ctrl << "\x03" << QByteArray("\x03") << false;
    QTest::newRow("ctrl+z") << int(Qt::Key_Z) << ctrl << "\x1a" << QByteArray("\x1a") << false;
    QTest::newRow("ctrl alone") << int(Qt::Key_Control) << ctrl << "" << QByteArray() << false;
    QTest::newRow("ctrl+1 sends nothing") << int(Qt::Key_1) << ctrl << "1" << QByteArray() << false;
    QTest::newRow("up") << int(Qt::Key_Up) << 0 << "" << QByteArray("\x1b[A") << false;
    QTest::newRow("down") << int(Qt::Key_Down) << 0 << "" << QByteArray("\x1b[B") << false;
    QTest::newRow("right") << int(Qt::Key_Right) << 0 << "" << QByteArray("\x1b[C") << false;
    QTest::newRow("left") << int(Qt::Key_Left) << 0 << "" << QByteArray("\x1b[D") << false;
    QTest::newRow("home") << int(Qt::Key_Home) << 0 << "" << QByteArray("\x1b[H") << false;
    QTest::newRow("end") << int(Qt::Key_End) << 0 << "" << QByteArray("\x1b[K") << false;
    QTest::newRow("f1") << int(Qt::Key_F1) << 0 << "" << QByteArray("\x1bOP") << false;
    QTest::newRow("f4") << int(Qt::Key_F4) << 0 << "" << QByteArray("\x1bOS") << false;
    QTest::newRow("f5 sends nothing") << int(Qt::Key_F5) << 0 << "" << QByteArray() << false;
    QTest::newRow("letter") << int(Qt::Key_A) << 0 << "a" << QByteArray("a") << false;
    QTest::newRow("tab") << int(Qt::Key_Tab) << 0 << "\t" << QByteArray("\t") << false;
    QTest::newRow("latin-1 before the host takes 8 bits")
        << int(Qt::Key_ydiaeresis) << 0 << QString(QChar(0xFF)) << QByteArray() << false;
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << 0 << "\b" << QByteArray("\x7f")
                               << false;
    QTest::newRow("ctrl+h") << int(Qt::Key_H) << ctrl << "\b" << QByteArray("\x08") << false;
    QTest::newRow("application up") << int(Qt::Key_Up) << 0 << "" << QByteArray("\x1bOA") << true;
    QTest::newRow("application left")
        << int(Qt::Key_Left) << 0 << "" << QByteArray("\x1bOD") << true;
    QTest::newRow("application home")
        << int(Qt::Key_Home) << 0 << "" << QByteArray("\x1b[H") << true;
    QTest::newRow("outside latin-1") << 0 << 0 << QString(QChar(0x20AC)) << QByteArray() << false;
}

void TelnetNegotiationTest::keys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, application);
    QCOMPARE(TelnetKeyBytes(key, Qt::KeyboardModifiers(modifiers), text, application), bytes);
}

namespace {

QString screenText(const Telnet &screen)
{
    QString text;
    for (int row = 0; row < Telnet::Rows; ++row)
        text += QString::fromLatin1(screen.ScreenText(row)) + QLatin1Char('\n');
    return text;
}

} // namespace

void TelnetNegotiationTest::realServer()
{
    TelnetdPeer peer;
    if (!peer.start())
        QSKIP(qPrintable(peer.failure()));

    SocketControl socket;
    N n;
    Telnet screen;
    Bytes sent;
    n.setSendHandler([&](const QByteArray &bytes) {
        sent.append(bytes);
        socket.sendData(bytes);
    });
    n.setDataHandler([&](const char *d, qsizetype s) { screen.write(d, size_t(s)); });
    QObject::connect(&socket, &SocketControl::connected, [&] { n.connectionOpened(); });
    QObject::connect(&socket, &SocketControl::dataArrival, [&] {
        while (socket.bytesAvailable() > 0)
            n.receive(socket.getData());
    });
    QVERIFY(socket.connectToHost(QStringLiteral("127.0.0.1"), peer.port()));

    QTRY_VERIFY_WITH_TIMEOUT(screenText(screen).contains(QLatin1String("login:")), 10000);
    // The server asked for the terminal type and got the one terminfo knows.
    QVERIFY(sent.contains(terminalTypeIs()));
    QVERIFY(n.localEnabled(N::OptTerminalType));
    QVERIFY(n.remoteEnabled(N::OptEcho));
    QVERIFY(n.remoteEnabled(N::OptSuppressGoAhead));
    // No answer went out twice: nothing loops.
    for (const QByteArray &write : sent) {
        if (write.size() == 3)
            QCOMPARE(sent.count(write), 1);
    }

    socket.sendData(N::escapeData("nobody\r\n"));
    QTRY_VERIFY_WITH_TIMEOUT(screenText(screen).contains(QLatin1String("Password")), 10000);
    QVERIFY(screenText(screen).contains(QLatin1String("nobody"))); // echoed by the host
    socket.close();
    QCOMPARE(socket.state(), int(SocketControl::Closed));
}

QTEST_MAIN(TelnetNegotiationTest)
#include "telnet_negotiation_test.moc"
