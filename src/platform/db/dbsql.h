#pragma once

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace db {

// The one way identifiers reach SQL: "name" with inner quotes doubled.
QString quoteIdent(const QString &name);

// Object names as the engine accepts them: 1..64 characters, no leading blank,
// none of . ! ` [ ] and no control characters.
bool isValidName(const QString &name);

// Like with the wildcards users type: * or % any run, ? or _ one character,
// # one digit, [abc], [a-z], [!abc]; letters compare without case.
bool userLike(const QString &pattern, const QString &text);

// Installs the engine's SQL functions (like) on a connection.
void registerFunctions(sqlite3 *handle);

// One prepared statement, finalized when it goes out of scope.
class Statement
{
public:
    Statement(sqlite3 *handle, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // True while a row is available; throws on failure.
    bool step();
    void bind(int index, const QVariant &value);
    void bindAll(const QVariantList &values);
    QVariant value(int column) const;
    qint64 int64(int column) const;
    int columnCount() const;
    QString columnName(int column) const;
    sqlite3_stmt *handle() const { return m_stmt; }

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
    QString m_sql;
};

void bindValue(sqlite3_stmt *stmt, int index, const QVariant &value);
QVariant columnValue(sqlite3_stmt *stmt, int column);

// Runs a statement that returns nothing of interest.
void exec(sqlite3 *handle, const QString &sql, const QVariantList &values = {});
// The first column of the first row, or a null value.
QVariant scalar(sqlite3 *handle, const QString &sql, const QVariantList &values = {});

} // namespace db
