#include "platform/db/dbschema.h"

#include <QRegularExpression>

namespace db {

QList<Property> Field::properties() const
{
    return {{QStringLiteral("Name"), name},
            {QStringLiteral("Type"), type},
            {QStringLiteral("Size"), size},
            {QStringLiteral("Attributes"), attributes},
            {QStringLiteral("OrdinalPosition"), ordinalPosition},
            {QStringLiteral("Required"), required},
            {QStringLiteral("AllowZeroLength"), allowZeroLength},
            {QStringLiteral("DefaultValue"), defaultValue}};
}

QList<Property> Index::properties() const
{
    return {{QStringLiteral("Name"), name},
            {QStringLiteral("Primary"), primary},
            {QStringLiteral("Unique"), unique},
            {QStringLiteral("Required"), required},
            {QStringLiteral("IgnoreNulls"), ignoreNulls},
            {QStringLiteral("Fields"), fields.join(QLatin1Char(';'))}};
}

int TableDef::fieldIndex(const QString &fieldName) const
{
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QList<Property> QueryDef::properties() const
{
    return {
        {QStringLiteral("Name"), name}, {QStringLiteral("SQL"), sql}, {QStringLiteral("Type"), 0}};
}

int fieldTypeFromDeclared(const QString &declared, int *size)
{
    static const QRegularExpression sized(QStringLiteral("\\(\\s*(\\d+)"));
    const QString upper = declared.trimmed().toUpper();
    int length = 0;
    const auto match = sized.match(upper);
    if (match.hasMatch())
        length = match.captured(1).toInt();
    int type = dbMemo;
    int bytes = 0;
    auto starts = [&](const char *word) { return upper.startsWith(QLatin1String(word)); };
    if (starts("VARCHAR") || starts("CHAR") || starts("NVARCHAR") || starts("NCHAR") ||
        starts("TEXT(")) {
        type = dbText;
        bytes = length > 0 ? length : 255;
    } else if (upper.contains(QLatin1String("TEXT")) || starts("MEMO") || starts("CLOB") ||
               upper.isEmpty()) {
        type = dbMemo;
    } else if (starts("LONGBLOB") || starts("BLOB") || starts("IMAGE") || starts("LONGBINARY") ||
               starts("OLEOBJECT")) {
        type = dbLongBinary;
    } else if (starts("VARBINARY") || starts("BINARY")) {
        type = dbBinary;
        bytes = length > 0 ? length : 255;
    } else if (starts("BIT") || starts("BOOL") || starts("YESNO") || starts("LOGICAL")) {
        type = dbBoolean;
        bytes = 1;
    } else if (starts("BYTE") || starts("TINYINT")) {
        type = dbByte;
        bytes = 1;
    } else if (starts("SMALLINT") || starts("SHORT")) {
        type = dbInteger;
        bytes = 2;
    } else if (starts("CURRENCY") || starts("MONEY")) {
        type = dbCurrency;
        bytes = 8;
    } else if (starts("SINGLE") || starts("FLOAT4")) {
        type = dbSingle;
        bytes = 4;
    } else if (starts("DOUBLE") || starts("REAL") || starts("FLOAT") || starts("NUMERIC") ||
               starts("DECIMAL")) {
        type = dbDouble;
        bytes = 8;
    } else if (starts("DATE") || starts("TIME")) {
        type = dbDate;
        bytes = 8;
    } else if (upper.contains(QLatin1String("INT")) || starts("LONG") || starts("COUNTER") ||
               starts("AUTOINCREMENT")) {
        type = dbLong;
        bytes = 4;
    }
    if (size)
        *size = bytes;
    return type;
}

QString declaredTypeFor(int type, int size)
{
    switch (type) {
    case dbBoolean:
        return QStringLiteral("BIT");
    case dbByte:
        return QStringLiteral("BYTE");
    case dbInteger:
        return QStringLiteral("SMALLINT");
    case dbLong:
        return QStringLiteral("INTEGER");
    case dbCurrency:
        return QStringLiteral("CURRENCY");
    case dbSingle:
        return QStringLiteral("SINGLE");
    case dbDouble:
        return QStringLiteral("DOUBLE");
    case dbDate:
        return QStringLiteral("DATETIME");
    case dbBinary:
        return QStringLiteral("VARBINARY(%1)").arg(size > 0 ? size : 255);
    case dbText:
        return QStringLiteral("VARCHAR(%1)").arg(size > 0 ? size : 255);
    case dbLongBinary:
        return QStringLiteral("LONGBLOB");
    case dbMemo:
        return QStringLiteral("LONGTEXT");
    default:
        return {};
    }
}

namespace {
const QList<QPair<int, QString>> &typeNames()
{
    static const QList<QPair<int, QString>> names = {
        {dbBoolean, QStringLiteral("Boolean")},        {dbByte, QStringLiteral("Byte")},
        {dbInteger, QStringLiteral("Integer")},        {dbLong, QStringLiteral("Long")},
        {dbCurrency, QStringLiteral("Currency")},      {dbSingle, QStringLiteral("Single")},
        {dbDouble, QStringLiteral("Double")},          {dbDate, QStringLiteral("Date")},
        {dbBinary, QStringLiteral("Binary")},          {dbText, QStringLiteral("Text")},
        {dbLongBinary, QStringLiteral("Long Binary")}, {dbMemo, QStringLiteral("Memo")}};
    return names;
}
} // namespace

QString typeName(int type)
{
    for (const auto &entry : typeNames()) {
        if (entry.first == type)
            return entry.second;
    }
    return {};
}

int typeFromName(const QString &name)
{
    for (const auto &entry : typeNames()) {
        if (entry.second.compare(name, Qt::CaseInsensitive) == 0)
            return entry.first;
    }
    if (name.compare(QLatin1String("String"), Qt::CaseInsensitive) == 0)
        return dbText;
    return 0;
}

} // namespace db
