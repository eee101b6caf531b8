#pragma once

#include "platform/db/dbschema.h"

#include <QString>
#include <QVariantList>

#include <memory>

struct sqlite3;

namespace db {

class Recordset;
struct Connection;

// One open database file.
class Database : public std::enable_shared_from_this<Database>
{
public:
    Database(std::shared_ptr<Connection> connection, QString connect, bool exclusive,
             bool readOnly);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QString Name() const; // the file's path
    QString Connect() const { return m_connect; }
    // False too when the file itself could only be opened for reading.
    bool Updatable() const;
    bool isExclusive() const { return m_exclusive; }
    bool isOpen() const { return m_connection != nullptr; }
    void Close();
    // The database's own properties. "Updatable" says whether the file can be changed, as a
    // schema view opened for reading only describes a database its user may well edit.
    QList<Property> Properties() const;

    // Tables in collection order (by name, ignoring case), system tables included.
    QList<TableDef> TableDefs() const;
    TableDef tableDef(const QString &name) const;    // 3265 when absent
    QList<Field> fields(const QString &table) const; // cheaper than tableDef
    QStringList tableNames(bool userTablesOnly = true) const;
    bool hasTable(const QString &name) const;
    void deleteTableDef(const QString &name);
    void renameTableDef(const QString &oldName, const QString &newName);
    void renameField(const QString &table, const QString &oldName, const QString &newName);
    void setTableHidden(const QString &name, bool hidden);
    // A new table with fields (name, type, size); the first dbLong field named ID with
    // attribute dbAutoIncrField becomes the key.
    void createTableDef(const QString &name, const QList<Field> &fields);
    void appendField(const QString &table, const Field &field);
    void createIndex(const QString &table, const QString &indexName, const QStringList &fields,
                     bool unique);
    // An empty table with the source's columns, key, autonumber and indexes.
    void copyTableStructure(const QString &source, const QString &newName);
    qint64 tableRecordCount(const QString &table) const;

    // Stored queries: SQL with :name parameters, kept in a catalogue table.
    QList<QueryDef> QueryDefs() const;
    QueryDef queryDef(const QString &name) const; // 3265 when absent
    void createQueryDef(const QString &name, const QString &sql,
                        const QList<Parameter> &parameters = {});
    void deleteQueryDef(const QString &name);

    // Runs every statement of the text in one savepoint; returns the rows changed.
    // An empty text is an error, and so is a statement that returns rows.
    qint64 Execute(const QString &sql, const QVariantList &values = {});
    qint64 RecordsAffected() const { return m_recordsAffected; }

    // A table name (case ignored) or one read-only SQL statement.
    std::shared_ptr<Recordset> OpenRecordset(const QString &source, int type = dbOpenDefault,
                                             int options = 0);
    std::shared_ptr<Recordset> openQuery(const QueryDef &query, int type = dbOpenSnapshot);

    // One transaction around many changes; not held across user events.
    void BeginTrans();
    void CommitTrans();
    void Rollback();

    // Changes the password gate; the old password must match.
    void NewPassword(const QString &oldPassword, const QString &newPassword);
    bool hasPassword() const;

    sqlite3 *handle() const; // 3420 when closed

private:
    bool fileUpdatable() const;

    std::shared_ptr<Connection> m_connection;
    QString m_path;
    QString m_connect;
    bool m_exclusive = false;
    bool m_readOnly = false;
    qint64 m_recordsAffected = 0;
};

} // namespace db
