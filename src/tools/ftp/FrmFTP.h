#pragma once

#include "kb/dockabletool.h"
#include "tools/ftp/CFtpFile.h"
#include "winsvc/closeguard.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

class CFtpConnection;
class FrmMain;
class QAction;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QRadioButton;
class QSplitter;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class ToolDock;

// The FTP client window: a remote folder tree, the files of the shown folder, the log of
// the control connection and a title strip with state and progress. While it is the
// active child its toolbar and tree sit in the main window.
class FrmFTP : public QWidget, public DockableTool
{
    Q_OBJECT

public:
    explicit FrmFTP(FrmMain *main, QWidget *parent = nullptr);
    ~FrmFTP() override;

    void SetPar() override { SetParentToMain(); }
    void SetParBack() override;
    static int GetImageNumber(const QString &fileName);
    static QString FormatFileSize(qint64 size);
    void SetParentToMain();

    void tbToolBar_ButtonClick(const QString &key);
    void tvTreeView_NodeClick(QTreeWidgetItem *node);
    // The node of a folder key ("/", "/pub/"), or nullptr.
    QTreeWidgetItem *node(const QString &key) const { return m_nodes.value(key); }
    static QString nodeKey(const QTreeWidgetItem *node);
    // A node's or list item's name as the server's bytes.
    static QByteArray rawName(const QTreeWidgetItem *item);
    // The folder path of a node as the server's bytes, ending in "/" like its key.
    static QByteArray rawKey(const QTreeWidgetItem *node);
    // The list row of a file name, or nullptr.
    QTreeWidgetItem *listItem(const QString &name) const;
    bool isDocked() const;
    // The nodes of a server folder path from the root down; the last one is selected.
    QTreeWidgetItem *addPathNodes(QString path, const QByteArray &rawPath = QByteArray());
    CFtpConnection *connection() const { return m_FtpConnection; }

    QToolBar *tbToolBar;
    QTreeWidget *tvTreeView;
    QTreeWidget *lvListView;
    QPlainTextEdit *txtMessages;
    QWidget *picTitle;
    QProgressBar *ProgressBar1;
    QCheckBox *Check1;
    QRadioButton *Option1[2];
    QLabel *sbStatusBar;
    QLabel *Label1;
    QSplitter *picSlider;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Closes once the window's own operations and the engine have all returned.
    void closeWhenIdle();
    // MsgBoxEx, or the Esc answer without a box while the window is closing.
    QString ask(const QString &prompt, int icon, int buttons, const QString &title);
    // Writes the engine's last failure into the log, its description or the one given.
    void logFailure(const QString &description = QString());
    void ConnectToServer();
    void ShowFolder(QTreeWidgetItem *node);
    void ResetProgress();
    void AddListItem(const CFtpFile &file);
    void RefreshFolder();
    QTreeWidgetItem *addNode(QTreeWidgetItem *parent, const QString &key, const QString &text,
                             const QByteArray &raw = QByteArray(),
                             const QByteArray &rawKey = QByteArray());
    void clearTree();
    // The folder path of a node for the server (its own bytes).
    QByteArray rawServerPath(const QTreeWidgetItem *node, bool collapse = true) const;
    QTreeWidgetItem *selectedListItem() const;
    int transferMode() const;
    void setViewStyle(int style);
    // Puts the lent toolbar and tree back into this window.
    void takeBackPieces();

    void m_FtpConnection_StateChanged(int state);
    void m_FtpConnection_ReplyMessage(const QString &text);
    void m_FtpConnection_DownloadProgress(qint64 bytes);
    void m_FtpConnection_UploadProgress(qint64 bytes);
    void showProgress(const QString &verb, qint64 bytes);

    // File commands (FrmFTPCommands.cpp).
    void DownloadSelected();
    void UploadSelected();
    void CreateRemoteDirectory();
    void DeleteSelected();
    void RenameSelected();

    FrmMain *m_main;
    CFtpConnection *m_FtpConnection;
    QString m_TransferFile;
    qint64 m_TransferSize = 0;
    QElapsedTimer m_progressShown; // when the strip last showed a transfer's count
    QPointer<QToolBar> m_toolbarGuard;
    QPointer<QTreeWidget> m_treeGuard;
    QTreeWidgetItem *m_LastNode = nullptr;
    QHash<QString, QTreeWidgetItem *> m_nodes;
    QPointer<ToolDock> m_dock;
    CloseGuard m_closeGuard{[this] { closeWhenIdle(); }, this};
};

// True when the path names an existing file (not a folder).
bool LocalFileExists(const QString &path);
