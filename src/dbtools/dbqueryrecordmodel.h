#pragma once

#include <QAbstractTableModel>

#include <memory>

namespace db {
class Recordset;
}

// The Data View's grid over the data control's recordset. A table's rows can be
// edited in place, and an empty row under the last record takes a new one.
class DbQueryRecordModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit DbQueryRecordModel(QObject *parent = nullptr);

    void setRecordset(std::shared_ptr<db::Recordset> recordset);
    std::shared_ptr<db::Recordset> recordset() const { return m_recordset; }
    // The row under the last record that takes a new one; -1 when the grid is read-only.
    int newRecordRow() const;
    // The field a column shows.
    QString dataField(int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    // An edit the engine refused, with its description.
    void editFailed(int number, const QString &description);

private:
    bool editable() const;

    std::shared_ptr<db::Recordset> m_recordset;
    qint64 m_count = 0;
};
