#include "dbtools/dirlistbox.h"

#include <QDir>
#include <QFileInfo>
#include <QStyle>

namespace {

constexpr int PathRole = Qt::UserRole;

} // namespace

DirListBox::DirListBox(QWidget *parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(12);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem *item) { setPath(item->data(0, PathRole).toString()); });
    connect(this, &QTreeWidget::itemClicked, this, &DirListBox::clicked);
}

bool DirListBox::setPath(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir() || !info.isReadable())
        return false;
    const QString folder = QDir::cleanPath(info.absoluteFilePath());
    const bool moved = folder != m_path;
    m_path = folder;
    fill();
    if (moved)
        emit changed();
    return true;
}

void DirListBox::fill()
{
    clear();
    QStringList chain{m_path};
    for (QDir up(m_path); up.cdUp() && up.absolutePath() != chain.constFirst();)
        chain.prepend(up.absolutePath());
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem *current = nullptr;
    for (const QString &folder : std::as_const(chain)) {
        auto *item = current ? new QTreeWidgetItem(current) : new QTreeWidgetItem(this);
        item->setText(0, current ? QDir(folder).dirName() : QDir::toNativeSeparators(folder));
        item->setIcon(0, open);
        item->setData(0, PathRole, folder);
        current = item;
    }
    const QStringList subfolders = QDir(m_path).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString &name : subfolders) {
        auto *item = new QTreeWidgetItem(current, {name});
        item->setIcon(0, closed);
        item->setData(0, PathRole, QDir(m_path).filePath(name));
    }
    expandAll();
    setCurrentItem(current);
    scrollToItem(current);
}
