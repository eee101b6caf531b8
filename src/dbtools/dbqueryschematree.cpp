#include "dbtools/dbqueryschematree.h"

#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"

#include <QTreeWidget>

namespace {

QTreeWidgetItem *addNode(QTreeWidgetItem *parent, const QString &text, bool editable = false)
{
    auto *node = new QTreeWidgetItem(parent, {text});
    node->setData(0, SchemaNameRole, text);
    if (editable)
        node->setFlags(node->flags() | Qt::ItemIsEditable);
    return node;
}

} // namespace

void fillSchemaTree(QTreeWidget *tree, const QString &path, const QString &password)
{
    tree->clear();
    db::OpenOptions options;
    if (!password.isEmpty())
        options.password = password;
    const auto database = db::DBEngine::openDatabase(path, options);
    auto *root = new QTreeWidgetItem(tree, {QStringLiteral("Database")});
    root->setData(0, SchemaNameRole, root->text(0));
    QTreeWidgetItem *tables = addNode(root, QStringLiteral("Tables"));
    for (const db::TableDef &table : database->TableDefs()) {
        if (!db::isUserTable(table.attributes))
            continue;
        QTreeWidgetItem *node = addNode(tables, table.name, true);
        QTreeWidgetItem *fields = addNode(node, QStringLiteral("Fields"));
        for (const db::Field &field : table.fields)
            addNode(fields, field.name, true);
        QTreeWidgetItem *indexes = addNode(node, QStringLiteral("Indexes"));
        for (const db::Index &index : table.indexes)
            addNode(indexes, index.name);
        QTreeWidgetItem *properties = addNode(node, QStringLiteral("Properties"));
        for (const db::Property &property : table.properties)
            addNode(properties, property.name);
    }
    QTreeWidgetItem *queries = addNode(root, QStringLiteral("Querys"));
    for (const db::QueryDef &query : database->QueryDefs()) {
        QTreeWidgetItem *node = addNode(queries, query.name);
        QTreeWidgetItem *fields = addNode(node, QStringLiteral("Fields"));
        for (const QString &field : query.fields)
            addNode(fields, field);
    }
    database->Close();
    root->setExpanded(true);
    tables->setExpanded(true);
    queries->setExpanded(true);
}
