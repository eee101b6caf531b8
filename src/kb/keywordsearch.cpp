#include "kb/keywordsearch.h"

#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace {

struct SearchError : std::runtime_error
{
    SearchError(int number, const QString &text)
        : std::runtime_error(text.toStdString()), number(number)
    {}
    int number;
};

struct ConnectionCloser
{
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;

struct StatementFinalizer
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

constexpr int CannotOpen = 3024;
constexpr int EngineError = 3146;

Connection open(const QString &path, bool writable)
{
    sqlite3 *raw = nullptr;
    const int flags = (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY);
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    Connection db(raw);
    if (rc != SQLITE_OK)
        throw SearchError(CannotOpen, QStringLiteral("Could not find file '%1'.").arg(path));
    sqlite3_busy_timeout(raw, 5000);
    return db;
}

QString quoted(const QString &identifier)
{
    QString escaped = identifier;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

Statement prepare(sqlite3 *db, const QString &sql)
{
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &raw, nullptr) != SQLITE_OK)
        throw SearchError(EngineError, QString::fromUtf8(sqlite3_errmsg(db)));
    return Statement(raw);
}

void exec(sqlite3 *db, const char *sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw SearchError(EngineError, QString::fromUtf8(sqlite3_errmsg(db)));
}

QString text(sqlite3_stmt *statement, int column)
{
    const auto *data = static_cast<const char16_t *>(sqlite3_column_text16(statement, column));
    const int bytes = sqlite3_column_bytes16(statement, column);
    return data ? QString::fromUtf16(data, bytes / 2) : QString();
}

void bindText(sqlite3_stmt *statement, int index, const QString &value)
{
    sqlite3_bind_text16(statement, index, value.utf16(), int(value.size() * 2), SQLITE_TRANSIENT);
}

} // namespace

namespace KeywordSearch {

QStringList topicTables(const QString &databasePath)
{
    QStringList tables;
    try {
        const auto database = db::DBEngine::OpenDatabase(databasePath);
        const QStringList names = database->tableNames(true);
        for (const QString &name : names)
            if (!name.startsWith(QLatin1String("MSys")))
                tables.append(name);
        database->Close();
    } catch (const std::exception &) {
        // A database that cannot be read lists no topics.
    }
    return tables;
}

QString likePattern(const QString &keyword, bool exact)
{
    QString plain;
    plain.reserve(keyword.size() + 8);
    for (const QChar c : keyword) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\'))
            plain += QLatin1Char('\\');
        plain += c;
    }
    if (exact)
        plain = QLatin1Char(' ') + plain + QLatin1Char(' ');
    return QLatin1Char('%') + plain + QLatin1Char('%');
}

SearchOutcome run(const QString &databasePath, const QStringList &topics, const QString &keyword,
                  bool exact, const QString &searchPath, const std::atomic_bool *cancelled)
{
    SearchOutcome outcome;
    try {
        Connection source = open(databasePath, false);
        Connection target = open(searchPath, true);
        // A cancel (the program quitting) also stops a long scan that finds nothing.
        const auto stopped = [cancelled] { return cancelled && cancelled->load(); };
        if (cancelled)
            sqlite3_progress_handler(
                source.get(), 1000,
                [](void *flag) {
                    return static_cast<const std::atomic_bool *>(flag)->load() ? 1 : 0;
                },
                const_cast<std::atomic_bool *>(cancelled));
        // Everything or nothing: a failed clear never leaves old and new hits mixed.
        exec(target.get(), "BEGIN IMMEDIATE");
        try {
            exec(target.get(), "DELETE FROM \"SrhResult\"");
            Statement insert =
                prepare(target.get(), QStringLiteral("INSERT INTO \"SrhResult\" (\"Question\", "
                                                     "\"OriID\", \"Answer\", \"OriTable\") "
                                                     "VALUES (?, ?, ?, ?)"));
            const QString pattern = likePattern(keyword, exact);
            // With "Match Exactly" a word at either end of the question counts as well.
            const QString subject = exact ? QStringLiteral("(' ' || \"Question\" || ' ')")
                                          : QStringLiteral("\"Question\"");
            for (const QString &topic : topics) {
                if (stopped())
                    throw SearchError(EngineError, QStringLiteral("Search cancelled."));
                Statement select = prepare(
                    source.get(), QStringLiteral("SELECT \"ID\", \"Question\", \"Answer\" FROM %1 "
                                                 "WHERE %2 LIKE ? ESCAPE '\\' ORDER BY \"ID\"")
                                      .arg(quoted(topic), subject));
                bindText(select.get(), 1, pattern);
                int rc;
                while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
                    if (stopped())
                        throw SearchError(EngineError, QStringLiteral("Search cancelled."));
                    SearchHit hit;
                    hit.originalId = sqlite3_column_int64(select.get(), 0);
                    hit.question = text(select.get(), 1);
                    hit.topic = topic;
                    sqlite3_reset(insert.get());
                    bindText(insert.get(), 1, hit.question);
                    sqlite3_bind_int64(insert.get(), 2, hit.originalId);
                    sqlite3_bind_value(insert.get(), 3, sqlite3_column_value(select.get(), 2));
                    bindText(insert.get(), 4, topic);
                    if (sqlite3_step(insert.get()) != SQLITE_DONE)
                        throw SearchError(EngineError,
                                          QString::fromUtf8(sqlite3_errmsg(target.get())));
                    hit.resultId = sqlite3_last_insert_rowid(target.get());
                    outcome.hits.append(hit);
                }
                if (rc != SQLITE_DONE)
                    throw SearchError(EngineError, QString::fromUtf8(sqlite3_errmsg(source.get())));
            }
            if (stopped())
                throw SearchError(EngineError, QStringLiteral("Search cancelled."));
            exec(target.get(), "COMMIT");
        } catch (...) {
            sqlite3_exec(target.get(), "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    } catch (const SearchError &error) {
        outcome.hits.clear();
        outcome.errorNumber = error.number;
        outcome.error = QString::fromStdString(error.what());
    }
    return outcome;
}

} // namespace KeywordSearch
