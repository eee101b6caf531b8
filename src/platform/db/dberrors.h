#pragma once

#include "platform/base/apperror.h"

#include <QString>

struct sqlite3;

// The engine's error numbers, as the callers test them.
namespace db {

enum ErrorNumber {
    ErrGeneral = 3000,
    ErrInvalidArgument = 3001,
    ErrTableExists = 3010,
    ErrObjectNotFound = 3011,
    ErrObjectExists = 3012,
    ErrUpdateWithoutEdit = 3020,
    ErrNoCurrentRecord = 3021,
    ErrDuplicateKey = 3022,
    ErrFileNotFound = 3024,
    ErrDiskFull = 3026,
    ErrReadOnly = 3027,
    ErrInvalidPassword = 3031,
    ErrDiskError = 3043,
    ErrFileInUse = 3045,
    ErrCannotOpen = 3049, // the file is damaged
    ErrFolderNotWritable = 3051,
    ErrTooFewParameters = 3061,
    ErrCannotExecuteSelect = 3065,
    ErrInputTableNotFound = 3078,
    ErrInvalidName = 3125,
    ErrInvalidStatement = 3129,
    ErrFieldDefinedTwice = 3191,
    ErrDataChanged = 3197,
    ErrInsertSyntax = 3134,
    ErrSelectSyntax = 3141,
    ErrUpdateSyntax = 3144,
    ErrNotValidBookmark = 3159,
    ErrRecordDeleted = 3167,
    ErrNoInstallableIsam = 3170,
    ErrDatabaseExists = 3204,
    ErrReplacedByCompaction = 3218,
    ErrInvalidOperation = 3219,
    ErrNotSupported = 3251,
    ErrInvalidFieldType = 3259,
    ErrItemNotFound = 3265,
    ErrCreateTableSyntax = 3290,
    ErrCreateIndexSyntax = 3291,
    ErrRequiredNull = 3314,
    ErrUnrecognizedFormat = 3343,
    ErrObjectInvalid = 3420,
    ErrActionCancelled = 3426,
};

// The description the engine gives for a number; "|" stands for the argument.
QString errorDescription(int number, const QString &argument = {});

// Throws AppException with the number and its description.
[[noreturn]] void raise(int number, const QString &argument = {});

// Maps a failed system call on a file in folder: 3051 when the folder cannot be written,
// 3026 when the disk is full, else 3043.
[[noreturn]] void raiseFileSystem(int code, const QString &folder);

// Maps an SQLite failure to an engine error and throws it: a full disk is 3026. The
// statement text decides which syntax error number a syntax failure gets.
[[noreturn]] void raiseSqlite(sqlite3 *handle, int code, const QString &statement = {});

} // namespace db
