#include "dbtools/dbqueryrecordmodel.h"

#include "platform/base/apperror.h"
#include "platform/db/dbrecordset.h"

DbQueryRecordModel::DbQueryRecordModel(QObject *parent) : QAbstractTableModel(parent) {}

void DbQueryRecordModel::setRecordset(std::shared_ptr<db::Recordset> recordset)
{
    beginResetModel();
    m_recordset = std::move(recordset);
    m_count = 0;
    if (m_recordset && m_recordset->isOpen()) {
        try {
            m_count = m_recordset->RecordCount();
        } catch (const AppException &) {
            m_count = 0;
        }
    }
    endResetModel();
}

bool DbQueryRecordModel::editable() const
{
    return m_recordset && m_recordset->isOpen() && m_recordset->isKeyed() &&
           m_recordset->Updatable();
}

int DbQueryRecordModel::newRecordRow() const
{
    return editable() ? int(m_count) : -1;
}

QString DbQueryRecordModel::dataField(int column) const
{
    if (!m_recordset || column < 0 || column >= m_recordset->fieldCount())
        return {};
    return m_recordset->Fields().at(column).name;
}

int DbQueryRecordModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_recordset)
        return 0;
    return int(m_count) + (editable() ? 1 : 0);
}

int DbQueryRecordModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_recordset)
        return 0;
    return m_recordset->fieldCount();
}

QVariant DbQueryRecordModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole) ||
        index.row() >= m_count || !m_recordset->isOpen())
        return {};
    try {
        // Reading a cell moves the current record, as a bound grid does.
        m_recordset->setAbsolutePosition(index.row());
        const QVariant value = m_recordset->value(index.column());
        if (value.typeId() == QMetaType::QByteArray && role == Qt::DisplayRole)
            return QStringLiteral("(Binary)");
        return value;
    } catch (const AppException &) {
        return {};
    }
}

QVariant DbQueryRecordModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return dataField(section);
    return section == newRecordRow() ? QStringLiteral("*") : QString::number(section + 1);
}

Qt::ItemFlags DbQueryRecordModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.isValid() && editable())
        result |= Qt::ItemIsEditable;
    return result;
}

bool DbQueryRecordModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !editable())
        return false;
    const bool adding = index.row() == m_count;
    try {
        if (adding) {
            m_recordset->AddNew();
        } else {
            m_recordset->setAbsolutePosition(index.row());
            m_recordset->Edit();
        }
        m_recordset->setValue(index.column(), value);
        m_recordset->Update();
    } catch (const AppException &error) {
        try {
            m_recordset->CancelUpdate();
        } catch (const AppException &) {
        }
        emit editFailed(error.number(), error.description());
        return false;
    }
    if (adding) {
        beginInsertRows({}, int(m_count) + 1, int(m_count) + 1);
        ++m_count;
        endInsertRows();
        emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    } else {
        emit dataChanged(index, index);
    }
    return true;
}
