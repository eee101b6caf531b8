#pragma once

#include <QString>
#include <Qt>

class QTreeWidget;

// The role that keeps a node's committed name, so a label edit knows the old one.
constexpr int SchemaNameRole = Qt::UserRole + 1;

// Rebuilds the schema tree of a database: "Database", its "Tables" with their
// "Fields", "Indexes" and "Properties", and its "Querys" with their "Fields".
// Table and field names can be edited in place. Throws AppException.
void fillSchemaTree(QTreeWidget *tree, const QString &path, const QString &password);
