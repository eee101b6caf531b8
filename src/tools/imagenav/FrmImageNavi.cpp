#include "tools/imagenav/FrmImageNavi.h"

#include "kb/frmmain.h"
#include "kb/tooldock.h"
#include "platform/base/externalprogram.h"
#include "platform/base/folderlisting.h"
#include "shell/dialog.h"
#include "shell/messagebox.h"
#include "tools/imagenav/ImageNaviThumbs.h"
#include "tools/imagenav/cDrives.h"
#include "tools/imagenav/mExplorerTree.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QSysInfo>
#include <QTableWidget>
#include <QThread>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

FrmImageNavi::FileOpener &fileOpener()
{
    static FrmImageNavi::FileOpener opener;
    return opener;
}

// Paints a cell's thumbnail centred; the box is a little larger than the cell.
class ThumbDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const QImage thumb = index.data(FrmImageNavi::ThumbRole).value<QImage>();
        if (thumb.isNull())
            return;
        painter->save();
        painter->setClipRect(option.rect);
        const QPoint origin = option.rect.center() - QPoint(thumb.width(), thumb.height()) / 2;
        painter->drawImage(origin, thumb);
        if (option.state & QStyle::State_Selected) {
            painter->setPen(QPen(option.palette.color(QPalette::Highlight), 3));
            painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
        }
        painter->restore();
    }
};

void setCaption(QWidget *label, const QString &text)
{
    if (!label)
        return;
    if (label->metaObject()->indexOfProperty("Caption") >= 0)
        label->setProperty("Caption", text);
    else if (auto *plain = qobject_cast<QLabel *>(label))
        plain->setText(text);
}

// The ready state of the volume holding path, by the longest mount point above it.
bool volumeReady(const QString &path)
{
    bool ready = true;
    qsizetype longest = -1;
    for (const DriveVolume &volume : cDrives::volumes()) {
        QString root = volume.rootPath;
        if (!root.endsWith(QLatin1Char('/')))
            root += QLatin1Char('/');
        if (path.startsWith(root) && root.size() > longest) {
            longest = root.size();
            ready = volume.ready;
        }
    }
    return ready;
}

// What the desktop's opener is given for a file: its path, or, when its name is not valid
// UTF-8, a file address that carries the name's own bytes.
QString openerArgument(const QByteArray &nativePath)
{
    const QString path = QString::fromUtf8(nativePath);
    if (path.toUtf8() == nativePath)
        return path;
    return QStringLiteral("file://") + QString::fromLatin1(nativePath.toPercentEncoding("/"));
}

} // namespace

FrmImageNavi::FrmImageNavi(FrmMain *main, QWidget *parent) : QWidget(parent), m_main(main)
{
    setWindowTitle(QStringLiteral("Image Navigation"));
    // One reader per core; what they decode at once is held to a budget of memory.
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));

    FrameImageNavi = new QFrame(this);
    FrameImageNavi->setObjectName(QStringLiteral("FrameImageNavi"));
    FrameImageNavi->setFrameShape(QFrame::StyledPanel);
    m_frameGuard = FrameImageNavi;
    auto *frameLayout = new QVBoxLayout(FrameImageNavi);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    Explorer = new QTreeWidget(FrameImageNavi);
    Explorer->setObjectName(QStringLiteral("Explorer"));
    Explorer->setHeaderHidden(true);
    // Narrow enough for the left panel at its narrowest.
    Explorer->setMinimumWidth(160);
    frameLayout->addWidget(Explorer);

    MSFG = new QTableWidget(this);
    MSFG->setObjectName(QStringLiteral("MSFG"));
    MSFG->horizontalHeader()->hide();
    MSFG->verticalHeader()->hide();
    MSFG->setShowGrid(true);
    MSFG->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFG->setSelectionMode(QAbstractItemView::SingleSelection);
    MSFG->setItemDelegate(new ThumbDelegate(MSFG));
    MSFG->horizontalHeader()->setMinimumSectionSize(1);
    MSFG->verticalHeader()->setMinimumSectionSize(1);

    // Undocked, the frame sits beside the grid; docked, the grid has the window alone.
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FrameImageNavi);
    layout->addWidget(MSFG, 1);

    connect(Explorer, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { Explorer_NodeClick(current); });
    connect(Explorer, &QTreeWidget::itemExpanded, this, &FrmImageNavi::Explorer_Expand);
    connect(MSFG, &QTableWidget::currentCellChanged, this, [this] { MSFG_SelChange(); });
    connect(MSFG, &QTableWidget::cellDoubleClicked, this, [this] { MSFG_DblClick(); });

    LoadTree();
    // The main window's docking service shows the frame in the left panel, and the picture's
    // description in the top band, while this window is the active child.
    if (m_main) {
        m_dock = m_main->toolDock();
        m_dock->add(this,
                    {nullptr, FrameImageNavi, m_main->LabelPicDesc, [this] { takeBackFrame(); }});
    }
    if (m_main && m_main->LabelPicDesc)
        m_main->LabelPicDesc->raise();
    SetPar();
}

FrmImageNavi::~FrmImageNavi()
{
    cancelBuild();
    m_pool.waitForDone();
    unloadBusyWindow();
    if (m_dock)
        m_dock->remove(this);
}

void FrmImageNavi::setFileOpener(FileOpener opener)
{
    fileOpener() = std::move(opener);
}

const QStringList &FrmImageNavi::filePattern()
{
    static const QStringList pattern =
        QStringLiteral("*.bmp;*.dib;*.rle;*.gif;*.jpg;*.wmf;*.emf;*.ico;*.cur")
            .split(QLatin1Char(';'));
    return pattern;
}

void FrmImageNavi::LoadTree()
{
    SetMyComputerName(QSysInfo::machineHostName());
    cDrives().subLoadTreeView(Explorer);
    if (QTreeWidgetItem *root = Explorer->topLevelItem(0))
        root->setExpanded(true);
}

bool FrmImageNavi::isDocked() const
{
    return m_dock && m_dock->isDocked(this);
}

void FrmImageNavi::SetPar()
{
    if (m_dock && m_frameGuard)
        m_dock->dock(this);
}

void FrmImageNavi::SetParBack()
{
    if (m_dock)
        m_dock->undock(this);
}

void FrmImageNavi::takeBackFrame()
{
    if (!m_frameGuard || FrameImageNavi->parentWidget() == this)
        return;
    static_cast<QHBoxLayout *>(layout())->insertWidget(0, FrameImageNavi);
    FrameImageNavi->show();
}

void FrmImageNavi::closeFrame()
{
    m_closeGuard.dropClose();
    if (QWidget *frame = parentWidget())
        frame->close();
    else
        close();
}

void FrmImageNavi::closeEvent(QCloseEvent *event)
{
    // Asked to close while one of our operations is on the stack (from a timer while a
    // message of ours is up): stop the build and close once the operation has returned.
    if (m_closeGuard.busy()) {
        m_closeGuard.deferClose();
        cancelBuild();
        unloadBusyWindow();
        event->ignore();
        return;
    }
    Form_QueryUnload();
    Form_Unload();
    event->accept();
}

void FrmImageNavi::Form_QueryUnload()
{
    if (!m_main)
        return;
    // The frame goes home; a panel it was shown in hides.
    if (m_dock)
        m_dock->remove(this);
    if (m_main->LabelPicDesc) {
        m_main->LabelPicDesc->hide();
        m_main->LabelPicDesc->lower();
    }
    if (m_main->PanelHolder)
        m_main->PanelHolder->raise();
}

void FrmImageNavi::Form_Unload()
{
    cancelBuild();
    unloadBusyWindow();
    SetParBack();
}

void FrmImageNavi::Explorer_NodeClick(QTreeWidgetItem *node)
{
    if (!node)
        return;
    const CloseGuard::Operation operation(m_closeGuard);
    const QString path = NodePathToFilePath(node);
    if (path == m_currentPath)
        return;
    // Listing a drive that is not ready could hang on a dead mount.
    if (node->childCount() == 0 && !node->data(0, NotReadyRole).toBool())
        LoadSubFolders(Explorer, path, node);
    if (node == Explorer->currentItem()) {
        m_currentPath = path;
        clearGrid();
        ShowFolder(path);
    }
}

void FrmImageNavi::Explorer_Expand(QTreeWidgetItem *node)
{
    if (!node)
        return;
    const CloseGuard::Operation operation(m_closeGuard);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Listing the children's own folders lets them show whether they can open.
    for (int i = 0; i < node->childCount(); ++i)
        Explorer_NodeClick(node->child(i));
    QApplication::restoreOverrideCursor();
}

void FrmImageNavi::ShowFolder(const QString &path)
{
    cancelBuild();
    m_file1.clear();
    m_nativeFiles.clear();
    clearGrid();
    // An empty mount point of a drive without its disc is still "not ready".
    if (!volumeReady(path)) {
        unloadBusyWindow();
        MsgBoxEx(QStringLiteral("Driver not ready, please insert disk!"), 103, 4,
                 QStringLiteral("ERROR"));
        return;
    }
    const QFileInfo folder(path);
    if (!folder.isDir()) {
        unloadBusyWindow();
        MsgBoxEx(QStringLiteral("Path not found"), 103, 4, QStringLiteral("ERROR"));
        return;
    }
    if (!folder.isReadable() || !folder.isExecutable()) {
        unloadBusyWindow();
        MsgBoxEx(QStringLiteral("Path/File access error"), 103, 4, QStringLiteral("ERROR"));
        return;
    }
    // Listed by the file system's own bytes, so that a name that is not valid UTF-8 still
    // gets its cell.
    QList<FolderListing::ListedFile> files = FolderListing::listFiles(path, filePattern());
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(files.begin(), files.end(),
              [&collator](const FolderListing::ListedFile &a, const FolderListing::ListedFile &b) {
                  const int order = collator.compare(a.name, b.name);
                  return order != 0 ? order < 0 : a.nativePath < b.nativePath;
              });
    for (const FolderListing::ListedFile &file : std::as_const(files)) {
        m_file1.append(file.name);
        m_nativeFiles.append(file.nativePath);
    }
    ShowThumbs(path);
}

void FrmImageNavi::ShowThumbs(const QString &path)
{
    if (QWidget *frame = parentWidget(); frame && frame->isMinimized())
        frame->showMaximized();
    clearGrid();
    if (m_dock)
        m_dock->setCaptionShown(this, false);
    if (m_file1.isEmpty()) {
        unloadBusyWindow();
        return;
    }
    // The program's busy window shows the progress, one step per picture; a build that
    // replaces another keeps the window it had.
    if (!m_dialog)
        m_dialog = Dialog::instance();
    m_dialog->setMaximum(int(m_file1.size()));
    m_dialog->setValue(0);
    m_dialog->Show();
    BuildThumbGrid(path);
}

void FrmImageNavi::BuildThumbGrid(const QString &)
{
    const int files = int(m_file1.size());
    // A grid narrower than one box still shows one column.
    m_thumbColumns = std::max(1, MSFG->width() / ImageNaviThumbs::ThumbBox);
    MSFG->setRowCount(ImageNaviThumbs::thumbRowCount(files, m_thumbColumns));
    MSFG->setColumnCount(m_thumbColumns);
    for (int row = 0; row < MSFG->rowCount(); ++row)
        MSFG->setRowHeight(row, ImageNaviThumbs::CellSize);
    for (int column = 0; column < m_thumbColumns; ++column)
        MSFG->setColumnWidth(column, ImageNaviThumbs::CellSize);

    m_building = true;
    m_thumbsDone = 0;
    const int generation = ++m_generation;
    const int iconExtent = style()->pixelMetric(QStyle::PM_LargeIconSize);
    const QSize iconSize(iconExtent, iconExtent);
    const QColor background = palette().color(QPalette::Button);
    // Pictures are read in the pool; each result comes back to its own cell, and a newer
    // folder or closing the window drops what is still queued.
    for (int index = 0; index < files; ++index) {
        const QByteArray file = m_nativeFiles.at(index);
        m_pool.start([this, generation, index, file, iconSize, background] {
            if (m_generation.load() != generation)
                return;
            const QImage thumb = ImageNaviThumbs::loadThumb(file, iconSize, background);
            QMetaObject::invokeMethod(
                this, [this, generation, index, thumb] { thumbReady(generation, index, thumb); },
                Qt::QueuedConnection);
        });
    }
}

void FrmImageNavi::thumbReady(int generation, int index, const QImage &thumb)
{
    if (generation != m_generation.load() || !m_building)
        return;
    auto *item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (thumb.isNull()) {
        // A damaged or unreadable picture gets a mark; the others still fill in.
        const QIcon mark = style()->standardIcon(QStyle::SP_MessageBoxWarning);
        const QImage markImage = mark.pixmap(32, 32).toImage();
        item->setData(ThumbRole,
                      ImageNaviThumbs::DrawThumb(markImage, palette().color(QPalette::Button)));
        item->setData(FailedRole, true);
    } else {
        item->setData(ThumbRole, thumb);
    }
    MSFG->setItem(index / m_thumbColumns, index % m_thumbColumns, item);
    if (m_dialog)
        m_dialog->step();
    if (++m_thumbsDone >= m_file1.size()) {
        m_building = false;
        unloadBusyWindow();
    }
}

void FrmImageNavi::cancelBuild()
{
    ++m_generation;
    m_pool.clear();
    m_building = false;
}

void FrmImageNavi::unloadBusyWindow()
{
    if (!m_dialog)
        return;
    m_dialog->Unload();
    m_dialog = nullptr;
}

void FrmImageNavi::clearGrid()
{
    MSFG->clear();
    MSFG->setRowCount(0);
    MSFG->setColumnCount(0);
}

QString FrmImageNavi::cellFile(int row, int column) const
{
    const int index = cellIndex(row, column);
    return index < 0 ? QString() : m_file1.at(index);
}

int FrmImageNavi::cellIndex(int row, int column) const
{
    if (row < 0 || column < 0 || m_thumbColumns <= 0)
        return -1;
    const int index = row * m_thumbColumns + column;
    return index < m_file1.size() ? index : -1;
}

void FrmImageNavi::MSFG_SelChange()
{
    QWidget *label = m_main ? m_main->LabelPicDesc : nullptr;
    if (!label)
        return;
    // A cell after the last file, or a file gone meanwhile, shows nothing.
    const int index = cellIndex(MSFG->currentRow(), MSFG->currentColumn());
    const qint64 size = index < 0 ? -1 : FolderListing::fileSize(m_nativeFiles.at(index));
    if (size < 0) {
        if (m_dock)
            m_dock->setCaptionShown(this, false);
        setCaption(label, QString());
        return;
    }
    const QString full = QDir(m_currentPath).filePath(m_file1.at(index));
    setCaption(label, ImageNaviThumbs::pictureDescription(full, size));
    if (m_dock)
        m_dock->setCaptionShown(this, true);
}

void FrmImageNavi::MSFG_DblClick()
{
    const CloseGuard::Operation operation(m_closeGuard);
    if (m_currentPath.isEmpty())
        return;
    // A cell after the last file opens the shown folder itself.
    const int index = cellIndex(MSFG->currentRow(), MSFG->currentColumn());
    const QString full =
        index < 0 ? m_currentPath : QDir(m_currentPath).filePath(m_file1.at(index));
    const QString target =
        openerArgument(index < 0 ? QFile::encodeName(m_currentPath) : m_nativeFiles.at(index));
    if (!fileOpener()) {
        ExternalProgram::openWithDesktop(target, this, [this, full] { reportNoProgram(full); });
        return;
    }
    if (!fileOpener()(target))
        reportNoProgram(full);
}

void FrmImageNavi::reportNoProgram(const QString &full)
{
    const CloseGuard::Operation operation(m_closeGuard);
    MsgBoxEx(QStringLiteral("No program is set up to open \"%1\".").arg(full), 105, 4,
             QStringLiteral("FAILED"));
}
