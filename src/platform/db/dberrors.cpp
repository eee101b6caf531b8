#include "platform/db/dberrors.h"

#include <QHash>
#include <QPair>
#include <QRegularExpression>

#include <sqlite3.h>

#include <cerrno>

namespace db {

namespace {

const QHash<int, QString> &descriptions()
{
    static const QHash<int, QString> table = {
        {ErrGeneral, QStringLiteral("The database engine reported an error: |")},
        {ErrInvalidArgument, QStringLiteral("Invalid argument.")},
        {ErrTableExists, QStringLiteral("Table '|' already exists.")},
        {ErrObjectNotFound, QStringLiteral("The database engine could not find the object '|'.")},
        {ErrObjectExists, QStringLiteral("Object '|' already exists.")},
        {ErrUpdateWithoutEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit.")},
        {ErrNoCurrentRecord, QStringLiteral("No current record.")},
        {ErrDuplicateKey,
         QStringLiteral("The changes you requested to the table were not successful because "
                        "they would create duplicate values in the index, primary key, or "
                        "relationship. Change the data in the field or fields that contain "
                        "duplicate data, remove the index, or redefine the index to permit "
                        "duplicate entries and try again.")},
        {ErrFileNotFound, QStringLiteral("Could not find file '|'.")},
        {ErrDiskFull, QStringLiteral("Not enough space on disk.")},
        {ErrReadOnly, QStringLiteral("Cannot update. Database or object is read-only.")},
        {ErrInvalidPassword, QStringLiteral("Not a valid password.")},
        {ErrDiskError, QStringLiteral("Disk or network error.")},
        {ErrFileInUse, QStringLiteral("Could not use '|'; file already in use.")},
        {ErrCannotOpen, QStringLiteral("The database file '|' is damaged.")},
        {ErrFolderNotWritable, QStringLiteral("The folder '|' cannot be written.")},
        {ErrTooFewParameters, QStringLiteral("Too few parameters. Expected |.")},
        {ErrCannotExecuteSelect, QStringLiteral("Cannot execute a select query.")},
        {ErrInputTableNotFound,
         QStringLiteral("The database engine cannot find the input table or query '|'. Make "
                        "sure it exists and that its name is spelled correctly.")},
        {ErrInvalidName,
         QStringLiteral("'|' is not a valid name. Make sure that it does not include invalid "
                        "characters or punctuation and that it is not too long.")},
        {ErrInvalidStatement,
         QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', "
                        "'SELECT', or 'UPDATE'.")},
        {ErrFieldDefinedTwice, QStringLiteral("Cannot define field more than once.")},
        {ErrDataChanged,
         QStringLiteral("The database engine stopped the process because you and another user "
                        "are attempting to change the same data at the same time.")},
        {ErrInsertSyntax, QStringLiteral("Syntax error in INSERT INTO statement.")},
        {ErrSelectSyntax,
         QStringLiteral("The SELECT statement includes a reserved word or an argument name "
                        "that is misspelled or missing, or the punctuation is incorrect.")},
        {ErrUpdateSyntax, QStringLiteral("Syntax error in UPDATE statement.")},
        {ErrNotValidBookmark, QStringLiteral("Not a valid bookmark.")},
        {ErrRecordDeleted, QStringLiteral("Record is deleted.")},
        {ErrNoInstallableIsam, QStringLiteral("Could not find installable ISAM.")},
        {ErrDatabaseExists, QStringLiteral("Database already exists.")},
        {ErrReplacedByCompaction,
         QStringLiteral("The database was being compacted. Please save again.")},
        {ErrInvalidOperation, QStringLiteral("Invalid operation.")},
        {ErrNotSupported, QStringLiteral("Operation is not supported for this type of object.")},
        {ErrInvalidFieldType, QStringLiteral("Invalid field data type.")},
        {ErrItemNotFound, QStringLiteral("Item not found in this collection.")},
        {ErrCreateTableSyntax, QStringLiteral("Syntax error in CREATE TABLE statement.")},
        {ErrCreateIndexSyntax, QStringLiteral("Syntax error in CREATE INDEX statement.")},
        {ErrRequiredNull,
         QStringLiteral("The field '|' cannot contain a Null value because the Required "
                        "property for this field is set to True. Enter a value in this field.")},
        {ErrUnrecognizedFormat, QStringLiteral("Unrecognized database format '|'.")},
        {ErrObjectInvalid, QStringLiteral("Object invalid or no longer set.")},
        {ErrActionCancelled, QStringLiteral("This action was cancelled by an associated object.")},
    };
    return table;
}

// The statement's first word and, after CREATE, the kind of object it makes.
QPair<QString, QString> statementWords(const QString &statement)
{
    static const QRegularExpression words(
        QStringLiteral("^\\s*(\\w+)(?:\\s+(?:TEMP|TEMPORARY|UNIQUE|VIRTUAL)\\b)?(?:\\s+(\\w+))?"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = words.match(statement);
    return {match.captured(1).toUpper(), match.captured(2).toUpper()};
}

int syntaxErrorFor(const QString &statement)
{
    const auto [word, kind] = statementWords(statement);
    if (word == QLatin1String("INSERT"))
        return ErrInsertSyntax;
    if (word == QLatin1String("UPDATE"))
        return ErrUpdateSyntax;
    if (word == QLatin1String("SELECT") || word == QLatin1String("WITH"))
        return ErrSelectSyntax;
    if (word == QLatin1String("CREATE") && kind == QLatin1String("TABLE"))
        return ErrCreateTableSyntax;
    if (word == QLatin1String("CREATE") && kind == QLatin1String("INDEX"))
        return ErrCreateIndexSyntax;
    return ErrInvalidStatement;
}

// What a syntax error says: the text of its number, or, for a CREATE without a number of its
// own, the statement that failed by the kind of object it makes.
QString syntaxErrorText(const QString &statement)
{
    const int number = syntaxErrorFor(statement);
    const auto [word, kind] = statementWords(statement);
    if (number == ErrInvalidStatement && word == QLatin1String("CREATE") && !kind.isEmpty())
        return QStringLiteral("Syntax error in CREATE %1 statement.").arg(kind);
    return errorDescription(number);
}

} // namespace

QString errorDescription(int number, const QString &argument)
{
    QString text = descriptions().value(number);
    if (text.isEmpty())
        text =
            QStringLiteral("Reserved error (%1); there is no message for this error.").arg(number);
    return text.replace(QLatin1Char('|'), argument);
}

void raise(int number, const QString &argument)
{
    throw AppException(number, errorDescription(number, argument), QStringLiteral("DBEngine"));
}

void raiseFileSystem(int code, const QString &folder)
{
    switch (code) {
    case EACCES:
    case EPERM:
    case EROFS:
        raise(ErrFolderNotWritable, folder);
    case ENOSPC:
    case EDQUOT:
        raise(ErrDiskFull);
    default:
        raise(ErrDiskError);
    }
}

void raiseSqlite(sqlite3 *handle, int code, const QString &statement)
{
    const QString message = handle ? QString::fromUtf8(sqlite3_errmsg(handle))
                                   : QString::fromUtf8(sqlite3_errstr(code));
    const int extended = handle ? sqlite3_extended_errcode(handle) : code;
    switch (extended) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_ROWID:
        raise(ErrDuplicateKey);
    case SQLITE_READONLY_DBMOVED:
        // The file was renamed over while this write waited for a compaction's lock.
        raise(ErrReplacedByCompaction);
    case SQLITE_CONSTRAINT_NOTNULL: {
        // "NOT NULL constraint failed: T.F"
        const QString field = message.section(QLatin1Char('.'), -1);
        raise(ErrRequiredNull, field);
    }
    default:
        break;
    }
    // A full disk shows in many places: a write, a journal that cannot be made, a sync.
    const int system = handle ? sqlite3_system_errno(handle) : 0;
    if ((code & 0xff) == SQLITE_FULL ||
        (((code & 0xff) == SQLITE_IOERR || (code & 0xff) == SQLITE_CANTOPEN) &&
         (system == ENOSPC || system == EDQUOT)))
        raise(ErrDiskFull);
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        raise(ErrFileInUse,
              handle ? QString::fromUtf8(sqlite3_db_filename(handle, "main")) : QString());
    case SQLITE_READONLY:
        raise(ErrReadOnly);
    case SQLITE_NOTADB:
        raise(ErrUnrecognizedFormat,
              handle ? QString::fromUtf8(sqlite3_db_filename(handle, "main")) : QString());
    case SQLITE_CORRUPT:
        raise(ErrCannotOpen,
              handle ? QString::fromUtf8(sqlite3_db_filename(handle, "main")) : QString());
    case SQLITE_INTERRUPT:
        raise(ErrActionCancelled);
    default:
        break;
    }
    if (message.contains(QLatin1String("syntax error")) ||
        message.contains(QLatin1String("incomplete input")))
        throw AppException(syntaxErrorFor(statement),
                           syntaxErrorText(statement) + QLatin1Char(' ') + message,
                           QStringLiteral("DBEngine"));
    if (message.startsWith(QLatin1String("no such table")))
        raise(ErrInputTableNotFound, message.section(QLatin1String(": "), 1));
    throw AppException(ErrGeneral, errorDescription(ErrGeneral, message),
                       QStringLiteral("DBEngine"));
}

} // namespace db
