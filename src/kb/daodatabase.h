#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QComboBox;
class QListWidget;

namespace db {
class Database;
class Recordset;
} // namespace db

// Works on one database file for one task: lists its topics into a combo box,
// copies a topic's structure, counts records, compacts and repairs files and
// builds new knowledge bases from the template.
class DAODataBase
{
public:
    DAODataBase();
    ~DAODataBase();
    DAODataBase(const DAODataBase &) = delete;
    DAODataBase &operator=(const DAODataBase &) = delete;

    QString DatabaseName() const { return m_databaseName; }
    void setDatabaseName(const QString &name) { m_databaseName = name; }
    QString RecordSource() const { return m_recordSource; }
    void setRecordSource(const QString &source) { m_recordSource = source; }

    // Fills the list from RecordSource: text from one field, the item's data (as a
    // number) from the other. Errors reach the caller.
    void GetRecordField(const QString &unused, const QString &textField, const QString &dataField,
                        QListWidget *list);
    bool RepairDB(const QString &file);
    // Compacts into a checked copy and moves it over the source; the source is never
    // removed first. temporary names the copy when no such file exists.
    bool CompactDB(const QString &source, const QString &temporary);
    // Lists the user tables into the combo. With a password (even "") the file is
    // opened exclusively through the password gate, asking for a password up to
    // three times when it is wrong.
    bool AddTableNameToCombo(QComboBox *combo,
                             const std::optional<QString> &password = std::nullopt);
    // The password that opened the file after a prompt, for the caller to keep.
    QString enteredPassword() const { return m_enteredPassword; }
    bool AddTableName(QComboBox *combo);
    void DuplicateDB(const QString &source, const QString &target);
    // 1 when the new, empty topic exists with the source's structure, 0 otherwise.
    long DuplicateTable(const QString &source, const QString &newName);
    void CreateTabF(const QString &name);
    void CreateField(const QString &name, int type = 0, int size = 0);
    // Number of records; 0 for an empty recordset.
    qint64 Record_Count(db::Recordset *recordset);
    void NewDBByTemplate(const QString &file);
    void NewTopicByTemplate(const QStringList &topics);
    QString PopulateCreateQuery(long kind) const;

private:
    void DropTable(const QString &name);
    void openHeld(bool exclusive);

    QString m_databaseName;
    QString m_recordSource;
    QString m_enteredPassword;
    QString m_currentTable;
    int m_passwordTries = 0;
    std::shared_ptr<db::Database> m_database;
};
