#include "tools/telnet/frmTelnet.h"

#include "kb/frmmain.h"
#include "kb/tooldock.h"
#include "platform/net/SocketControl.h"
#include "shell/messagebox.h"
#include "tools/ftp/CheckInternetActiveCon.h"
#include "tools/telnet/TelnetKeys.h"
#include "tools/telnet/TelnetScreenView.h"
#include "tools/telnet/frmTCPIP.h"

#include <QAction>
#include <QCloseEvent>
#include <QDebug>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <langinfo.h>

namespace {

// The program's locale (Qt has set it from the environment) speaks UTF-8.
bool localeIsUtf8()
{
    const QByteArray codeset = QByteArray(nl_langinfo(CODESET)).toUpper().replace('-', "");
    return codeset == "UTF8";
}

frmTelnet::DialogRunner &dialogRunner()
{
    static frmTelnet::DialogRunner runner;
    return runner;
}

} // namespace

frmTelnet::frmTelnet(FrmMain *main, QWidget *parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("frmTelnet"));
    setWindowTitle(QStringLiteral("Vareri-R"));
    setFocusPolicy(Qt::StrongFocus);

    createToolbar();
    // The screen sits on the window's colour, whatever room the window has beyond 80 x 25
    // cells.
    auto *screenArea = new QWidget(this);
    screenArea->setAutoFillBackground(true);
    QPalette black = screenArea->palette();
    black.setColor(QPalette::Window, Qt::black);
    screenArea->setPalette(black);
    m_view = new TelnetScreenView(screenArea);
    m_view->setFocusProxy(this); // the window takes the keyboard itself
    connect(m_view, &TelnetScreenView::windowColorsChanged, screenArea,
            [screenArea](const QColor &back) {
                QPalette colours = screenArea->palette();
                colours.setColor(QPalette::Window, back);
                screenArea->setPalette(colours);
            });
    auto *screenLayout = new QVBoxLayout(screenArea);
    screenLayout->setContentsMargins(0, 0, 0, 0);
    screenLayout->addWidget(m_view, 0, Qt::AlignLeft | Qt::AlignTop);
    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("stbStatusBar"));
    m_statusBar->setSizeGripEnabled(false);
    for (int i = 0; i < 4; ++i) {
        m_panels[i] = new QLabel(m_statusBar);
        m_panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_statusBar->addWidget(m_panels[i], i == 0 || i == 3 ? 2 : 1);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addWidget(screenArea, 1);
    layout->addWidget(m_statusBar);

    m_socket = new SocketControl(this);
    connect(m_socket, &SocketControl::connected, this, &frmTelnet::WinsockClient_Connect);
    connect(m_socket, &SocketControl::dataArrival, this, &frmTelnet::WinsockClient_DataArrival);
    connect(m_socket, &SocketControl::closed, this, [this] {
        WinsockClient_DataArrival(); // what the host said last still reaches the screen
        CloseConnection();
    });
    connect(m_socket, &SocketControl::error, this, &frmTelnet::WinsockClient_Error);

    m_negotiation.setSendHandler([this](const QByteArray &bytes) { sendToHost(bytes); });
    m_negotiation.setDataHandler(
        [this](const char *data, qsizetype size) { m_view->writeData(data, size_t(size)); });
    m_negotiation.setTraceHandler([this](const QString &text) {
        if (TraceOn)
            qDebug().noquote() << "telnet:" << text;
    });

    // The main window's docking service shows the toolbar in the top band while this window
    // is the active child, and sends it home otherwise.
    if (m_main) {
        m_dock = m_main->toolDock();
        m_dock->add(this, {m_toolbar, nullptr, nullptr, [this] { takeBackToolbar(); }});
    }

    SetPar();
    setStatus(1, QStringLiteral("Please start the connection session."));
    m_view->InitTerminal();
    const bool utf8 = localeIsUtf8();
    m_view->screen().setUtf8(utf8);
    m_negotiation.setBinary(utf8);
}

bool frmTelnet::utf8() const
{
    return m_view->screen().utf8();
}

frmTelnet::~frmTelnet()
{
    if (m_dock)
        m_dock->remove(this);
}

void frmTelnet::createToolbar()
{
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("TBTelnet"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    struct Button
    {
        const char *key;
        const char *tip;
        QStyle::StandardPixmap icon;
        void (frmTelnet::*action)();
    };
    const Button buttons[] = {
        {"Connect", "Start Telnet Connection.", QStyle::SP_MediaPlay, &frmTelnet::ConnectHost},
        {"Config", "Config Current Telnet Connection.", QStyle::SP_FileDialogDetailedView,
         &frmTelnet::ShowConfig},
        {"Stop", "Stop Current Connection.", QStyle::SP_MediaStop, &frmTelnet::CloseConnection},
        {"Exit", "Exit", QStyle::SP_DialogCloseButton, &frmTelnet::ExitTool},
    };
    for (const Button &button : buttons) {
        QAction *action = m_toolbar->addAction(style()->standardIcon(button.icon),
                                               QString::fromLatin1(button.key));
        action->setObjectName(QString::fromLatin1(button.key));
        action->setToolTip(QString::fromLatin1(button.tip));
        connect(action, &QAction::triggered, this, button.action);
        m_buttons.append(action);
    }
}

QAction *frmTelnet::toolbarButton(const QString &key) const
{
    for (QAction *action : m_buttons) {
        if (action->objectName() == key)
            return action;
    }
    return nullptr;
}

QString frmTelnet::statusPanel(int index) const
{
    if (index < 1 || index > 4)
        return {};
    return m_panels[index - 1]->text();
}

void frmTelnet::setStatus(int index, const QString &text)
{
    m_panels[index - 1]->setText(text);
}

void frmTelnet::SetPar()
{
    if (m_dock)
        m_dock->dock(this);
}

void frmTelnet::SetParBack()
{
    if (m_dock)
        m_dock->undock(this);
}

void frmTelnet::takeBackToolbar()
{
    if (m_toolbar && m_toolbar->parentWidget() != this) {
        m_toolbar->setParent(this);
        if (auto *box = qobject_cast<QVBoxLayout *>(layout()))
            box->insertWidget(0, m_toolbar);
        m_toolbar->show();
    }
}

void frmTelnet::setDialogRunner(DialogRunner runner)
{
    dialogRunner() = std::move(runner);
}

void frmTelnet::runSettingsDialog()
{
    frmTCPIP dialog(this, this);
    m_settingsDialog = &dialog;
    if (dialogRunner())
        dialogRunner()(dialog);
    else
        dialog.exec();
    m_settingsDialog = nullptr;
    m_view->screen().setTraceOn(TraceOn);
}

void frmTelnet::ConnectHost()
{
    const CloseGuard::Operation operation(m_closeGuard);
    if (!IsInternetActive()) {
        MsgBoxEx(QStringLiteral("There is no active Internet connection in your computer, please "
                                "connect to Internet first!"),
                 105, 4, QStringLiteral("FAILED"));
        return;
    }
    // Cancel keeps the stored host and port, and Connect goes on with them.
    runSettingsDialog();
    if (m_closeGuard.closePending())
        return; // the window is closing: no connection either
    if (m_connectIssued)
        return;
    m_connectIssued = true;
    if (m_socket->state() != SocketControl::Closed) {
        m_socket->abort();
        m_socket->setRemotePort(0);
        m_socket->setLocalPort(0);
    }
    m_socket->setRemoteHost(Host);
    m_socket->setRemotePort(Port);
    m_view->InitTerminal();
    setStatus(4, QStringLiteral("Connecting to Remote Host"));
    setFocus();
    m_socket->connectToHost();
}

void frmTelnet::ShowConfig()
{
    const CloseGuard::Operation operation(m_closeGuard);
    runSettingsDialog();
}

void frmTelnet::CloseConnection()
{
    if (m_closing)
        return;
    m_closing = true;
    setStatus(1, QStringLiteral("Closed"));
    setStatus(2, QString());
    setStatus(3, m_socket->localIP());
    setStatus(4, QStringLiteral("Connection Reset"));
    m_socket->close();
    m_socket->setRemotePort(0);
    m_socket->setLocalPort(0);
    m_connectIssued = false;
    m_connected = false;
    m_closing = false;
}

void frmTelnet::ExitTool()
{
    CloseConnection();
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
        frame->close();
    else
        close();
}

void frmTelnet::WinsockClient_Connect()
{
    m_negotiation.connectionOpened();
    m_connected = true;
    setStatus(1, QStringLiteral("Connected"));
    setStatus(2, m_socket->remoteHostIP());
    setStatus(3, m_socket->localIP());
    setStatus(4, QStringLiteral("Connection Accepted By Remote Host"));
}

void frmTelnet::WinsockClient_DataArrival()
{
    if (Busy)
        return;
    Busy = true;
    m_view->setBusy(true);
    m_view->CursorSuspend(true);
    // Qt signals once for bytes that arrive together: read until the socket is empty.
    while (m_socket->bytesAvailable() > 0) {
        const QByteArray bytes = m_socket->getData();
        if (bytes.isEmpty())
            break;
        m_negotiation.receive(bytes);
    }
    m_view->CursorSuspend(false);
    m_view->setBusy(false);
    Busy = false;
}

void frmTelnet::WinsockClient_Error(int number, const QString &description)
{
    setStatus(4, QStringLiteral("%1 - %2").arg(number).arg(description));
    m_connectIssued = false;
    m_connected = false;
}

void frmTelnet::sendToHost(const QByteArray &bytes)
{
    // A send that fails means the connection is gone: show it as closed.
    if (!m_socket->sendData(bytes))
        CloseConnection();
}

bool frmTelnet::event(QEvent *event)
{
    // While connected every key belongs to the host, the main window's shortcuts included.
    if (event->type() == QEvent::ShortcutOverride && m_connected) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void frmTelnet::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    if (!m_connected)
        return;
    const QByteArray bytes = TelnetKeyBytes(
        event->key(), event->modifiers(), event->text(), m_view->screen().cursorKeysApplication(),
        utf8(), m_negotiation.localEnabled(TelnetNegotiation::OptBinary));
    if (bytes.isEmpty() || bytes == QByteArray(1, '\0'))
        return;
    sendToHost(TelnetNegotiation::escapeData(bytes));
}

bool frmTelnet::focusNextPrevChild(bool)
{
    return false; // Tab goes to the host
}

void frmTelnet::closeEvent(QCloseEvent *event)
{
    // A close that arrives while a dialog of ours is up (from a timer or another window)
    // ends the dialog and waits for it to unwind; the window then closes itself.
    if (m_closeGuard.busy()) {
        m_closeGuard.deferClose();
        if (m_settingsDialog)
            m_settingsDialog->reject();
        event->ignore();
        return;
    }
    m_socket->abort();
    m_socket->setRemoteHost(QStringLiteral("0.0.0.0"));
    m_socket->setRemotePort(0);
    m_connectIssued = false;
    m_connected = false;
    if (m_dock)
        m_dock->remove(this);
    event->accept();
}
