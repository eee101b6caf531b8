#include "platform/db/dbdatacontrol.h"

#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dbrecordset.h"

namespace db {

DataControl::DataControl(QObject *parent) : QObject(parent) {}

DataControl::~DataControl()
{
    close();
}

void DataControl::setDatabaseName(const QString &name)
{
    if (name == m_databaseName)
        return;
    m_databaseName = name;
    // The next refresh opens the new file.
    m_recordset.reset();
    m_database.reset();
}

void DataControl::setConnect(const QString &connect)
{
    if (connect == m_connect)
        return;
    m_connect = connect;
    m_recordset.reset();
    m_database.reset();
}

void DataControl::Refresh()
{
    if (!m_database || !m_database->isOpen() ||
        m_database->Name() != DBEngine::resolvePath(m_databaseName)) {
        m_recordset.reset();
        m_database.reset();
        m_database = DBEngine::OpenDatabase(m_databaseName, m_exclusive, m_readOnly, m_connect);
    }
    m_recordset.reset();
    if (!m_recordSource.trimmed().isEmpty())
        m_recordset =
            m_database->OpenRecordset(m_recordSource, m_recordsetType, m_readOnly ? dbReadOnly : 0);
    emit recordsetChanged();
}

void DataControl::setRecordset(std::shared_ptr<Recordset> recordset)
{
    m_recordset = std::move(recordset);
    if (m_recordset)
        m_database = m_recordset->database();
    emit recordsetChanged();
}

void DataControl::close()
{
    if (m_recordset)
        m_recordset->Close();
    m_recordset.reset();
    if (m_database)
        m_database->Close();
    m_database.reset();
}

} // namespace db
