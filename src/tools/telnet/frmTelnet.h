#pragma once

#include "kb/dockabletool.h"
#include "tools/telnet/TelnetNegotiation.h"
#include "winsvc/closeguard.h"

#include <QPointer>
#include <QToolBar>
#include <QWidget>

#include <functional>

class FrmMain;
class QAction;
class QLabel;
class QStatusBar;
class ToolDock;

class SocketControl;
class TelnetScreenView;
class frmTCPIP;

// The telnet terminal window: one connection, its option negotiation, the screen the host
// writes on, the keyboard, a four-panel status bar, and a toolbar lent to the main window.
class frmTelnet : public QWidget, public DockableTool
{
    Q_OBJECT

public:
    explicit frmTelnet(FrmMain *main, QWidget *parent = nullptr);
    ~frmTelnet() override;

    // Settings the connection dialog edits.
    QString Host;
    quint16 Port = 0;
    bool TraceOn = false;
    // Set while a received batch is worked through.
    bool Busy = false;

    void SetPar() override;
    void SetParBack() override;

    // Toolbar actions.
    void ConnectHost();
    void ShowConfig();
    void CloseConnection(); // the close handling: Stop, the peer's close, Exit
    void ExitTool();

    QToolBar *TBTelnet() const { return m_toolbar; }
    QAction *toolbarButton(const QString &key) const;
    TelnetScreenView *screenView() const { return m_view; }
    SocketControl *WinsockClient() const { return m_socket; }
    TelnetNegotiation &negotiation() { return m_negotiation; }
    QString statusPanel(int index) const; // 1 to 4
    bool isConnectIssued() const { return m_connectIssued; }
    bool isConnected() const { return m_connected; }
    // UTF-8 text both ways with BINARY agreed (in a UTF-8 locale), or the 8-bit Latin-1
    // terminal.
    bool utf8() const;

    // Runs the settings dialog modally and reports whether it was accepted; tests replace it
    // to fill in and press the dialog's buttons themselves.
    using DialogRunner = std::function<bool(frmTCPIP &dialog)>;
    static void setDialogRunner(DialogRunner runner);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createToolbar();
    void setStatus(int index, const QString &text);
    void WinsockClient_Connect();
    void WinsockClient_DataArrival();
    void WinsockClient_Error(int number, const QString &description);
    void sendToHost(const QByteArray &bytes);
    void runSettingsDialog();
    // Puts the lent toolbar back into this window.
    void takeBackToolbar();

    QPointer<FrmMain> m_main;
    QPointer<ToolDock> m_dock;
    QPointer<QToolBar> m_toolbar;
    QList<QAction *> m_buttons;
    TelnetScreenView *m_view = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QLabel *m_panels[4] = {};
    SocketControl *m_socket = nullptr;
    TelnetNegotiation m_negotiation;
    bool m_connectIssued = false;
    bool m_connected = false;
    bool m_closing = false;
    // A close asked for while a dialog of ours is up is carried out when the last one ends.
    CloseGuard m_closeGuard{[this] {
                                m_closeGuard.dropClose();
                                ExitTool();
                            },
                            this};
    QPointer<frmTCPIP> m_settingsDialog;
};
