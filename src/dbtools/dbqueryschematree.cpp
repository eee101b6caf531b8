#include "dbtools/dbqueryschematree.h"

void fillSchemaTree(QTreeWidget *tree, const QString &path, const QString &password)
{
    DataTree builder;
    builder.setDatabaseName(path);
    builder.DataTreeRefresh(tree, password);
}
