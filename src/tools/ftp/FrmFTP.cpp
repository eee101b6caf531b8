#include "tools/ftp/FrmFTP.h"

#include "kb/frmmain.h"
#include "kb/tooldock.h"
#include "platform/base/colors.h"
#include "platform/prompt/prompter.h"
#include "shell/messagebox.h"
#include "tools/ftp/CFtpConnection.h"
#include "tools/ftp/CFtpFiles.h"
#include "tools/ftp/CheckInternetActiveCon.h"
#include "tools/ftp/frmConnect.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int KeyRole = Qt::UserRole;
constexpr int SizeRole = Qt::UserRole + 1;
constexpr int RawRole = Qt::UserRole + 2;
constexpr int RawKeyRole = Qt::UserRole + 3;
constexpr qint64 progressIntervalMs = 100;

struct ToolButton
{
    const char *key;
    const char *tip;
    QStyle::StandardPixmap icon;
};

constexpr ToolButton toolButtons[] = {
    {"Connect", "", QStyle::SP_DriveNetIcon},
    {"UpLevel", "", QStyle::SP_FileDialogToParent},
    {"Stop", "Stop operation", QStyle::SP_BrowserStop},
    {"Refresh", "Refresh contents of current directory", QStyle::SP_BrowserReload},
    {"Download", "Download File...", QStyle::SP_ArrowDown},
    {"Upload", "Upload File...", QStyle::SP_ArrowUp},
    {"CreateDirectory", "Create Directory...", QStyle::SP_FileDialogNewFolder},
    {"Delete", "Delete File", QStyle::SP_TrashIcon},
    {"Rename", "Rename File...", QStyle::SP_FileDialogContentsView},
    {"View Large Icons", "View Large Icons", QStyle::SP_FileDialogListView},
    {"View Small Icons", "View Small Icons", QStyle::SP_FileDialogListView},
    {"View List", "View List", QStyle::SP_FileDialogListView},
    {"View Details", "View Details", QStyle::SP_FileDialogDetailedView},
    {"Exit", "Exit RAR-O", QStyle::SP_DialogCloseButton},
};

const char *const stateTexts[] = {"Resolving host...",
                                  "Host resolved",
                                  "Connected",
                                  "Authentication...",
                                  "You are logged in. Connection ready.",
                                  "Establishing data connection...",
                                  "Data connection established.",
                                  "Retrieving directory info...",
                                  "Directory listing completed.",
                                  "Transfer in progress...",
                                  "Transfer completed."};

// Remote names become tree keys; these would break the key scheme or mean no folder.
bool usableFolderName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\r')) &&
           !name.contains(QLatin1Char('\n')) && !name.contains(QChar(0));
}

// Below 1,200 twips either way the window lays nothing out: its parts stay where they were.
class FormLayout : public QVBoxLayout
{
public:
    using QVBoxLayout::QVBoxLayout;
    void setGeometry(const QRect &rect) override
    {
        const int least = Twips::toPixels(1200);
        if (rect.width() >= least && rect.height() >= least)
            QVBoxLayout::setGeometry(rect);
    }
};

// The bars between the panes keep 300 twips from the window's sides: a bar dropped closer
// lands there, and one that a resize leaves closer goes to the middle.
class PaneSplitter : public QSplitter
{
public:
    explicit PaneSplitter(QWidget *parent) : QSplitter(Qt::Horizontal, parent)
    {
        setOpaqueResize(false); // a shadow follows the drag, the bar moves on the drop
        setChildrenCollapsible(false);
        connect(this, &QSplitter::splitterMoved, this, [this](int left, int index) {
            const int kept = std::max(std::min(left, width() - margin()), margin());
            if (kept != left)
                moveSplitter(kept, index);
        });
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QSplitter::resizeEvent(event);
        for (int index = 1; index < count(); ++index) {
            const int left = handle(index)->x();
            if (left + margin() > width() || left - margin() < 0)
                moveSplitter(width() / 2, index);
        }
    }

private:
    static int margin() { return Twips::toPixels(300); }
};

// "###,##0" with a fixed group separator.
QString groupedNumber(qint64 value)
{
    QString digits = QString::number(value < 0 ? -value : value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace

FrmFTP::FrmFTP(FrmMain *main, QWidget *parent) : QWidget(parent), m_main(main)
{
    setWindowTitle(QStringLiteral("RAR-O"));

    tbToolBar = new QToolBar(this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    for (const ToolButton &button : toolButtons) {
        const QString key = QLatin1String(button.key);
        QAction *action = tbToolBar->addAction(style()->standardIcon(button.icon), key);
        action->setObjectName(key);
        action->setToolTip(QLatin1String(button.tip));
        connect(action, &QAction::triggered, this, [this, key] { tbToolBar_ButtonClick(key); });
        if (key == QLatin1String("Rename") || key == QLatin1String("View Details"))
            tbToolBar->addSeparator();
    }

    picTitle = new QWidget(this);
    auto *title = new QHBoxLayout(picTitle);
    title->setContentsMargins(2, 2, 2, 2);
    ProgressBar1 = new QProgressBar(picTitle);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setMaximumWidth(160);
    Check1 = new QCheckBox(QStringLiteral("&Passive FTP Syntax"), picTitle);
    Option1[0] = new QRadioButton(QStringLiteral("&ASCII"), picTitle);
    Option1[1] = new QRadioButton(QStringLiteral("&Binary"), picTitle);
    Option1[1]->setChecked(true);
    sbStatusBar = new QLabel(picTitle);
    sbStatusBar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sbStatusBar->setMinimumWidth(120);
    Label1 = new QLabel(picTitle);
    title->addWidget(ProgressBar1);
    title->addWidget(Check1);
    title->addWidget(Option1[0]);
    title->addWidget(Option1[1]);
    title->addWidget(sbStatusBar, 1);
    title->addWidget(Label1);

    tvTreeView = new QTreeWidget(this);
    tvTreeView->setObjectName(QStringLiteral("tvTreeView"));
    tvTreeView->setHeaderHidden(true);
    tvTreeView->setColumnCount(1);
    lvListView = new QTreeWidget(this);
    lvListView->setObjectName(QStringLiteral("lvListView"));
    lvListView->setRootIsDecorated(false);
    lvListView->setSelectionMode(QAbstractItemView::SingleSelection);
    lvListView->setHeaderLabels({QStringLiteral("File Name"), QStringLiteral("File Size (Bytes)"),
                                 QStringLiteral("Last Write Date"), QStringLiteral("Permissions"),
                                 QStringLiteral("Owner"), QStringLiteral("Group")});
    txtMessages = new QPlainTextEdit(this);
    txtMessages->setObjectName(QStringLiteral("txtMessages"));
    txtMessages->setReadOnly(true);
    txtMessages->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    picSlider = new PaneSplitter(this);
    picSlider->setObjectName(QStringLiteral("picSlider"));
    for (QWidget *pane : QList<QWidget *>{tvTreeView, lvListView, txtMessages}) {
        pane->setMinimumWidth(1); // the bars' own limits hold, not the panes' usual widths
        picSlider->addWidget(pane);
    }

    // The window may be made smaller than its parts; they are then cut off.
    setMinimumSize(1, 1);
    auto *layout = new FormLayout(this);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tbToolBar);
    layout->addWidget(picTitle);
    layout->addWidget(picSlider, 1);
    setViewStyle(3);

    m_toolbarGuard = tbToolBar;
    m_treeGuard = tvTreeView;

    m_FtpConnection = new CFtpConnection(this);
    m_FtpConnection->setTimeout(180);
    connect(m_FtpConnection, &CFtpConnection::stateChanged, this,
            &FrmFTP::m_FtpConnection_StateChanged);
    connect(m_FtpConnection, &CFtpConnection::replyMessage, this,
            &FrmFTP::m_FtpConnection_ReplyMessage);
    connect(m_FtpConnection, &CFtpConnection::downloadProgress, this,
            &FrmFTP::m_FtpConnection_DownloadProgress);
    connect(m_FtpConnection, &CFtpConnection::uploadProgress, this,
            &FrmFTP::m_FtpConnection_UploadProgress);

    connect(tvTreeView, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { tvTreeView_NodeClick(item); });
    connect(tvTreeView, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) {
        if (item->parent())
            item->setIcon(0, style()->standardIcon(QStyle::SP_DirOpenIcon));
    });
    connect(tvTreeView, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *item) {
        if (item->parent())
            item->setIcon(0, style()->standardIcon(QStyle::SP_DirClosedIcon));
    });
    connect(Check1, &QCheckBox::clicked, this,
            [this](bool checked) { m_FtpConnection->setPassiveMode(checked); });
    connect(Option1[0], &QRadioButton::clicked, this, [this] {
        const CloseGuard::Operation operation(m_closeGuard);
        m_FtpConnection->setTransferMode(0);
    });
    connect(Option1[1], &QRadioButton::clicked, this, [this] {
        const CloseGuard::Operation operation(m_closeGuard);
        m_FtpConnection->setTransferMode(1);
    });

    // The main window's docking service shows the toolbar and the tree while this window is
    // the active child (every activation docks them), and sends them home otherwise.
    if (m_main) {
        m_dock = m_main->toolDock();
        m_dock->add(this, {tbToolBar, tvTreeView, nullptr, [this] { takeBackPieces(); }});
    }
}

FrmFTP::~FrmFTP()
{
    if (m_dock)
        m_dock->remove(this);
}

bool FrmFTP::isDocked() const
{
    return m_dock && m_dock->isDocked(this);
}

void FrmFTP::SetParentToMain()
{
    if (m_dock && !m_closeGuard.closePending())
        m_dock->dock(this);
}

void FrmFTP::SetParBack()
{
    if (m_dock)
        m_dock->undock(this);
}

void FrmFTP::takeBackPieces()
{
    if (m_toolbarGuard && tbToolBar->parentWidget() != this) {
        tbToolBar->setParent(this);
        static_cast<QVBoxLayout *>(layout())->insertWidget(0, tbToolBar);
        tbToolBar->show();
    }
    if (m_treeGuard && tvTreeView->parentWidget() != picSlider) {
        picSlider->insertWidget(0, tvTreeView);
        tvTreeView->show();
    }
}

int FrmFTP::GetImageNumber(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = (dot < 0 ? fileName : fileName.mid(dot + 1)).toLower();
    static const QStringList textTypes{
        QStringLiteral("txt"), QStringLiteral("htm"), QStringLiteral("html"), QStringLiteral("lst"),
        QStringLiteral("log"), QStringLiteral("ini"), QStringLiteral("inf"),  QString()};
    return textTypes.contains(extension) ? 1 : 2;
}

QString FrmFTP::FormatFileSize(qint64 size)
{
    if (size < 1024)
        return QString::number(size) + QStringLiteral("bytes");
    return groupedNumber(qRound64(double(size) / 1024.0)) + QStringLiteral("KB");
}

QString FrmFTP::nodeKey(const QTreeWidgetItem *node)
{
    return node ? node->data(0, KeyRole).toString() : QString();
}

QByteArray FrmFTP::rawName(const QTreeWidgetItem *item)
{
    if (!item)
        return QByteArray();
    const QVariant raw = item->data(0, RawRole);
    return raw.isValid() ? raw.toByteArray() : item->text(0).toUtf8();
}

QByteArray FrmFTP::rawKey(const QTreeWidgetItem *node)
{
    if (!node)
        return QByteArray();
    const QVariant raw = node->data(0, RawKeyRole);
    return raw.isValid() ? raw.toByteArray() : nodeKey(node).toUtf8();
}

QTreeWidgetItem *FrmFTP::listItem(const QString &name) const
{
    for (int i = 0; i < lvListView->topLevelItemCount(); ++i)
        if (lvListView->topLevelItem(i)->text(0) == name)
            return lvListView->topLevelItem(i);
    return nullptr;
}

QTreeWidgetItem *FrmFTP::selectedListItem() const
{
    const QList<QTreeWidgetItem *> selected = lvListView->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

int FrmFTP::transferMode() const
{
    return Option1[0]->isChecked() ? 0 : 1;
}

// The node's names, as the server's bytes, joined by "/" from its first "/"; runs of "/" made
// one when asked.
QByteArray FrmFTP::rawServerPath(const QTreeWidgetItem *node, bool collapse) const
{
    QList<QByteArray> parts;
    for (const QTreeWidgetItem *at = node; at; at = at->parent())
        parts.prepend(rawName(at));
    QByteArray path = parts.join('/');
    const qsizetype slash = path.indexOf('/');
    path = slash < 0 ? path : path.mid(slash);
    while (collapse && path.contains("//"))
        path.replace("//", "/");
    return path;
}

QTreeWidgetItem *FrmFTP::addNode(QTreeWidgetItem *parent, const QString &key, const QString &text,
                                 const QByteArray &raw, const QByteArray &rawKey)
{
    if (m_nodes.contains(key))
        return nullptr;
    auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tvTreeView);
    item->setText(0, text);
    item->setData(0, KeyRole, key);
    item->setData(0, RawRole, raw.isNull() ? text.toUtf8() : raw);
    item->setData(0, RawKeyRole, rawKey.isNull() ? key.toUtf8() : rawKey);
    item->setIcon(
        0, style()->standardIcon(parent ? QStyle::SP_DirClosedIcon : QStyle::SP_DriveNetIcon));
    m_nodes.insert(key, item);
    return item;
}

void FrmFTP::clearTree()
{
    m_LastNode = nullptr;
    m_nodes.clear();
    tvTreeView->clear();
}

void FrmFTP::setViewStyle(int style)
{
    // Details show every column; the other styles show names with small or large icons.
    const bool details = style == 3;
    lvListView->setHeaderHidden(!details);
    for (int column = 1; column < lvListView->columnCount(); ++column)
        lvListView->setColumnHidden(column, !details);
    const int extent = this->style()->pixelMetric(style == 0 ? QStyle::PM_LargeIconSize
                                                             : QStyle::PM_SmallIconSize);
    lvListView->setIconSize(QSize(extent, extent));
}

void FrmFTP::tbToolBar_ButtonClick(const QString &key)
{
    // While the engine waits, only Stop, the view styles and Exit make sense.
    static const QStringList engineKeys{
        QStringLiteral("Connect"),  QStringLiteral("UpLevel"),        QStringLiteral("Refresh"),
        QStringLiteral("Download"), QStringLiteral("Upload"),         QStringLiteral("Delete"),
        QStringLiteral("Rename"),   QStringLiteral("CreateDirectory")};
    if (m_FtpConnection->busy() && engineKeys.contains(key))
        return;
    if (m_closeGuard.closePending() && key != QLatin1String("Exit"))
        return;
    const CloseGuard::Operation operation(m_closeGuard);
    if (key == QLatin1String("Connect")) {
        if (IsInternetActive())
            ConnectToServer();
        else
            ask(QStringLiteral("There is no active internet connection available now, "
                               "please connect to Internet first!"),
                107, 4, QStringLiteral("ERROR"));
    } else if (key == QLatin1String("UpLevel")) {
        QTreeWidgetItem *selected = tvTreeView->currentItem();
        if (!selected)
            return;
        if (selected->parent())
            tvTreeView->setCurrentItem(selected = selected->parent());
        if (m_FtpConnection->setCurrentDirectory(rawServerPath(selected, false)))
            ShowFolder(selected);
    } else if (key == QLatin1String("Stop")) {
        if (m_FtpConnection->closeConnection()) {
            clearTree();
            lvListView->clear();
            ResetProgress();
            Label1->clear();
        } else if (m_FtpConnection->ftpGetLastError() == 59) {
            if (ask(QStringLiteral("Data transfer in progress. Do you want to cancel the "
                                   "data transfer?"),
                    102, 1, QStringLiteral("ARE YOU SURE?")) == QLatin1String("Yes"))
                m_FtpConnection->cancelTransfer();
        }
    } else if (key == QLatin1String("Refresh")) {
        RefreshFolder();
    } else if (key == QLatin1String("Download")) {
        DownloadSelected();
    } else if (key == QLatin1String("Upload")) {
        UploadSelected();
    } else if (key == QLatin1String("CreateDirectory")) {
        CreateRemoteDirectory();
    } else if (key == QLatin1String("Delete")) {
        DeleteSelected();
    } else if (key == QLatin1String("Rename")) {
        RenameSelected();
    } else if (key == QLatin1String("View Large Icons")) {
        setViewStyle(0);
    } else if (key == QLatin1String("View Small Icons")) {
        setViewStyle(1);
    } else if (key == QLatin1String("View List")) {
        setViewStyle(2);
    } else if (key == QLatin1String("View Details")) {
        setViewStyle(3);
    } else if (key == QLatin1String("Exit")) {
        // The close itself waits until this click (and anything under it) has unwound.
        if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
            frame->close();
        else
            close();
    }
}

QString FrmFTP::ask(const QString &prompt, int icon, int buttons, const QString &title)
{
    if (m_closeGuard.closePending())
        return MsgButtons::escapeValue(buttons);
    return MsgBoxEx(prompt, icon, buttons, title);
}

void FrmFTP::logFailure(const QString &description)
{
    m_FtpConnection_ReplyMessage(
        QStringLiteral("Error %1: %2\r\n")
            .arg(m_FtpConnection->ftpGetLastError())
            .arg(description.isNull() ? m_FtpConnection->getFtpErrorDescription() : description));
}

void FrmFTP::ConnectToServer()
{
    frmConnect dialog(this);
    dialog.showModal();
    // Closing the dialog by its frame is a cancel too.
    if (dialog.Action() != 0 || dialog.result() != QDialog::Accepted)
        return;
    clearTree();
    lvListView->clear();
    m_FtpConnection->setFtpServer(dialog.URL());
    m_FtpConnection->setUserName(dialog.UserName());
    m_FtpConnection->setPassword(dialog.Password());
    m_FtpConnection->setPassiveMode(Check1->isChecked());
    Label1->clear();
    if (!m_FtpConnection->connectToServer()) {
        // No box: the log pane names the failure, with the server's replies before it.
        ResetProgress();
        logFailure();
        return;
    }
    Label1->setText(dialog.URL());

    QTreeWidgetItem *selected =
        addPathNodes(m_FtpConnection->currentDirectory(), m_FtpConnection->currentDirectoryRaw());
    m_LastNode = selected;
    ShowFolder(selected);
}

QTreeWidgetItem *FrmFTP::addPathNodes(QString path, const QByteArray &rawPath)
{
    // The server's bytes go with each node; "/" splits both forms at the same places.
    QList<QByteArray> rawParts;
    if (!rawPath.isEmpty()) {
        const qsizetype first = rawPath.indexOf('/');
        rawParts << (first < 0 ? rawPath : rawPath.left(first + 1));
        for (const QByteArray &part : rawPath.mid(rawParts.first().size()).split('/'))
            if (!part.isEmpty())
                rawParts << part;
    }
    QTreeWidgetItem *selected = nullptr;
    if (path == QLatin1String("/") || path.isEmpty()) {
        selected = addNode(nullptr, QStringLiteral("/"), QStringLiteral("/"));
    } else {
        const qsizetype first = path.indexOf(QLatin1Char('/'));
        const QString rootKey = first < 0 ? path : path.left(first + 1);
        const QStringList names =
            path.mid(rootKey.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (rawParts.size() != names.size() + 1) {
            rawParts.clear();
            rawParts << rootKey.toUtf8();
            for (const QString &name : names)
                rawParts << name.toUtf8();
        }
        selected = addNode(nullptr, rootKey, rootKey, rawParts.first(), rawParts.first());
        QString key = rootKey;
        QByteArray rawKey = rawParts.first();
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QString &name = names.at(i);
            key += name + QLatin1Char('/');
            rawKey += rawParts.at(i + 1) + '/';
            QTreeWidgetItem *child = addNode(selected, key, name, rawParts.at(i + 1), rawKey);
            if (!child)
                break;
            selected->setExpanded(true);
            selected = child;
        }
    }
    tvTreeView->setCurrentItem(selected);
    return selected;
}

void FrmFTP::ShowFolder(QTreeWidgetItem *node)
{
    if (!node)
        return;
    lvListView->clear();
    m_FtpConnection->setPassiveMode(Check1->isChecked());
    CFtpFiles files;
    if (!m_FtpConnection->enumFiles(files)) {
        logFailure();
        ask(QString::number(m_FtpConnection->ftpGetLastError()) + QStringLiteral("\r\n\r\n") +
                m_FtpConnection->getFtpErrorDescription(),
            103, 4, QStringLiteral("ERROR"));
    } else {
        const QString key = nodeKey(node);
        const QByteArray raw = rawKey(node);
        const bool plainRoot = node->parent() || key == QLatin1String("/");
        const bool shown = tvTreeView->currentItem() == node;
        for (const CFtpFile &file : files) {
            if (file.isDirectory) {
                if (!usableFolderName(file.filename))
                    continue;
                const QString childKey =
                    plainRoot ? key + file.filename + QLatin1Char('/')
                              : key + QLatin1Char('/') + file.filename + QLatin1Char('/');
                const QByteArray childRaw =
                    plainRoot ? raw + file.rawName + '/' : raw + '/' + file.rawName + '/';
                addNode(node, childKey, file.filename, file.rawName, childRaw);
            } else if (shown) {
                AddListItem(file);
            }
        }
    }
    node->setExpanded(true);
}

void FrmFTP::AddListItem(const CFtpFile &file)
{
    auto *item = new QTreeWidgetItem(lvListView);
    item->setText(0, file.filename);
    item->setIcon(0, style()->standardIcon(GetImageNumber(file.filename) == 1
                                               ? QStyle::SP_FileIcon
                                               : QStyle::SP_FileLinkIcon));
    item->setData(0, SizeRole, file.fileSize);
    item->setData(0, RawRole, file.rawName.isEmpty() ? file.filename.toUtf8() : file.rawName);
    item->setText(1, file.fileSize < 0 ? QString() : groupedNumber(file.fileSize));
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    // A UNIX listing keeps no time of day: midnight shown would be a false time.
    QString written;
    if (file.lastWriteTime.isValid())
        written = file.hasTimeOfDay
                      ? QLocale().toString(file.lastWriteTime, QLocale::ShortFormat)
                      : QLocale().toString(file.lastWriteTime.date(), QLocale::ShortFormat);
    item->setText(2, written);
    item->setText(3, file.permissions);
    item->setText(4, file.owner);
    item->setText(5, file.group);
}

void FrmFTP::RefreshFolder()
{
    QTreeWidgetItem *selected = tvTreeView->currentItem();
    if (!selected)
        return;
    const QList<QTreeWidgetItem *> children = selected->takeChildren();
    for (QTreeWidgetItem *child : children) {
        // Forget the keys of the whole removed branch.
        QList<QTreeWidgetItem *> branch{child};
        while (!branch.isEmpty()) {
            QTreeWidgetItem *at = branch.takeLast();
            m_nodes.remove(nodeKey(at));
            if (m_LastNode == at)
                m_LastNode = selected;
            for (int i = 0; i < at->childCount(); ++i)
                branch << at->child(i);
        }
        delete child;
    }
    lvListView->clear();
    ShowFolder(selected);
}

void FrmFTP::tvTreeView_NodeClick(QTreeWidgetItem *node)
{
    if (!node)
        return;
    if (m_FtpConnection->busy() || m_closeGuard.closePending()) {
        if (m_LastNode)
            tvTreeView->setCurrentItem(m_LastNode);
        return;
    }
    const CloseGuard::Operation operation(m_closeGuard);
    m_LastNode = node;
    tvTreeView->setCurrentItem(node);
    // One reconnect per click: a stale broken-connection code must not loop for ever.
    bool reconnected = false;
    for (;;) {
        if (m_FtpConnection->setCurrentDirectory(rawServerPath(node))) {
            ShowFolder(node);
            return;
        }
        if (m_FtpConnection->ftpGetLastError() != 4 || reconnected)
            return;
        reconnected = true;
        if (!m_FtpConnection->connectToServer())
            return;
    }
}

void FrmFTP::ResetProgress()
{
    ProgressBar1->setValue(0);
    sbStatusBar->setText(QString());
}

void FrmFTP::m_FtpConnection_StateChanged(int state)
{
    m_progressShown.invalidate(); // the next count shows at once
    sbStatusBar->setText(state >= 0 && state <= 10 ? QLatin1String(stateTexts[state]) : QString());
    if (state == CFtpConnection::TransferCompleted) {
        ProgressBar1->setValue(0);
        m_TransferSize = 0;
    }
}

void FrmFTP::m_FtpConnection_ReplyMessage(const QString &text)
{
    // The log keeps CR LF lines as the server sent them; the box wants plain line ends.
    QString line = text;
    line.remove(QLatin1Char('\r'));
    if (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    txtMessages->appendPlainText(line);
    txtMessages->verticalScrollBar()->setValue(txtMessages->verticalScrollBar()->maximum());
}

void FrmFTP::showProgress(const QString &verb, qint64 bytes)
{
    // A fast link brings a thousand chunks a second: the strip shows the count as often as
    // anyone can read it, and the transfer does not wait for a repaint per chunk.
    if (m_progressShown.isValid() && m_progressShown.elapsed() < progressIntervalMs)
        return;
    m_progressShown.start();
    sbStatusBar->setText(verb + m_TransferFile + QStringLiteral(" (") + QString::number(bytes) +
                         QStringLiteral(" bytes)"));
    if (m_TransferSize <= 0)
        return;
    const double percent = double(bytes) * 100.0 / double(m_TransferSize);
    if (percent >= 0.0 && percent <= 100.0)
        ProgressBar1->setValue(int(percent));
}

void FrmFTP::m_FtpConnection_DownloadProgress(qint64 bytes)
{
    showProgress(QStringLiteral("Downloading "), bytes);
}

void FrmFTP::m_FtpConnection_UploadProgress(qint64 bytes)
{
    showProgress(QStringLiteral("Uploading "), bytes);
}

void FrmFTP::closeEvent(QCloseEvent *event)
{
    if (m_closeGuard.busy() || m_FtpConnection->busy()) {
        // One of this window's operations is still on the stack (a transfer, a question):
        // stop the work, and close once everything has unwound.
        event->ignore();
        // The parts go home now, for good: the main window may already show another tab.
        if (m_dock)
            m_dock->remove(this);
        m_closeGuard.deferClose();
        if (m_FtpConnection->busy()) {
            if (!m_FtpConnection->transferRunning() || !m_FtpConnection->cancelTransfer())
                m_FtpConnection->breakConnection();
        }
        if (!m_closeGuard.busy())
            closeWhenIdle();
        return;
    }
    m_closeGuard.dropClose();
    m_FtpConnection->breakConnection();
    // The parts go home; a panel this window's tree was shown in hides.
    if (m_dock)
        m_dock->remove(this);
    event->accept();
    // The main window hands out its tool instance for as long as it lives in its frame; a
    // tool button pressed right after this close must get a new window, not this one.
    setParent(nullptr);
    deleteLater();
}

void FrmFTP::closeWhenIdle()
{
    QTimer::singleShot(0, this, [this] {
        if (!m_closeGuard.closePending())
            return;
        if (m_closeGuard.busy() || m_FtpConnection->busy()) {
            QTimer::singleShot(20, this, [this] { closeWhenIdle(); });
            return;
        }
        if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
            frame->close();
        else
            close();
    });
}
