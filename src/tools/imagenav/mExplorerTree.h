#pragma once

#include <QString>
#include <Qt>

class QIcon;
class QTreeWidget;
class QTreeWidgetItem;

// Node data of the navigator's drive and folder tree.
enum ExplorerRole {
    NodeKeyRole = Qt::UserRole + 1, // the node's key ("Parent3", the computer name)
    NodePathRole,                   // the folder the node stands for, ending in "/"
    ImageKeyRole,                   // the node's picture key ("cldfolder", "drvfixed", ...)
    NotReadyRole,                   // a drive that was not ready when the tree was built
    MarkedRole,                     // a hidden or unreadable folder, shown grey
};

// The computer name: the root node's key and text.
QString GetMyComputerName();
void SetMyComputerName(const QString &name);

// The picture of the tree's image list by its key.
QIcon explorerImage(const QString &key);
void setNodeData(QTreeWidgetItem *node, const QString &key, const QString &path,
                 const QString &imageKey, const QString &selectedImageKey = QString());

// Adds one child per subfolder of folderPath under parent, sorted as a list box sorts
// (case-insensitive); hidden and unreadable folders are greyed.
void LoadSubFolders(QTreeWidget *tree, const QString &folderPath, QTreeWidgetItem *parent);

// The folder a node stands for, ending in "/"; empty for the computer node.
QString NodePathToFilePath(const QTreeWidgetItem *node);
