// The schema tree of the Data View's database and the query skeletons built from it.
#include "kb/datatree.h"

#include "platform/base/apperror.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbsql.h"

#include <QApplication>
#include <QIcon>
#include <QLineEdit>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>

namespace {

// Keeps typed labels within the length the tree allows.
class LimitedLabelDelegate : public QStyledItemDelegate
{
public:
    LimitedLabelDelegate(int length, QObject *parent)
        : QStyledItemDelegate(parent), m_length(length)
    {}
    void setLength(int length) { m_length = length; }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            line->setMaxLength(m_length);
        return editor;
    }

private:
    int m_length;
};

QString valueText(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return value.isNull() ? QString() : value.toString();
}

QTreeWidgetItem *addNode(QTreeWidgetItem *parent, const QString &text, int image,
                         const QString &tag, bool editable = false)
{
    auto *node = new QTreeWidgetItem(parent, {text});
    node->setData(0, SchemaNameRole, text);
    node->setData(0, SchemaImageRole, image);
    node->setIcon(0, DataTree::image(image));
    if (!tag.isEmpty())
        node->setData(0, SchemaTagRole, tag);
    if (editable)
        node->setFlags(node->flags() | Qt::ItemIsEditable);
    return node;
}

void addProperties(QTreeWidgetItem *node, const QList<db::Property> &properties)
{
    for (const db::Property &property : properties) {
        addNode(node, property.name + QLatin1Char('=') + valueText(property.value), 13, {});
        node->setExpanded(true);
    }
}

QString tagOf(const QTreeWidgetItem *node)
{
    return node ? node->data(0, SchemaTagRole).toString() : QString();
}

QString textOf(const QTreeWidgetItem *node)
{
    return node ? node->text(0) : QString();
}

} // namespace

DataTree::DataTree() = default;

DataTree::~DataTree()
{
    try {
        if (m_database)
            m_database->Close();
    } catch (const AppException &) {
    }
}

QString DataTree::quoteName(const QString &name)
{
    // Brackets cannot hold a closing bracket; the standard quotes can hold anything.
    if (name.contains(QLatin1Char(']')))
        return db::quoteIdent(name);
    return QLatin1Char('[') + name + QLatin1Char(']');
}

QIcon DataTree::image(int index)
{
    QStyle *style = QApplication::style();
    if (!style)
        return {};
    switch (index) {
    case 0:
        return style->standardIcon(QStyle::SP_DriveHDIcon);
    case 2:
        return style->standardIcon(QStyle::SP_DirIcon);
    case 3:
        return style->standardIcon(QStyle::SP_FileDialogDetailedView);
    case 4:
        return style->standardIcon(QStyle::SP_FileDialogListView);
    case 5:
        return style->standardIcon(QStyle::SP_FileIcon);
    case 6:
    case 7:
        return style->standardIcon(QStyle::SP_FileDialogContentsView);
    case 8:
        return style->standardIcon(QStyle::SP_FileDialogInfoView);
    case 13:
        return style->standardIcon(QStyle::SP_ArrowRight);
    case 14:
    case 15:
        return style->standardIcon(QStyle::SP_FileDialogInfoView);
    default:
        return {};
    }
}

void DataTree::open(const QString &password, bool exclusive)
{
    if (m_database)
        m_database->Close();
    m_database.reset();
    db::OpenOptions options;
    options.readOnly = true;
    if (!password.isEmpty())
        options.password = password;
    else
        options.exclusive = exclusive;
    m_database = db::DBEngine::openDatabase(m_databaseName, options);
}

void DataTree::LimitLabelEdit(QTreeWidget *tree, int length)
{
    if (auto *limited = dynamic_cast<LimitedLabelDelegate *>(tree->itemDelegate()))
        limited->setLength(length);
    else
        tree->setItemDelegate(new LimitedLabelDelegate(length, tree));
}

void DataTree::DataTreeRefresh(QTreeWidget *tree, const QString &password)
{
    open(password, true);
    LimitLabelEdit(tree, 50);
    // A failure part way leaves the tree hidden with what was read; the next refresh
    // shows it again.
    tree->hide();
    tree->clear();

    auto *root = new QTreeWidgetItem(tree, {QStringLiteral("Database")});
    root->setData(0, SchemaNameRole, root->text(0));
    root->setData(0, SchemaTagRole, QStringLiteral("Databases"));
    root->setData(0, SchemaImageRole, 0);
    root->setIcon(0, image(0));
    QTreeWidgetItem *tables = addNode(root, QStringLiteral("Tables"), 2, QStringLiteral("Tables"));
    QTreeWidgetItem *lastTable = nullptr;
    for (const db::TableDef &table : m_database->TableDefs()) {
        // System tables stay out, unless another attribute (hidden, linked) marks them too.
        if (table.attributes != 0 && (table.attributes & ~db::dbSystemObject) == 0)
            continue;
        QTreeWidgetItem *node = addNode(tables, table.name, 3, QStringLiteral("Table"), true);
        QTreeWidgetItem *fields =
            addNode(node, QStringLiteral("Fields"), 4, QStringLiteral("Table Fields"));
        for (const db::Field &field : table.fields) {
            if (field.attributes & db::dbSystemField)
                continue;
            addNode(fields, field.name, 5, QStringLiteral("Table Field"), true);
        }
        QTreeWidgetItem *indexes =
            addNode(node, QStringLiteral("Indexes"), 7, QStringLiteral("Table Indexes"));
        for (const db::Index &index : table.indexes)
            addNode(indexes, index.name, 6, QStringLiteral("Table Index"));
        addNode(node, QStringLiteral("Properties"), 14, QStringLiteral("Table Properties"));
        lastTable = node;
    }
    QTreeWidgetItem *queries = addNode(root, QStringLiteral("Querys"), 2, QStringLiteral("Querys"));
    for (const db::QueryDef &query : m_database->QueryDefs())
        addNode(queries, query.name, 8, QStringLiteral("Query"));
    QTreeWidgetItem *properties = addNode(root, QStringLiteral("Properties"), 15, {});
    try {
        addProperties(properties, m_database->Properties());
    } catch (const AppException &) {
    }
    root->setExpanded(true);
    tables->setExpanded(true);
    tree->scrollToItem(root);
    tree->scrollToItem(properties);
    if (lastTable)
        tree->scrollToItem(lastTable);
    tree->show();
}

void DataTree::ShowDetails(QTreeWidgetItem *&node, QTreeWidget *tree, const QString &password)
{
    node = tree->currentItem();
    if (!node)
        return;
    open(password, false);
    const QString tag = tagOf(node);
    const QString name = node->text(0);
    QTreeWidgetItem *parent = node->parent();
    const QString grandparent = textOf(parent ? parent->parent() : nullptr);
    // Every read is allowed to fail: what was read is shown.
    try {
        if (tag == QLatin1String("Table Field")) {
            const db::TableDef table = m_database->tableDef(grandparent);
            const int field = table.fieldIndex(name);
            if (field >= 0)
                addProperties(node, table.fields.at(field).properties());
        } else if (tag == QLatin1String("Table Properties")) {
            addProperties(node, m_database->tableDef(textOf(parent)).properties);
        } else if (tag == QLatin1String("Table Index")) {
            for (const db::Index &index : m_database->tableDef(grandparent).indexes)
                if (index.name == name)
                    addProperties(node, index.properties());
        } else if (tag == QLatin1String("Query")) {
            for (const QString &field : m_database->queryDef(name).fields) {
                addNode(node, field, 5, QStringLiteral("Query Field"));
                node->setExpanded(true);
            }
        } else if (tag == QLatin1String("Query Field")) {
            const db::QueryDef query = m_database->queryDef(textOf(parent));
            const int position = int(query.fields.indexOf(name));
            if (position >= 0)
                addProperties(node, {{QStringLiteral("Name"), name},
                                     {QStringLiteral("OrdinalPosition"), position},
                                     {QStringLiteral("SourceQuery"), query.name}});
        }
    } catch (const AppException &) {
    }
    tree->scrollToItem(node);
}

QString DataTree::CreateQueryByNode(QTreeWidget *tree, long kind)
{
    QTreeWidgetItem *node = tree->currentItem();
    QTreeWidgetItem *first = node ? node->child(0) : nullptr;
    if (!first)
        db::raise(db::ErrObjectInvalid);
    const QString from = QStringLiteral(" FROM ") + quoteName(node->text(0));
    if (first->childCount() == 0)
        return {};
    QString list;
    for (int i = 0; i < first->childCount(); ++i)
        list += QLatin1Char(' ') + quoteName(first->child(i)->text(0)) + QLatin1Char(',');
    const QString fields = list.left(list.size() - 1);
    switch (kind) {
    case 1:
        return QStringLiteral("SELECT") + fields + from;
    case 2:
        return QStringLiteral("DELETE") + fields + from;
    case 3:
        return QStringLiteral("UPDATE") + fields + from;
    case 4:
        return QStringLiteral("INSERT INTO") + fields + from + QStringLiteral(" VALUES") +
               QStringLiteral(" ..........");
    default:
        return list;
    }
}
