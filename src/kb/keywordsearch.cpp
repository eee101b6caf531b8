#include "kb/keywordsearch.h"

#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

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

// The failure db reports; a damaged file says so instead of looking like a search that
// found nothing or an engine fault.
SearchError engineError(sqlite3 *db)
{
    const int code = sqlite3_errcode(db) & 0xff;
    if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB)
        return SearchError(
            db::ErrCannotOpen,
            db::errorDescription(db::ErrCannotOpen,
                                 QString::fromUtf8(sqlite3_db_filename(db, "main"))));
    return SearchError(EngineError, QString::fromUtf8(sqlite3_errmsg(db)));
}

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
        throw engineError(db);
    return Statement(raw);
}

void exec(sqlite3 *db, const char *sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw engineError(db);
}

void bindText(sqlite3_stmt *statement, int index, const QString &value)
{
    sqlite3_bind_text16(statement, index, value.utf16(), int(value.size() * 2), SQLITE_TRANSIENT);
}

void matchFunction(sqlite3_context *context, int, sqlite3_value **arguments)
{
    const auto *matcher = static_cast<const KeywordSearch::Matcher *>(sqlite3_user_data(context));
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    const auto *question = reinterpret_cast<const char *>(sqlite3_value_text(arguments[0]));
    const int bytes = sqlite3_value_bytes(arguments[0]);
    sqlite3_result_int(context, matcher->matches(question, bytes) ? 1 : 0);
}

} // namespace

namespace KeywordSearch {

QStringList topicTables(const QString &databasePath)
{
    QStringList tables;
    try {
        const auto database = db::DBEngine::OpenDatabase(databasePath);
        // Hidden tables are searched too: only the system's own tables are left out.
        const QStringList names = database->tableNames(false);
        for (const QString &name : names)
            if (!name.startsWith(QLatin1String("MSys")) &&
                !name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
                tables.append(name);
        database->Close();
    } catch (const std::exception &) {
        // A database that cannot be read lists no topics.
    }
    return tables;
}

Matcher::Matcher(const QString &keyword, bool exact) : m_exact(exact)
{
    const QString blank = exact ? QStringLiteral(" ") : QString();
    m_needle = (blank + keyword + blank).toCaseFolded();
    bool ascii = true;
    for (const QChar c : std::as_const(m_needle))
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        m_ascii = m_needle.toLatin1();
}

bool Matcher::matches(const char *utf8, qsizetype size) const
{
    bool ascii = true;
    for (qsizetype i = 0; i < size && ascii; ++i)
        ascii = static_cast<unsigned char>(utf8[i]) < 0x80;
    if (!ascii)
        return matches(QString::fromUtf8(utf8, size));
    // A plain ASCII question folds to ASCII, so it cannot hold a folded needle that is not.
    if (m_ascii.isEmpty() && !m_needle.isEmpty())
        return false;
    thread_local std::string folded;
    const qsizetype edge = m_exact ? 1 : 0;
    folded.resize(size_t(size + 2 * edge));
    char *out = folded.data();
    if (m_exact)
        out[0] = out[size + 1] = ' ';
    for (qsizetype i = 0; i < size; ++i) {
        const char c = utf8[i];
        out[i + edge] = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
    return std::string_view(folded).find(std::string_view(
               m_ascii.constData(), size_t(m_ascii.size()))) != std::string_view::npos;
}

bool Matcher::matches(const QString &question) const
{
    if (m_exact)
        return (QLatin1Char(' ') + question + QLatin1Char(' '))
            .contains(m_needle, Qt::CaseInsensitive);
    return question.contains(m_needle, Qt::CaseInsensitive);
}

SearchOutcome run(const QString &databasePath, const QStringList &topics, const QString &keyword,
                  bool exact, const QString &searchPath, const std::atomic_bool *cancelled)
{
    SearchOutcome outcome;
    const auto checkCancelled = [cancelled] {
        if (cancelled && *cancelled)
            throw SearchError(EngineError, QStringLiteral("Search cancelled."));
    };
    try {
        Connection source = open(databasePath, false);
        // Read before any topic is: a cut-off file must not pass for one without hits.
        exec(source.get(), "SELECT count(*) FROM sqlite_schema");
        Connection target = open(searchPath, true);
        // The hits are copies of records the knowledge base keeps anyway: clearing
        // them need not overwrite every freed page.
        exec(target.get(), "PRAGMA secure_delete = OFF");
        // Emptying the journal instead of deleting it spares a folder update per search.
        exec(target.get(), "PRAGMA journal_mode = TRUNCATE");
        // A cancel (the program quitting) also stops a long scan that finds nothing.
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
            const Matcher matcher(keyword, exact);
            // Matched inside the scan, so a question that does not match never leaves it.
            if (sqlite3_create_function_v2(source.get(), "keyword_match", 1,
                                           SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY,
                                           const_cast<Matcher *>(&matcher), &matchFunction, nullptr,
                                           nullptr, nullptr) != SQLITE_OK)
                throw engineError(source.get());
            // One read transaction: the hits found on the index are the rows fetched.
            exec(source.get(), "BEGIN");
            struct Found
            {
                qint64 rowId;
                qint64 id;
                QString question;
            };
            QVector<Found> found;
            for (const QString &topic : topics) {
                checkCancelled();
                const QString table = quoted(topic);
                // Only the question and the key are read: with the question index this
                // is a scan of the index alone, never of the answers.
                Statement scan = prepare(source.get(),
                                         QStringLiteral("SELECT rowid, \"ID\", \"Question\" "
                                                        "FROM %1 WHERE keyword_match(\"Question\")")
                                             .arg(table));
                found.clear();
                int rc;
                while ((rc = sqlite3_step(scan.get())) == SQLITE_ROW) {
                    checkCancelled();
                    const auto *question =
                        reinterpret_cast<const char *>(sqlite3_column_text(scan.get(), 2));
                    const int bytes = sqlite3_column_bytes(scan.get(), 2);
                    found.append({sqlite3_column_int64(scan.get(), 0),
                                  sqlite3_column_int64(scan.get(), 1),
                                  QString::fromUtf8(question, bytes)});
                }
                if (rc != SQLITE_DONE) {
                    checkCancelled(); // an interrupted scan is a cancel, not an engine fault
                    throw engineError(source.get());
                }
                scan.reset();
                std::sort(found.begin(), found.end(),
                          [](const Found &a, const Found &b) { return a.id < b.id; });

                Statement fetch =
                    prepare(source.get(),
                            QStringLiteral("SELECT \"Answer\" FROM %1 WHERE rowid = ?").arg(table));
                for (const Found &row : std::as_const(found)) {
                    checkCancelled();
                    sqlite3_reset(fetch.get());
                    sqlite3_bind_int64(fetch.get(), 1, row.rowId);
                    if (sqlite3_step(fetch.get()) != SQLITE_ROW)
                        throw engineError(source.get());
                    SearchHit hit;
                    hit.originalId = row.id;
                    hit.question = row.question;
                    hit.topic = topic;
                    sqlite3_reset(insert.get());
                    bindText(insert.get(), 1, hit.question);
                    sqlite3_bind_int64(insert.get(), 2, hit.originalId);
                    sqlite3_bind_value(insert.get(), 3, sqlite3_column_value(fetch.get(), 0));
                    bindText(insert.get(), 4, topic);
                    if (sqlite3_step(insert.get()) != SQLITE_DONE)
                        throw engineError(target.get());
                    hit.resultId = sqlite3_last_insert_rowid(target.get());
                    outcome.hits.append(hit);
                }
            }
            checkCancelled();
            sqlite3_exec(source.get(), "COMMIT", nullptr, nullptr, nullptr);
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
