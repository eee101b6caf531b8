#pragma once

#include <QString>
#include <Qt>

#include <memory>

class QIcon;
class QTreeWidget;
class QTreeWidgetItem;

namespace db {
class Database;
}

// Roles of the schema tree's nodes: the committed name (so a label edit knows the old one),
// the node's tag ("Table", "Table Field", ...) and its picture's index in the image list.
constexpr int SchemaNameRole = Qt::UserRole + 1;
constexpr int SchemaTagRole = Qt::UserRole + 2;
constexpr int SchemaImageRole = Qt::UserRole + 3;

// Builds the schema tree of one database and writes query skeletons for its tables. Made for
// one call: set DatabaseName, call, release; the release closes the database it opened.
class DataTree
{
public:
    DataTree();
    ~DataTree();
    DataTree(const DataTree &) = delete;
    DataTree &operator=(const DataTree &) = delete;

    QString DatabaseName() const { return m_databaseName; }
    void setDatabaseName(const QString &name) { m_databaseName = name; }

    // The skeleton of kind 1 select, 2 delete, 3 update, 4 insert for the selected table
    // node; "" when its first child has no children. Throws AppException without a first
    // child.
    QString CreateQueryByNode(QTreeWidget *tree, long kind);
    // Database, tables with their fields, indexes and properties, queries, and the
    // database's properties. Throws AppException; the tree is shown again either way.
    void DataTreeRefresh(QTreeWidget *tree, const QString &password);
    // Adds the details of the selected node (properties, a query's fields) once.
    void ShowDetails(QTreeWidgetItem *&node, QTreeWidget *tree, const QString &password);

    // A name in brackets, or in double quotes when it holds a closing bracket.
    static QString quoteName(const QString &name);
    // The picture of an image-list index (2 to 15; 0 stands for the key "DB").
    static QIcon image(int index);

private:
    void open(const QString &password, bool exclusive);
    static void LimitLabelEdit(QTreeWidget *tree, int length);

    QString m_databaseName;
    std::shared_ptr<db::Database> m_database;
};
