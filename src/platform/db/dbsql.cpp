#include "platform/db/dbsql.h"

#include "platform/db/dberrors.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>

#include <sqlite3.h>

namespace db {

QString quoteIdent(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool isValidName(const QString &name)
{
    if (name.isEmpty() || name.size() > 64 || name.startsWith(QLatin1Char(' ')))
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 32 || c == QLatin1Char('.') || c == QLatin1Char('!') ||
            c == QLatin1Char('`') || c == QLatin1Char('[') || c == QLatin1Char(']'))
            return false;
    }
    return true;
}

namespace {

bool sameLetter(QChar a, QChar b)
{
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

// Matches a bracket list starting after '['; sets end to the index after ']'.
bool matchList(const QString &pattern, qsizetype start, QChar c, qsizetype &end)
{
    qsizetype i = start;
    bool negate = false;
    if (i < pattern.size() && pattern[i] == QLatin1Char('!')) {
        negate = true;
        ++i;
    }
    bool found = false;
    bool first = true;
    while (i < pattern.size() && (first || pattern[i] != QLatin1Char(']'))) {
        first = false;
        const QChar low = pattern[i];
        if (i + 2 < pattern.size() && pattern[i + 1] == QLatin1Char('-') &&
            pattern[i + 2] != QLatin1Char(']')) {
            const QChar high = pattern[i + 2];
            const QChar folded = c.toCaseFolded();
            if ((c >= low && c <= high) ||
                (folded >= low.toCaseFolded() && folded <= high.toCaseFolded()))
                found = true;
            i += 3;
        } else {
            if (sameLetter(low, c))
                found = true;
            ++i;
        }
    }
    end = i < pattern.size() ? i + 1 : i;
    return found != negate;
}

bool likeAt(const QString &p, qsizetype pi, const QString &t, qsizetype ti)
{
    while (pi < p.size()) {
        const QChar pc = p[pi];
        if (pc == QLatin1Char('*') || pc == QLatin1Char('%')) {
            while (pi < p.size() && (p[pi] == QLatin1Char('*') || p[pi] == QLatin1Char('%')))
                ++pi;
            if (pi == p.size())
                return true;
            for (qsizetype k = ti; k <= t.size(); ++k) {
                if (likeAt(p, pi, t, k))
                    return true;
            }
            return false;
        }
        if (ti >= t.size())
            return false;
        const QChar tc = t[ti];
        if (pc == QLatin1Char('?') || pc == QLatin1Char('_')) {
            ++pi;
        } else if (pc == QLatin1Char('#')) {
            if (!tc.isDigit())
                return false;
            ++pi;
        } else if (pc == QLatin1Char('[')) {
            qsizetype end = 0;
            if (!matchList(p, pi + 1, tc, end))
                return false;
            pi = end;
        } else {
            if (!sameLetter(pc, tc))
                return false;
            ++pi;
        }
        ++ti;
    }
    return ti == t.size();
}

void likeFunction(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    Q_UNUSED(argc);
    // like(pattern, text) is how SQLite calls "text LIKE pattern".
    const QString pattern = QString::fromUtf8(
        reinterpret_cast<const char *>(sqlite3_value_text(argv[0])), sqlite3_value_bytes(argv[0]));
    const QString text = QString::fromUtf8(
        reinterpret_cast<const char *>(sqlite3_value_text(argv[1])), sqlite3_value_bytes(argv[1]));
    sqlite3_result_int(context, userLike(pattern, text) ? 1 : 0);
}

} // namespace

bool userLike(const QString &pattern, const QString &text)
{
    return likeAt(pattern, 0, text, 0);
}

void registerFunctions(sqlite3 *handle)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(handle, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr,
                               nullptr);
}

Statement::Statement(sqlite3 *handle, const QString &sql) : m_db(handle), m_sql(sql)
{
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(handle, utf8.constData(), int(utf8.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK)
        raiseSqlite(handle, rc, sql);
    if (!m_stmt)
        raise(ErrInvalidStatement);
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const int code = sqlite3_reset(m_stmt);
    raiseSqlite(m_db, code == SQLITE_OK ? rc : code, m_sql);
}

void Statement::bind(int index, const QVariant &value)
{
    bindValue(m_stmt, index, value);
}

void Statement::bindAll(const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i)
        bindValue(m_stmt, i + 1, values[i]);
}

QVariant Statement::value(int column) const
{
    return columnValue(m_stmt, column);
}

qint64 Statement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
}

void bindValue(sqlite3_stmt *stmt, int index, const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        sqlite3_bind_int64(stmt, index, value.toLongLong());
        break;
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        sqlite3_bind_int64(stmt, index, qint64(value.toULongLong()));
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(stmt, index, value.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob64(stmt, index, bytes.constData(), sqlite3_uint64(bytes.size()),
                            SQLITE_TRANSIENT);
        break;
    }
    case QMetaType::QDate:
        bindValue(stmt, index, value.toDate().toString(Qt::ISODate));
        break;
    case QMetaType::QDateTime:
        bindValue(stmt, index, value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        break;
    default: {
        const QByteArray utf8 = value.toString().toUtf8();
        sqlite3_bind_text64(stmt, index, utf8.constData(), sqlite3_uint64(utf8.size()),
                            SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    }
}

QVariant columnValue(sqlite3_stmt *stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT:
        return QVariant(
            QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
                              sqlite3_column_bytes(stmt, column)));
    case SQLITE_BLOB: {
        const void *data = sqlite3_column_blob(stmt, column);
        if (!data)
            return QVariant(QByteArray(""));
        return QVariant(
            QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(stmt, column)));
    }
    default:
        return QVariant();
    }
}

void exec(sqlite3 *handle, const QString &sql, const QVariantList &values)
{
    Statement statement(handle, sql);
    statement.bindAll(values);
    while (statement.step()) {
    }
}

QVariant scalar(sqlite3 *handle, const QString &sql, const QVariantList &values)
{
    Statement statement(handle, sql);
    statement.bindAll(values);
    return statement.step() ? statement.value(0) : QVariant();
}

} // namespace db
