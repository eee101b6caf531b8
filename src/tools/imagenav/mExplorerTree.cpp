#include "tools/imagenav/mExplorerTree.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>

namespace {

QString &computerName()
{
    static QString name;
    return name;
}

} // namespace

QString GetMyComputerName()
{
    return computerName();
}

void SetMyComputerName(const QString &name)
{
    computerName() = name;
}

QIcon explorerImage(const QString &key)
{
    static const QHash<QString, QStyle::StandardPixmap> pictures = {
        {QStringLiteral("cldfolder"), QStyle::SP_DirClosedIcon},
        {QStringLiteral("opnfolder"), QStyle::SP_DirOpenIcon},
        {QStringLiteral("drvcd"), QStyle::SP_DriveCDIcon},
        {QStringLiteral("drvremove"), QStyle::SP_DriveFDIcon},
        {QStringLiteral("drvfixed"), QStyle::SP_DriveHDIcon},
        {QStringLiteral("drvremote"), QStyle::SP_DriveNetIcon},
        {QStringLiteral("mycomputer"), QStyle::SP_ComputerIcon},
        {QStringLiteral("drvunknown"), QStyle::SP_DriveHDIcon},
        {QStringLiteral("drvmemory"), QStyle::SP_DriveHDIcon}};
    static QHash<QString, QIcon> made;
    const auto done = made.constFind(key);
    if (done != made.constEnd())
        return done.value();
    const auto found = pictures.constFind(key);
    if (found == pictures.constEnd())
        return {};
    return made.insert(key, QApplication::style()->standardIcon(found.value())).value();
}

void setNodeData(QTreeWidgetItem *node, const QString &key, const QString &path,
                 const QString &imageKey, const QString &selectedImageKey)
{
    node->setData(0, NodeKeyRole, key);
    node->setData(0, NodePathRole, path);
    node->setData(0, ImageKeyRole, imageKey);
    if (selectedImageKey.isEmpty()) {
        node->setIcon(0, explorerImage(imageKey));
        return;
    }
    // Thousands of folder nodes share one pair of pictures.
    static QHash<QString, QIcon> pairs;
    const QString pairKey = imageKey + QLatin1Char('|') + selectedImageKey;
    auto pair = pairs.find(pairKey);
    if (pair == pairs.end()) {
        QIcon icon = explorerImage(imageKey);
        const QIcon selected = explorerImage(selectedImageKey);
        for (const QSize &size : selected.availableSizes())
            icon.addPixmap(selected.pixmap(size), QIcon::Selected);
        pair = pairs.insert(pairKey, icon);
    }
    node->setIcon(0, pair.value());
}

void LoadSubFolders(QTreeWidget *tree, const QString &folderPath, QTreeWidgetItem *parent)
{
    if (!tree || !parent || folderPath.isEmpty())
        return;
    QFileInfoList folders =
        QDir(folderPath)
            .entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                           QDir::NoSort);
    // The mark travels with the name, never inside it, so no name sorts by a suffix.
    std::sort(folders.begin(), folders.end(), [](const QFileInfo &a, const QFileInfo &b) {
        const int folded = a.fileName().compare(b.fileName(), Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.fileName() < b.fileName();
    });
    QString base = folderPath;
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    for (const QFileInfo &folder : folders) {
        auto *node = new QTreeWidgetItem(parent);
        node->setText(0, folder.fileName());
        setNodeData(node, QString(), base + folder.fileName() + QLatin1Char('/'),
                    QStringLiteral("cldfolder"), QStringLiteral("opnfolder"));
        const bool marked = folder.isHidden() || !folder.isReadable() || !folder.isExecutable();
        node->setData(0, MarkedRole, marked);
        if (marked)
            node->setForeground(0, QColor(120, 120, 120));
    }
}

QString NodePathToFilePath(const QTreeWidgetItem *node)
{
    return node ? node->data(0, NodePathRole).toString() : QString();
}
