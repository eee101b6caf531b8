#pragma once

#include "platform/db/dbschema.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

namespace db {

class Database;
class Recordset;

// The data control: a database name, a record source and the recordset they give.
// It has no window; record windows and grids bind to its recordset.
class DataControl : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString databaseName READ DatabaseName WRITE setDatabaseName)
    Q_PROPERTY(QString recordSource READ RecordSource WRITE setRecordSource)
    Q_PROPERTY(QString connect READ Connect WRITE setConnect)
    Q_PROPERTY(QVariant tag READ Tag WRITE setTag)

public:
    explicit DataControl(QObject *parent = nullptr);
    ~DataControl() override;

    QString DatabaseName() const { return m_databaseName; }
    void setDatabaseName(const QString &name);
    QString RecordSource() const { return m_recordSource; }
    void setRecordSource(const QString &source) { m_recordSource = source; }
    QString Connect() const { return m_connect; }
    void setConnect(const QString &connect);
    QVariant Tag() const { return m_tag; }
    void setTag(const QVariant &tag) { m_tag = tag; }
    bool Exclusive() const { return m_exclusive; }
    void setExclusive(bool exclusive) { m_exclusive = exclusive; }
    bool ReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    int RecordsetType() const { return m_recordsetType; }
    void setRecordsetType(int type) { m_recordsetType = type; }

    // Opens the database when needed and the record source; throws AppException.
    void Refresh();
    std::shared_ptr<Database> database() const { return m_database; }
    std::shared_ptr<Recordset> recordset() const { return m_recordset; }
    void setRecordset(std::shared_ptr<Recordset> recordset);
    // Closes the recordset and the database.
    void close();

signals:
    void recordsetChanged();

private:
    QString m_databaseName;
    QString m_recordSource;
    QString m_connect;
    QVariant m_tag;
    bool m_exclusive = false;
    bool m_readOnly = false;
    int m_recordsetType = dbOpenDynaset;
    std::shared_ptr<Database> m_database;
    std::shared_ptr<Recordset> m_recordset;
};

} // namespace db
