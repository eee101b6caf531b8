#include "TelnetdPeer.h"
#include "kb/frmmain.h"
#include "platform/net/SocketControl.h"
#include "scriptedprompter.h"
#include "testsupport.h"
#include "tools/ftp/CheckInternetActiveCon.h"
#include "tools/telnet/TelnetScreenView.h"
#include "tools/telnet/frmTCPIP.h"
#include "tools/telnet/frmTelnet.h"

#include <QAction>
#include <QCheckBox>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <clocale>

namespace {

QString screenText(frmTelnet &window)
{
    const Telnet &screen = window.screenView()->screen();
    QString text;
    for (int row = 0; row < Telnet::Rows; ++row)
        text += QString::fromLatin1(screen.ScreenText(row)) + QLatin1Char('\n');
    return text;
}

// Answers the settings dialog with these entries and OK.
void answerDialog(const QString &host, const QString &port)
{
    frmTelnet::setDialogRunner([host, port](frmTCPIP &dialog) {
        dialog.txtRemoteAddress->setText(host);
        dialog.txtPort->setText(port);
        return dialog.cmdOK_Click();
    });
}

const QByteArray offer("\xff\xfd\x01\xff\xfd\x03\xff\xfb\x1f\xff\xfb\x18\xff\xfb\x20");

// A host that the test scripts byte by byte.
struct ScriptedHost
{
    QTcpServer server;
    QTcpSocket *peer = nullptr;
    QByteArray received;

    ScriptedHost()
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            peer = server.nextPendingConnection();
            QObject::connect(peer, &QTcpSocket::readyRead, [this] { received += peer->readAll(); });
        });
    }
    QString port() const { return QString::number(server.serverPort()); }
    void say(const QByteArray &bytes)
    {
        peer->write(bytes);
        peer->flush();
    }
};

} // namespace

class TelnetWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The 8-bit terminal, whatever the machine's locale (the UTF-8 one is in e2e).
        setlocale(LC_CTYPE, "C");
    }
    void init()
    {
        SetInternetActiveCheck([] { return true; });
        frmTelnet::setDialogRunner(nullptr);
    }
    void cleanup()
    {
        SetInternetActiveCheck(nullptr);
        frmTelnet::setDialogRunner(nullptr);
        FrmMain::setToolWindowFactory(QStringLiteral("Telnet"), nullptr);
    }

    void docksIntoTheMainWindow();
    void idleWindow();
    void noNetworkRefusesBeforeAsking();
    void cancelledDialogConnectsToTheStoredHost();
    void refusedPortShowsTheError();
    void scriptedHost();
    void settingsDialog_data();
    void settingsDialog();
    void traceTickPersists();
    void settingsWhileConnectedClose();
    void closeDuringTheDialogWaitsForIt();
    void realServer();
    void realShell();
};

void TelnetWindowTest::docksIntoTheMainWindow()
{
    TestSupport::TempDataRoot root;
    ScriptedPrompter prompter;
    FrmMain::setToolWindowFactory(QStringLiteral("Telnet"),
                                  [](FrmMain *m) { return new frmTelnet(m); });
    FrmMain main;
    main.MDIForm_Load();
    main.show();

    main.TBTool_ButtonClick(QStringLiteral("Telnet"));
    auto *telnet = qobject_cast<frmTelnet *>(main.toolWindow(QStringLiteral("Telnet")));
    QVERIFY(telnet);
    QCOMPARE(telnet->windowTitle(), QStringLiteral("Vareri-R"));
    QCOMPARE(telnet->statusPanel(1), QStringLiteral("Please start the connection session."));
    QToolBar *toolbar = telnet->TBTelnet();
    QCOMPARE(toolbar->objectName(), QStringLiteral("TBTelnet"));
    QCOMPARE(toolbar->parentWidget(), main.PanelHolder);
    QVERIFY(!toolbar->isHidden());
    QCOMPARE(telnet->toolbarButton(QStringLiteral("Connect"))->toolTip(),
             QStringLiteral("Start Telnet Connection."));
    QCOMPARE(telnet->toolbarButton(QStringLiteral("Config"))->toolTip(),
             QStringLiteral("Config Current Telnet Connection."));
    QCOMPARE(telnet->toolbarButton(QStringLiteral("Stop"))->toolTip(),
             QStringLiteral("Stop Current Connection."));

    main.ReleaseToolParents();
    QCOMPARE(toolbar->parentWidget(), telnet);
    QVERIFY(main.PanelLeftDock->isHidden());
    telnet->SetPar();
    QCOMPARE(toolbar->parentWidget(), main.PanelHolder);
    telnet->SetPar(); // docking twice changes nothing
    QCOMPARE(main.PanelHolder->findChildren<QToolBar *>(QStringLiteral("TBTelnet")).size(), 1);

    // Another child's activation takes the toolbar back; the telnet window's own hides the
    // left panel.
    QMdiSubWindow *other = main.mdiArea()->addSubWindow(new QLabel(QStringLiteral("other")));
    other->show();
    main.mdiArea()->setActiveSubWindow(other);
    QCOMPARE(toolbar->parentWidget(), telnet);
    main.setPanelLeftVisible(true);
    auto *frame = qobject_cast<QMdiSubWindow *>(telnet->parentWidget());
    frame->show(); // hidden by the release above
    main.mdiArea()->setActiveSubWindow(frame);
    QVERIFY(main.PanelLeftDock->isHidden());
    telnet->SetPar();

    // Exit takes the toolbar out of the main window with the window.
    QPointer<QToolBar> guard(toolbar);
    telnet->toolbarButton(QStringLiteral("Exit"))->trigger();
    QTRY_VERIFY(!guard);
    QVERIFY(main.PanelHolder->findChildren<QToolBar *>(QStringLiteral("TBTelnet")).isEmpty());
}

void TelnetWindowTest::idleWindow()
{
    frmTelnet telnet(nullptr);
    telnet.show();
    // Keys before any connection go nowhere.
    QTest::keyClick(&telnet, Qt::Key_A);
    QTest::keyClick(&telnet, Qt::Key_Return);
    QCOMPARE(telnet.WinsockClient()->state(), int(SocketControl::Closed));
    // Stop while idle still reports the close, with this machine's address.
    telnet.toolbarButton(QStringLiteral("Stop"))->trigger();
    QCOMPARE(telnet.statusPanel(1), QStringLiteral("Closed"));
    QVERIFY2(!QHostAddress(telnet.statusPanel(3)).isNull(), qPrintable(telnet.statusPanel(3)));
    QCOMPARE(telnet.statusPanel(4), QStringLiteral("Connection Reset"));
}

void TelnetWindowTest::noNetworkRefusesBeforeAsking()
{
    ScriptedPrompter prompter;
    int dialogs = 0;
    SetInternetActiveCheck([] { return false; }); // the check the FTP window uses too
    frmTelnet::setDialogRunner([&dialogs](frmTCPIP &) { return ++dialogs > 0; });
    frmTelnet telnet(nullptr);
    telnet.ConnectHost();
    QCOMPARE(dialogs, 0);
    QCOMPARE(prompter.calls().size(), 1);
    const ScriptedPrompter::Call call = prompter.calls().first();
    QCOMPARE(call.prompt, QStringLiteral("There is no active Internet connection in your "
                                         "computer, please connect to Internet first!"));
    QCOMPARE(call.icon, 105);
    QCOMPARE(call.buttonSet, 4);
    QCOMPARE(call.title, QStringLiteral("FAILED"));
    QVERIFY(!telnet.isConnectIssued());
}

void TelnetWindowTest::cancelledDialogConnectsToTheStoredHost()
{
    // Cancel drops what was typed; Connect goes on to the host and port stored before.
    ScriptedHost host;
    frmTelnet::setDialogRunner([](frmTCPIP &dialog) {
        dialog.txtRemoteAddress->setText(QStringLiteral("10.0.0.1"));
        dialog.cmdCancel_Click();
        return false;
    });
    frmTelnet telnet(nullptr);
    telnet.Host = QStringLiteral("127.0.0.1");
    telnet.Port = quint16(host.port().toUInt());
    telnet.ConnectHost();
    QTRY_COMPARE(host.received, offer);
    QCOMPARE(telnet.Host, QStringLiteral("127.0.0.1"));
}

void TelnetWindowTest::refusedPortShowsTheError()
{
    ScriptedPrompter prompter;
    answerDialog(QStringLiteral("127.0.0.1"), QString::number(TelnetdPeer::closedPort()));
    frmTelnet telnet(nullptr);
    telnet.ConnectHost();
    QVERIFY(telnet.isConnectIssued());
    QTRY_VERIFY(telnet.statusPanel(4).startsWith(QLatin1String("10061 - ")));
    QVERIFY(!telnet.isConnectIssued());
    QVERIFY(!telnet.isConnected());
    QVERIFY(prompter.calls().isEmpty());
}

void TelnetWindowTest::scriptedHost()
{
    ScriptedHost host;
    answerDialog(QStringLiteral("127.0.0.1"), host.port());
    frmTelnet telnet(nullptr);
    telnet.show();
    telnet.ConnectHost();
    QCOMPARE(telnet.statusPanel(4), QStringLiteral("Connecting to Remote Host"));
    QTRY_COMPARE(host.received, offer);
    QVERIFY(telnet.isConnected());
    QCOMPARE(telnet.statusPanel(1), QStringLiteral("Connected"));
    QCOMPARE(telnet.statusPanel(2), QStringLiteral("127.0.0.1"));
    QCOMPARE(telnet.statusPanel(3), QStringLiteral("127.0.0.1"));
    QCOMPARE(telnet.statusPanel(4), QStringLiteral("Connection Accepted By Remote Host"));

    // A second Connect while connected only shows the dialog (here cancelled).
    frmTelnet::setDialogRunner([](frmTCPIP &) { return false; });
    telnet.ConnectHost();
    QVERIFY(telnet.isConnected());

    host.received.clear();
    QTest::keyClick(&telnet, Qt::Key_Return);
    QTest::keyClick(&telnet, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&telnet, Qt::Key_Up);
    QTest::keyClick(&telnet, Qt::Key_Tab);
    QKeyEvent ydiaeresis(QEvent::KeyPress, Qt::Key_ydiaeresis, Qt::NoModifier,
                         QString(QChar(0xFF)));
    QApplication::sendEvent(&telnet, &ydiaeresis); // left out: the host took no 8-bit data
    QTest::keyClick(&telnet, Qt::Key_A);
    QTRY_COMPARE(host.received, QByteArray("\r\n\x03\x1b[A\ta"));

    // Backspace erases on the host (DEL); Ctrl+H stays BS. Cursor keys follow the host's
    // application mode and go back to normal when it ends.
    host.received.clear();
    QTest::keyClick(&telnet, Qt::Key_Backspace);
    QTest::keyClick(&telnet, Qt::Key_H, Qt::ControlModifier);
    host.say("\x1b[?1h");
    QTRY_VERIFY(telnet.screenView()->screen().cursorKeysApplication());
    QTest::keyClick(&telnet, Qt::Key_Up);
    QTest::keyClick(&telnet, Qt::Key_Left);
    host.say("\x1b[?1l");
    QTRY_VERIFY(!telnet.screenView()->screen().cursorKeysApplication());
    QTest::keyClick(&telnet, Qt::Key_Down);
    QTRY_COMPARE(host.received, QByteArray("\x7f\x08\x1bOA\x1bOD\x1b[B"));
    QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_V, Qt::ControlModifier);
    shortcut.ignore();
    QApplication::sendEvent(&telnet, &shortcut);
    QVERIFY(shortcut.isAccepted()); // Ctrl+V goes to the host, not to a menu

    host.received.clear();
    host.say(QByteArray("hel") + "\xff\xfd\x1f" + "lo \xff\xff");
    QTRY_VERIFY(screenText(telnet).startsWith(QLatin1String("hello \xff")));
    QTRY_COMPARE(host.received, QByteArray("\xff\xfa\x1f\x00\x50\x00\x19\xff\xf0", 9));

    // The host's last words show before the window reports the close.
    host.say("\r\nbye");
    host.peer->disconnectFromHost();
    QTRY_COMPARE(telnet.statusPanel(1), QStringLiteral("Closed"));
    QCOMPARE(telnet.statusPanel(4), QStringLiteral("Connection Reset"));
    QVERIFY(screenText(telnet).contains(QLatin1String("bye")));
    QVERIFY(!telnet.isConnected());
    QVERIFY(!telnet.isConnectIssued());
}

void TelnetWindowTest::settingsDialog_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("error"); // empty: accepted
    for (const char *port : {" 23 ", "65535", "0"})
        QTest::newRow(port) << QString(port) << QString();
    QTest::newRow("70000") << "70000" << QStringLiteral("Overflow");
    QTest::newRow("-1") << "-1" << QStringLiteral("Overflow");
    QTest::newRow("abc") << "abc" << QStringLiteral("Type mismatch");
    QTest::newRow("empty") << "" << QStringLiteral("Type mismatch");
}

void TelnetWindowTest::settingsDialog()
{
    QFETCH(QString, port);
    QFETCH(QString, error);
    const bool accepted = error.isEmpty();
    ScriptedPrompter prompter;
    frmTelnet telnet(nullptr);
    telnet.Port = 21;
    frmTCPIP dialog(&telnet, &telnet);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Connect To:"));
    QCOMPARE(dialog.txtPort->text(), QStringLiteral("21"));
    dialog.txtRemoteAddress->setText(QStringLiteral("10.0.0.1"));
    dialog.txtPort->setText(port);
    QCOMPARE(dialog.cmdOK_Click(), accepted);
    if (accepted) {
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(telnet.Host, QStringLiteral("10.0.0.1"));
        QCOMPARE(telnet.Port, quint16(port.trimmed().toUInt()));
        QCOMPARE(telnet.WinsockClient()->remoteHost(), QStringLiteral("10.0.0.1"));
        QCOMPARE(telnet.WinsockClient()->remotePort(), telnet.Port);
        QCOMPARE(telnet.WinsockClient()->state(), int(SocketControl::Closed));
        QVERIFY(prompter.calls().isEmpty());
    } else {
        QCOMPARE(dialog.result(), int(QDialog::Rejected)); // still open: never accepted
        QCOMPARE(telnet.Port, quint16(21));
        QVERIFY(telnet.Host.isEmpty());
        QCOMPARE(prompter.calls().size(), 1);
        QCOMPARE(prompter.calls().first().prompt, error);
        QCOMPARE(prompter.calls().first().title, QStringLiteral("ERROR"));
        QCOMPARE(prompter.calls().first().icon, 103);
        QCOMPARE(prompter.calls().first().buttonSet, 4);
    }
}

void TelnetWindowTest::traceTickPersists()
{
    frmTelnet telnet(nullptr);
    {
        frmTCPIP dialog(&telnet, &telnet);
        QVERIFY(!dialog.Check1->isChecked());
        QCOMPARE(dialog.Check1->text(), QStringLiteral("&Unable Trace"));
        dialog.Check1->click();
        QVERIFY(telnet.TraceOn);
        dialog.cmdCancel_Click();
    }
    frmTCPIP again(&telnet, &telnet);
    QVERIFY(again.Check1->isChecked());
}

void TelnetWindowTest::settingsWhileConnectedClose()
{
    ScriptedHost host;
    answerDialog(QStringLiteral("127.0.0.1"), host.port());
    frmTelnet telnet(nullptr);
    telnet.ConnectHost();
    QTRY_VERIFY(telnet.isConnected());
    QTRY_VERIFY(host.peer);

    answerDialog(QStringLiteral("127.0.0.1"), QStringLiteral("23"));
    telnet.ShowConfig();
    QCOMPARE(telnet.statusPanel(1), QStringLiteral("Closed"));
    QCOMPARE(telnet.statusPanel(4), QStringLiteral("Connection Reset"));
    QVERIFY(!telnet.isConnected());
    QVERIFY(!telnet.isConnectIssued());
    QCOMPARE(telnet.Port, quint16(23));
    QTRY_COMPARE(host.peer->state(), QAbstractSocket::UnconnectedState);
    // Keys now go nowhere and nothing breaks.
    QTest::keyClick(&telnet, Qt::Key_A);
}

void TelnetWindowTest::closeDuringTheDialogWaitsForIt()
{
    // The window is asked to close from a timer while its settings dialog runs in a nested
    // loop: it must outlive the dialog, then close.
    FrmMain main;
    main.show();
    FrmMain::setToolWindowFactory(QStringLiteral("Telnet"),
                                  [](FrmMain *m) -> QWidget * { return new frmTelnet(m); });
    main.TBTool_ButtonClick(QStringLiteral("Telnet"));
    QPointer<frmTelnet> telnet =
        qobject_cast<frmTelnet *>(main.toolWindow(QStringLiteral("Telnet")));
    QVERIFY(telnet);
    bool aliveAfterLoop = false;
    bool dialogEnded = false;
    frmTelnet::setDialogRunner([&](frmTCPIP &dialog) {
        QTimer::singleShot(0, telnet->parentWidget(), [&] { telnet->parentWidget()->close(); });
        QEventLoop loop;
        connect(&dialog, &QDialog::finished, &loop, [&] { dialogEnded = true; });
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
        aliveAfterLoop = !telnet.isNull() && telnet->isVisible();
        return true;
    });
    telnet->ConnectHost();
    QVERIFY(aliveAfterLoop);
    QVERIFY(dialogEnded); // the close ended the dialog
    QVERIFY(!telnet->isConnectIssued());
    QTRY_VERIFY(telnet.isNull());
}

void TelnetWindowTest::realServer()
{
    TelnetdPeer peer;
    if (!peer.start())
        QSKIP(qPrintable(peer.failure()));
    answerDialog(QStringLiteral("127.0.0.1"), QString::number(peer.port()));
    frmTelnet telnet(nullptr);
    telnet.show();
    telnet.ConnectHost();
    QTRY_VERIFY_WITH_TIMEOUT(screenText(telnet).contains(QLatin1String("login:")), 10000);
    QVERIFY(telnet.negotiation().localEnabled(TelnetNegotiation::OptNaws));
    QTest::keyClicks(&telnet, QStringLiteral("nobody"));
    QTest::keyClick(&telnet, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(screenText(telnet).contains(QLatin1String("Password")), 10000);
    QVERIFY(screenText(telnet).contains(QLatin1String("login: nobody")));
    telnet.toolbarButton(QStringLiteral("Stop"))->trigger();
    QCOMPARE(telnet.statusPanel(1), QStringLiteral("Closed"));
    QVERIFY(!telnet.isConnected());
}

void TelnetWindowTest::realShell()
{
    // A shell straight away: what the host learnt of the terminal shows in its answers.
    TelnetdPeer peer;
    if (!peer.start(QStringLiteral("-h -E /bin/sh")))
        QSKIP(qPrintable(peer.failure()));
    answerDialog(QStringLiteral("127.0.0.1"), QString::number(peer.port()));
    frmTelnet telnet(nullptr);
    telnet.show();
    telnet.ConnectHost();
    QTRY_VERIFY_WITH_TIMEOUT(telnet.isConnected(), 10000);
    // The shell's prompt: telnetd starts it once the terminal is negotiated.
    QTRY_VERIFY_WITH_TIMEOUT(screenText(telnet).contains(QLatin1Char('#')), 10000);
    QTest::keyClicks(&telnet, QStringLiteral("echo T=$TERM; printf 'Y\\377Z\\n'; stty size"));
    QTest::keyClick(&telnet, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(screenText(telnet).contains(QLatin1String("25 80")), 10000);
    const QString text = screenText(telnet);
    QVERIFY2(text.contains(QLatin1String("T=vt100"), Qt::CaseInsensitive), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Y\u00ffZ")), qPrintable(text));
    // No 8-bit data agreed in this locale: umlauts and the euro sign are left out, not stripped.
    for (QChar c : QString::fromUtf8("echo \"A$((1+1))[m\u00fcll\u20ac\u00e4r]\""))
        QTest::sendKeyEvent(QTest::Click, &telnet, Qt::Key_unknown, QString(c), {});
    QTest::keyClick(&telnet, Qt::Key_Return);
    QTRY_VERIFY2_WITH_TIMEOUT(screenText(telnet).contains(QLatin1String("\nA2[mllr]")),
                              qPrintable(screenText(telnet)), 10000);

    // The pager and the editor scroll back a line at a time by reverse index at the top of
    // the screen or of a region, and the editor forward inside a region that spares its last
    // row: each time the rows above it show consecutive lines. ^F is Ctrl+F, @ the file.
    QTemporaryDir dir;
    const Telnet &screen = telnet.screenView()->screen();
    const auto shows = [&screen](int first) {
        for (int row = 0; row < Telnet::Rows - 1; ++row)
            if (QByteArray::fromStdString(screen.ScreenText(row)).trimmed() !=
                "line " + QByteArray::number(first + row))
                return false;
        return true;
    };
    const std::pair<const char *, int> steps[] = {{"seq -f 'line %g' 300 >@; less @\n", 1},
                                                  {" ", 25},
                                                  {"kkk", 22},
                                                  {"q", 0},
                                                  {"vi -u NONE -i NONE @\n", 1},
                                                  {"^F", 23},
                                                  {"^Y^Y", 21},
                                                  {"^E^E^E", 24},
                                                  {":q\n", 0}};
    for (const auto &[typed, first] : steps) {
        const QString keys = QString::fromLatin1(typed).replace('@', dir.filePath("lines"));
        for (qsizetype i = 0; i < keys.size(); ++i) {
            if (keys[i] == '^')
                QTest::keyClick(&telnet, Qt::Key(keys[++i].unicode()), Qt::ControlModifier);
            else if (keys[i] == '\n')
                QTest::keyClick(&telnet, Qt::Key_Return);
            else
                QTest::keyClick(&telnet, keys[i].toLatin1());
        }
        QTRY_VERIFY2_WITH_TIMEOUT(first > 0 ? shows(first)
                                            : screen.ScreenText(screen.CursorRow())[0] == '#',
                                  qPrintable(keys + screenText(telnet)), 10000);
    }

    // A port the settings refuse changes nothing, and the session goes on.
    ScriptedPrompter prompter;
    answerDialog(QStringLiteral("10.0.0.1"), QStringLiteral("abc"));
    telnet.ShowConfig();
    QCOMPARE(prompter.calls().size(), 1);
    QVERIFY(telnet.isConnected());
    QCOMPARE(telnet.Host, QStringLiteral("127.0.0.1"));
    QTest::keyClicks(&telnet, QStringLiteral("echo still $((6 * 7))"));
    QTest::keyClick(&telnet, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(screenText(telnet).contains(QLatin1String("still 42")), 10000);
    telnet.toolbarButton(QStringLiteral("Exit"))->trigger();
    QVERIFY(!telnet.isConnected());
}

QTEST_MAIN(TelnetWindowTest)
#include "telnet_window_test.moc"
