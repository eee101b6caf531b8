#pragma once

#include "kb/datatree.h"

#include <QString>

class QTreeWidget;

// Rebuilds the schema tree of a database (see DataTree). Table and field names can be
// edited in place. Throws AppException.
void fillSchemaTree(QTreeWidget *tree, const QString &path, const QString &password);
