#include "platform/db/dbdatabase.h"

#include "platform/db/dbconnection.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbrecordset.h"
#include "platform/db/dbsql.h"

#include <QFileInfo>

#include <algorithm>

#include <optional>

#include <sqlite3.h>

namespace db {

namespace {

bool isSystemName(const QString &name)
{
    return name.startsWith(QLatin1String("MSys")) ||
           name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive);
}

// The stored name of a table, found without regard to case; "" when absent.
QString storedTableName(sqlite3 *handle, const QString &name)
{
    return scalar(handle,
                  QStringLiteral("SELECT name FROM sqlite_schema WHERE type='table' AND "
                                 "name=? COLLATE NOCASE"),
                  {name})
        .toString();
}

QString literal(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("NULL");
    bool numeric = false;
    value.toString().toDouble(&numeric);
    if (numeric && value.typeId() != QMetaType::QString)
        return value.toString();
    QString text = value.toString();
    text.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QVariant defaultFromExpression(const QVariant &expression)
{
    if (expression.isNull())
        return {};
    QString text = expression.toString();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('\'')) && text.endsWith(QLatin1Char('\'')))
        return text.mid(1, text.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
    return text;
}

QList<Field> readFields(sqlite3 *handle, const QString &table)
{
    QList<Field> fields;
    const QString createSql =
        scalar(handle, QStringLiteral("SELECT sql FROM sqlite_schema WHERE name=?"), {table})
            .toString();
    Statement info(handle,
                   QStringLiteral("PRAGMA table_info(") + quoteIdent(table) + QLatin1Char(')'));
    int primaryColumns = 0;
    while (info.step()) {
        Field field;
        field.ordinalPosition = int(info.int64(0));
        field.name = info.value(1).toString();
        field.declaredType = info.value(2).toString();
        field.type = fieldTypeFromDeclared(field.declaredType, &field.size);
        field.required = info.int64(3) != 0;
        field.defaultValue = defaultFromExpression(info.value(4));
        field.primaryKey = info.int64(5) != 0;
        primaryColumns += field.primaryKey ? 1 : 0;
        field.allowZeroLength = field.type == dbText || field.type == dbMemo;
        field.attributes = (field.type == dbText || field.type == dbMemo ||
                            field.type == dbLongBinary || field.type == dbBinary)
                               ? dbVariableField
                               : dbFixedField;
        fields.append(field);
    }
    // An INTEGER PRIMARY KEY is the row's own number: an autonumber.
    if (primaryColumns == 1) {
        for (Field &field : fields) {
            if (field.primaryKey &&
                field.declaredType.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0) {
                field.attributes |= dbAutoIncrField;
                field.required = true;
            }
        }
    }
    Q_UNUSED(createSql);
    return fields;
}

QList<Index> readIndexes(sqlite3 *handle, const QString &table, const QList<Field> &fields)
{
    QList<Index> indexes;
    for (const Field &field : fields) {
        if (field.attributes & dbAutoIncrField) {
            Index key;
            key.name = QStringLiteral("PrimaryKey");
            key.primary = key.unique = key.required = true;
            key.fields << field.name;
            indexes.append(key);
        }
    }
    QList<Index> listed;
    {
        Statement list(handle,
                       QStringLiteral("PRAGMA index_list(") + quoteIdent(table) + QLatin1Char(')'));
        while (list.step()) {
            Index index;
            index.sqlName = list.value(1).toString();
            index.unique = list.int64(2) != 0;
            index.primary = list.value(3).toString() == QLatin1String("pk");
            const QString prefix = table + QLatin1Char('.');
            index.name = index.primary ? QStringLiteral("PrimaryKey")
                         : index.sqlName.startsWith(prefix, Qt::CaseInsensitive)
                             ? index.sqlName.mid(prefix.size())
                             : index.sqlName;
            index.required = index.primary;
            listed.append(index);
        }
    }
    for (Index &index : listed) {
        Statement info(handle, QStringLiteral("PRAGMA index_info(") + quoteIdent(index.sqlName) +
                                   QLatin1Char(')'));
        while (info.step())
            index.fields << info.value(2).toString();
        indexes.append(index);
    }
    return indexes;
}

qint32 tableAttributes(sqlite3 *handle, const QString &name)
{
    qint32 attributes = isSystemName(name) ? dbSystemObject : 0;
    if (Catalogue::exists(handle, Catalogue::TableAttributes)) {
        attributes |= qint32(scalar(handle,
                                    QStringLiteral("SELECT Attributes FROM \"MSysTableAttributes\" "
                                                   "WHERE Name=?"),
                                    {name})
                                 .toLongLong());
    }
    return attributes;
}

QList<Parameter> decodeParameters(const QString &text)
{
    QList<Parameter> parameters;
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        Parameter parameter;
        parameter.name = line.section(QLatin1Char('\t'), 0, 0);
        parameter.type = typeFromName(line.section(QLatin1Char('\t'), 1, 1));
        if (parameter.type == 0)
            parameter.type = dbText;
        parameters.append(parameter);
    }
    return parameters;
}

QString encodeParameters(const QList<Parameter> &parameters)
{
    QStringList lines;
    for (const Parameter &parameter : parameters)
        lines << parameter.name + QLatin1Char('\t') + typeName(parameter.type);
    return lines.join(QLatin1Char('\n'));
}

QString indexSql(const QString &sqlName, const QString &table, const QStringList &columns,
                 const QList<Field> &fields, bool unique)
{
    QStringList parts;
    for (const QString &column : columns) {
        QString part = quoteIdent(column);
        for (const Field &field : fields) {
            if (field.name.compare(column, Qt::CaseInsensitive) == 0 &&
                (field.type == dbText || field.type == dbMemo))
                part += QStringLiteral(" COLLATE NOCASE");
        }
        parts << part;
    }
    return QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
        .arg(unique ? QStringLiteral("UNIQUE ") : QString(), quoteIdent(sqlName), quoteIdent(table),
             parts.join(QStringLiteral(", ")));
}

// Skips "CREATE TABLE <name>" and returns what follows the name.
QString afterTableName(const QString &createSql)
{
    qsizetype i = 0;
    auto skipSpace = [&] {
        while (i < createSql.size() && createSql[i].isSpace())
            ++i;
    };
    auto skipWord = [&] {
        while (i < createSql.size() && !createSql[i].isSpace() && createSql[i] != QLatin1Char('('))
            ++i;
    };
    skipSpace();
    skipWord(); // CREATE
    skipSpace();
    skipWord(); // TABLE
    skipSpace();
    const QChar open = i < createSql.size() ? createSql[i] : QChar();
    QChar close;
    if (open == QLatin1Char('"') || open == QLatin1Char('`') || open == QLatin1Char('\''))
        close = open;
    else if (open == QLatin1Char('['))
        close = QLatin1Char(']');
    if (close.isNull()) {
        skipWord();
        return createSql.mid(i);
    }
    ++i;
    while (i < createSql.size()) {
        if (createSql[i] == close) {
            if (close != QLatin1Char(']') && i + 1 < createSql.size() &&
                createSql[i + 1] == close) {
                i += 2;
                continue;
            }
            ++i;
            break;
        }
        ++i;
    }
    return createSql.mid(i);
}

// Whether a text holds more than its first statement. A tail that cannot be
// prepared yet (it may need the first statement's table) counts as a statement.
bool hasSecondStatement(sqlite3 *handle, const QByteArray &utf8)
{
    const char *end = utf8.constData() + utf8.size();
    sqlite3_stmt *first = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(handle, utf8.constData(), int(utf8.size()), &first, &tail) !=
        SQLITE_OK) {
        sqlite3_finalize(first);
        return true;
    }
    sqlite3_finalize(first);
    if (!tail || tail >= end)
        return false;
    sqlite3_stmt *second = nullptr;
    const int rc = sqlite3_prepare_v2(handle, tail, int(end - tail), &second, nullptr);
    const bool found = rc != SQLITE_OK || second != nullptr;
    sqlite3_finalize(second);
    return found;
}

} // namespace

Database::Database(std::shared_ptr<Connection> connection, QString connect, bool exclusive,
                   bool readOnly)
    : m_connection(std::move(connection)), m_connect(std::move(connect)), m_exclusive(exclusive),
      m_readOnly(readOnly)
{
    m_path = m_connection->path;
}

Database::~Database()
{
    Close();
}

bool Database::Updatable() const
{
    return !m_readOnly && !(m_connection && sqlite3_db_readonly(m_connection->handle, "main") == 1);
}

bool Database::fileUpdatable() const
{
    return m_connection && sqlite3_db_readonly(m_connection->handle, "main") == 0;
}

QString Database::Name() const
{
    return m_path;
}

void Database::Close()
{
    if (!m_connection)
        return;
    if (m_exclusive)
        m_connection->releaseExclusive();
    m_connection.reset();
}

sqlite3 *Database::handle() const
{
    if (!m_connection)
        raise(ErrObjectInvalid);
    m_connection->reopenIfReplaced();
    return m_connection->handle;
}

QList<Property> Database::Properties() const
{
    return {{QStringLiteral("Name"), m_path},
            {QStringLiteral("Connect"), m_connect},
            {QStringLiteral("Version"), QString::fromLatin1(sqlite3_libversion())},
            {QStringLiteral("Updatable"), fileUpdatable()},
            {QStringLiteral("CollatingOrder"), 1033}};
}

QStringList Database::tableNames(bool userTablesOnly) const
{
    sqlite3 *db = handle();
    QStringList names;
    {
        Statement list(db, QStringLiteral("SELECT name FROM sqlite_schema WHERE type='table' "
                                          "ORDER BY name COLLATE NOCASE"));
        while (list.step())
            names << list.value(0).toString();
    }
    if (userTablesOnly)
        names.removeIf(
            [&](const QString &name) { return !isUserTable(tableAttributes(db, name)); });
    return names;
}

bool Database::hasTable(const QString &name) const
{
    return !storedTableName(handle(), name).isEmpty();
}

TableDef Database::tableDef(const QString &name) const
{
    sqlite3 *db = handle();
    TableDef table;
    table.name = storedTableName(db, name);
    if (table.name.isEmpty())
        raise(ErrItemNotFound);
    table.attributes = tableAttributes(db, table.name);
    table.fields = readFields(db, table.name);
    table.indexes = readIndexes(db, table.name, table.fields);
    const QDateTime modified = QFileInfo(m_path).lastModified();
    table.properties = {
        {QStringLiteral("Name"), table.name},
        {QStringLiteral("Attributes"), table.attributes},
        {QStringLiteral("DateCreated"),
         QFileInfo(m_path).birthTime().isValid() ? QFileInfo(m_path).birthTime() : modified},
        {QStringLiteral("LastUpdated"), modified},
        {QStringLiteral("RecordCount"), tableRecordCount(table.name)},
        {QStringLiteral("Updatable"), fileUpdatable() && !isSystemName(table.name)}};
    return table;
}

QList<Field> Database::fields(const QString &table) const
{
    sqlite3 *db = handle();
    const QString stored = storedTableName(db, table);
    if (stored.isEmpty())
        raise(ErrItemNotFound);
    return readFields(db, stored);
}

QList<TableDef> Database::TableDefs() const
{
    QList<TableDef> tables;
    const QStringList names = tableNames(false);
    for (const QString &name : names)
        tables.append(tableDef(name));
    return tables;
}

qint64 Database::tableRecordCount(const QString &table) const
{
    return scalar(handle(), QStringLiteral("SELECT count(*) FROM ") + quoteIdent(table))
        .toLongLong();
}

void Database::deleteTableDef(const QString &name)
{
    sqlite3 *db = handle();
    const QString stored = storedTableName(db, name);
    if (stored.isEmpty())
        raise(ErrItemNotFound);
    if (m_readOnly)
        raise(ErrReadOnly);
    if (isSystemName(stored))
        raise(ErrInvalidOperation);
    Savepoint savepoint(db);
    exec(db, QStringLiteral("DROP TABLE ") + quoteIdent(stored));
    if (Catalogue::exists(db, Catalogue::TableAttributes))
        exec(db, QStringLiteral("DELETE FROM \"MSysTableAttributes\" WHERE Name=?"), {stored});
    savepoint.commit();
}

void Database::renameTableDef(const QString &oldName, const QString &newName)
{
    sqlite3 *db = handle();
    const QString stored = storedTableName(db, oldName);
    if (stored.isEmpty())
        raise(ErrItemNotFound);
    if (!isValidName(newName))
        raise(ErrInvalidName, newName);
    if (m_readOnly)
        raise(ErrReadOnly);
    if (isSystemName(stored) || isSystemName(newName))
        raise(ErrInvalidOperation);
    const QString clash = storedTableName(db, newName);
    if (!clash.isEmpty() && clash != stored)
        raise(ErrTableExists, newName);

    const QList<Field> fields = readFields(db, stored);
    const QList<Index> indexes = readIndexes(db, stored, fields);
    Savepoint savepoint(db);
    exec(
        db,
        QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quoteIdent(stored), quoteIdent(newName)));
    // Our index names carry the table's name; keep them in step.
    for (const Index &index : indexes) {
        if (index.sqlName.isEmpty() || index.primary ||
            !index.sqlName.startsWith(stored + QLatin1Char('.'), Qt::CaseInsensitive))
            continue;
        exec(db, QStringLiteral("DROP INDEX ") + quoteIdent(index.sqlName));
        exec(db, indexSql(newName + QLatin1Char('.') + index.name, newName, index.fields, fields,
                          index.unique));
    }
    if (Catalogue::exists(db, Catalogue::TableAttributes))
        exec(db, QStringLiteral("UPDATE \"MSysTableAttributes\" SET Name=? WHERE Name=?"),
             {newName, stored});
    savepoint.commit();
}

void Database::renameField(const QString &table, const QString &oldName, const QString &newName)
{
    const TableDef def = tableDef(table);
    const int index = def.fieldIndex(oldName);
    if (index < 0)
        raise(ErrItemNotFound);
    if (!isValidName(newName))
        raise(ErrInvalidName, newName);
    if (m_readOnly)
        raise(ErrReadOnly);
    const int clash = def.fieldIndex(newName);
    if (clash >= 0 && clash != index)
        raise(ErrFieldDefinedTwice);
    exec(handle(),
         QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3")
             .arg(quoteIdent(def.name), quoteIdent(def.fields[index].name), quoteIdent(newName)));
}

void Database::setTableHidden(const QString &name, bool hidden)
{
    sqlite3 *db = handle();
    const QString stored = storedTableName(db, name);
    if (stored.isEmpty())
        raise(ErrItemNotFound);
    if (m_readOnly)
        raise(ErrReadOnly);
    Catalogue::ensure(db);
    exec(db, QStringLiteral("INSERT OR REPLACE INTO \"MSysTableAttributes\" VALUES (?, ?)"),
         {stored, hidden ? dbHiddenObject : 0});
}

void Database::createTableDef(const QString &name, const QList<Field> &fields)
{
    sqlite3 *db = handle();
    if (!isValidName(name))
        raise(ErrInvalidName, name);
    if (m_readOnly)
        raise(ErrReadOnly);
    if (!storedTableName(db, name).isEmpty())
        raise(ErrTableExists, name);
    if (fields.isEmpty())
        raise(ErrInvalidOperation);
    QStringList columns;
    for (const Field &field : fields) {
        if (!isValidName(field.name))
            raise(ErrInvalidName, field.name);
        const QString declared = declaredTypeFor(field.type, field.size);
        if (declared.isEmpty())
            raise(ErrInvalidFieldType);
        QString column = quoteIdent(field.name) + QLatin1Char(' ');
        if (field.attributes & dbAutoIncrField) {
            column += QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
        } else {
            column += declared;
            if (field.required)
                column += QStringLiteral(" NOT NULL");
            if (!field.defaultValue.isNull())
                column += QStringLiteral(" DEFAULT ") + literal(field.defaultValue);
        }
        columns << column;
    }
    exec(db, QStringLiteral("CREATE TABLE %1 (%2)")
                 .arg(quoteIdent(name), columns.join(QStringLiteral(", "))));
}

void Database::appendField(const QString &table, const Field &field)
{
    const TableDef def = tableDef(table);
    if (!isValidName(field.name))
        raise(ErrInvalidName, field.name);
    const QString declared = declaredTypeFor(field.type, field.size);
    if (declared.isEmpty() || (field.attributes & dbAutoIncrField))
        raise(ErrInvalidFieldType);
    if (m_readOnly)
        raise(ErrReadOnly);
    if (def.fieldIndex(field.name) >= 0)
        raise(ErrFieldDefinedTwice);
    QString column = quoteIdent(field.name) + QLatin1Char(' ') + declared;
    if (!field.defaultValue.isNull())
        column += QStringLiteral(" DEFAULT ") + literal(field.defaultValue);
    exec(handle(),
         QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(quoteIdent(def.name), column));
}

void Database::createIndex(const QString &table, const QString &indexName,
                           const QStringList &fields, bool unique)
{
    const TableDef def = tableDef(table);
    if (!isValidName(indexName))
        raise(ErrInvalidName, indexName);
    if (m_readOnly)
        raise(ErrReadOnly);
    for (const QString &field : fields) {
        if (def.fieldIndex(field) < 0)
            raise(ErrItemNotFound);
    }
    exec(handle(),
         indexSql(def.name + QLatin1Char('.') + indexName, def.name, fields, def.fields, unique));
}

void Database::copyTableStructure(const QString &source, const QString &newName)
{
    sqlite3 *db = handle();
    const QString stored = storedTableName(db, source);
    if (stored.isEmpty())
        raise(ErrInputTableNotFound, source);
    if (!isValidName(newName))
        raise(ErrInvalidName, newName);
    if (m_readOnly)
        raise(ErrReadOnly);
    if (!storedTableName(db, newName).isEmpty())
        raise(ErrTableExists, newName);

    const QString createSql =
        scalar(db, QStringLiteral("SELECT sql FROM sqlite_schema WHERE type='table' AND name=?"),
               {stored})
            .toString();
    const QList<Field> fields = readFields(db, stored);
    const QList<Index> indexes = readIndexes(db, stored, fields);
    Savepoint savepoint(db);
    exec(db, QStringLiteral("CREATE TABLE ") + quoteIdent(newName) + afterTableName(createSql));
    for (const Index &index : indexes) {
        if (index.sqlName.isEmpty() || index.primary)
            continue;
        if (index.sqlName.startsWith(QLatin1String("sqlite_autoindex_")))
            continue; // made again by the copied column constraints
        exec(db, indexSql(newName + QLatin1Char('.') + index.name, newName, index.fields, fields,
                          index.unique));
    }
    savepoint.commit();
}

QList<QueryDef> Database::QueryDefs() const
{
    sqlite3 *db = handle();
    QList<QueryDef> queries;
    if (Catalogue::exists(db, Catalogue::Queries)) {
        Statement list(db, QStringLiteral("SELECT Name, SQL, Parameters FROM \"MSysQueries\" "
                                          "ORDER BY Name COLLATE NOCASE"));
        while (list.step()) {
            QueryDef query;
            query.name = list.value(0).toString();
            query.sql = list.value(1).toString();
            query.parameters = decodeParameters(list.value(2).toString());
            queries.append(query);
        }
    }
    // A view made by CREATE VIEW is a stored query as well.
    {
        Statement list(db, QStringLiteral("SELECT name FROM sqlite_schema WHERE type='view'"));
        while (list.step()) {
            QueryDef query;
            query.name = list.value(0).toString();
            query.sql = QStringLiteral("SELECT * FROM ") + quoteIdent(query.name);
            queries.append(query);
        }
    }
    std::sort(queries.begin(), queries.end(), [](const QueryDef &a, const QueryDef &b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    for (QueryDef &query : queries) {
        sqlite3_stmt *stmt = nullptr;
        const QByteArray utf8 = query.sql.toUtf8();
        if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &stmt, nullptr) ==
                SQLITE_OK &&
            stmt) {
            for (int i = 0; i < sqlite3_column_count(stmt); ++i)
                query.fields << QString::fromUtf8(sqlite3_column_name(stmt, i));
        }
        sqlite3_finalize(stmt);
    }
    return queries;
}

QueryDef Database::queryDef(const QString &name) const
{
    const QList<QueryDef> queries = QueryDefs();
    for (const QueryDef &query : queries) {
        if (query.name.compare(name, Qt::CaseInsensitive) == 0)
            return query;
    }
    raise(ErrItemNotFound);
}

void Database::createQueryDef(const QString &name, const QString &sql,
                              const QList<Parameter> &parameters)
{
    sqlite3 *db = handle();
    if (!isValidName(name))
        raise(ErrInvalidName, name);
    if (m_readOnly)
        raise(ErrReadOnly);
    if (sql.trimmed().isEmpty())
        raise(ErrInvalidStatement);
    Catalogue::ensure(db);
    if (scalar(db, QStringLiteral("SELECT count(*) FROM \"MSysQueries\" WHERE Name=?"), {name})
            .toLongLong() > 0)
        raise(ErrObjectExists, name);
    exec(db, QStringLiteral("INSERT INTO \"MSysQueries\" VALUES (?, ?, ?)"),
         {name, sql, encodeParameters(parameters)});
}

void Database::deleteQueryDef(const QString &name)
{
    sqlite3 *db = handle();
    if (m_readOnly)
        raise(ErrReadOnly);
    if (!Catalogue::exists(db, Catalogue::Queries))
        raise(ErrItemNotFound);
    exec(db, QStringLiteral("DELETE FROM \"MSysQueries\" WHERE Name=?"), {name});
    if (sqlite3_changes(db) == 0)
        raise(ErrItemNotFound);
}

qint64 Database::Execute(const QString &sql, const QVariantList &values)
{
    sqlite3 *db = handle();
    const QByteArray utf8 = sql.toUtf8();
    const char *tail = utf8.constData();
    const char *end = tail + utf8.size();
    qint64 affected = 0;
    int statements = 0;
    // Several statements run in one savepoint; a single one is atomic by itself and
    // may be one that cannot run inside a transaction (ATTACH, VACUUM).
    std::optional<Savepoint> savepoint;
    if (hasSecondStatement(db, utf8))
        savepoint.emplace(db);
    while (tail < end) {
        sqlite3_stmt *stmt = nullptr;
        const char *next = nullptr;
        const int rc = sqlite3_prepare_v2(db, tail, int(end - tail), &stmt, &next);
        const QString text = QString::fromUtf8(tail, next ? next - tail : end - tail);
        if (rc != SQLITE_OK)
            raiseSqlite(db, rc, text);
        tail = next ? next : end;
        if (!stmt)
            continue; // blanks, comments or a lone semicolon between statements
        ++statements;
        const bool readOnly = sqlite3_stmt_readonly(stmt);
        if (readOnly && sqlite3_column_count(stmt) > 0) {
            sqlite3_finalize(stmt);
            raise(ErrCannotExecuteSelect);
        }
        if (!readOnly && m_readOnly) {
            sqlite3_finalize(stmt);
            raise(ErrReadOnly);
        }
        const int wanted = sqlite3_bind_parameter_count(stmt);
        if (wanted > values.size()) {
            sqlite3_finalize(stmt);
            raise(ErrTooFewParameters, QString::number(wanted - values.size()));
        }
        for (int i = 0; i < wanted; ++i)
            bindValue(stmt, i + 1, values[i]);
        int step = SQLITE_ROW;
        while (step == SQLITE_ROW)
            step = sqlite3_step(stmt);
        if (step != SQLITE_DONE) {
            sqlite3_finalize(stmt);
            raiseSqlite(db, step, text);
        }
        affected += sqlite3_changes(db);
        sqlite3_finalize(stmt);
    }
    if (statements == 0)
        raise(ErrInvalidStatement);
    if (savepoint)
        savepoint->commit();
    m_recordsAffected = affected;
    return affected;
}

std::shared_ptr<Recordset> Database::OpenRecordset(const QString &source, int type, int options)
{
    sqlite3 *db = handle();
    const QString table = storedTableName(db, source.trimmed());
    const bool readOnly = (options & dbReadOnly) || m_readOnly;
    if (!table.isEmpty())
        return Recordset::openTable(shared_from_this(), table, type, readOnly);
    const bool isView =
        scalar(db,
               QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type='view' "
                              "AND name=? COLLATE NOCASE"),
               {source.trimmed()})
            .toLongLong() > 0;
    if (isView)
        return Recordset::openSql(shared_from_this(),
                                  QStringLiteral("SELECT * FROM ") + quoteIdent(source.trimmed()),
                                  {}, type);
    if (type == dbOpenTable)
        raise(ErrInputTableNotFound, source);
    return Recordset::openSql(shared_from_this(), source, {}, type);
}

std::shared_ptr<Recordset> Database::openQuery(const QueryDef &query, int type)
{
    handle();
    return Recordset::openSql(shared_from_this(), query.sql, query.parameters, type);
}

void Database::BeginTrans()
{
    exec(handle(), QStringLiteral("BEGIN"));
}

void Database::CommitTrans()
{
    exec(handle(), QStringLiteral("COMMIT"));
}

void Database::Rollback()
{
    exec(handle(), QStringLiteral("ROLLBACK"));
}

bool Database::hasPassword() const
{
    return PasswordGate::isSet(handle());
}

void Database::NewPassword(const QString &oldPassword, const QString &newPassword)
{
    sqlite3 *db = handle();
    if (m_readOnly)
        raise(ErrReadOnly);
    if (!PasswordGate::matches(db, oldPassword))
        raise(ErrInvalidPassword);
    PasswordGate::set(db, newPassword);
}

} // namespace db
