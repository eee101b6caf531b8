#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// The engine's object descriptions: tables, fields, indexes, stored queries.
namespace db {

enum DataType {
    dbBoolean = 1,
    dbByte = 2,
    dbInteger = 3,
    dbLong = 4,
    dbCurrency = 5,
    dbSingle = 6,
    dbDouble = 7,
    dbDate = 8,
    dbBinary = 9,
    dbText = 10,
    dbLongBinary = 11,
    dbMemo = 12,
};

enum RecordsetType {
    dbOpenDefault = 0,
    dbOpenTable = 1,
    dbOpenDynaset = 2,
    dbOpenSnapshot = 4,
};

enum RecordsetOption {
    dbReadOnly = 4,
};

enum EditMode {
    dbEditNone = 0,
    dbEditInProgress = 1,
    dbEditAdd = 2,
};

// Table attributes.
constexpr qint32 dbSystemObject = qint32(0x80000002u);
constexpr qint32 dbHiddenObject = 1;
// Field attributes.
constexpr qint32 dbFixedField = 1;
constexpr qint32 dbVariableField = 2;
constexpr qint32 dbAutoIncrField = 16;
constexpr qint32 dbSystemField = 0x2000;

// User tables are those that are neither system nor hidden objects.
inline bool isUserTable(qint32 attributes)
{
    return (attributes & dbSystemObject) == 0 && (attributes & dbHiddenObject) == 0;
}

struct Property
{
    QString name;
    QVariant value;
};

struct Field
{
    QString name;
    int type = dbText;
    int size = 0;
    qint32 attributes = 0;
    int ordinalPosition = 0;
    bool required = false;
    bool allowZeroLength = true;
    QVariant defaultValue; // the default expression's text, null when none
    QString declaredType;
    bool primaryKey = false;

    QList<Property> properties() const;
};

struct Index
{
    QString name;    // as the table shows it ("Question", "PrimaryKey")
    QString sqlName; // the name the file stores
    bool primary = false;
    bool unique = false;
    bool required = false;
    bool ignoreNulls = false;
    QStringList fields;

    QList<Property> properties() const;
};

struct TableDef
{
    QString name;
    qint32 attributes = 0;
    QList<Field> fields;
    QList<Index> indexes;
    QList<Property> properties;

    int fieldIndex(const QString &fieldName) const; // -1 when absent; ignores case
};

struct Parameter
{
    QString name;
    int type = dbText;
    QVariant value;
};

struct QueryDef
{
    QString name;
    QString sql;
    QList<Parameter> parameters;
    QStringList fields; // result column names, empty when the text cannot be prepared

    QList<Property> properties() const;
};

// Field types and the declared SQL types that give SQLite the right affinity.
int fieldTypeFromDeclared(const QString &declared, int *size = nullptr);
QString declaredTypeFor(int type, int size = 0);
QString typeName(int type);            // "Text", "Memo", "Long", ...
int typeFromName(const QString &name); // 0 when unknown

} // namespace db
