#include "kb_searchfixture.h"

#include "kb/kbstore.h"

#include <QDir>
#include <QTest>

#include <sqlite3.h>

namespace SearchFixture {

namespace {

sqlite3 *openRaw(const QString &path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        qFatal("cannot open %s", qPrintable(path));
    return db;
}

} // namespace

void createKnowledgeBase(const QString &folder, const QString &name,
                         const QList<QPair<QString, QList<Record>>> &topics)
{
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name + KbStore::DatabaseExtension;
    QStringList names;
    for (const auto &topic : topics)
        names.append(topic.first);
    KbStore::createKnowledgeBase(path, names);

    sqlite3 *db = openRaw(path);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (const auto &topic : topics) {
        const QByteArray sql = QStringLiteral("INSERT INTO \"%1\" (Question, Answer) VALUES (?, ?)")
                                   .arg(topic.first)
                                   .toUtf8();
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr);
        for (const Record &record : topic.second) {
            const QByteArray question = record.first.toUtf8();
            const QByteArray answer = record.second.toUtf8();
            sqlite3_bind_text(insert, 1, question.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, answer.constData(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(insert) != SQLITE_DONE)
                qFatal("insert failed: %s", sqlite3_errmsg(db));
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void createSearchDatabase(const QString &folder)
{
    QDir().mkpath(folder);
    KbStore::createSearchDatabase(folder + QStringLiteral("/Search") + KbStore::DatabaseExtension);
}

QStringList searchRows(const QString &folder)
{
    sqlite3 *db = openRaw(folder + QStringLiteral("/Search") + KbStore::DatabaseExtension);
    sqlite3_stmt *select = nullptr;
    sqlite3_prepare_v2(db, "SELECT Question, OriID, OriTable FROM SrhResult ORDER BY ID", -1,
                       &select, nullptr);
    QStringList rows;
    while (sqlite3_step(select) == SQLITE_ROW) {
        rows.append(QStringLiteral("%1|%2|%3")
                        .arg(QString::fromUtf8(
                            reinterpret_cast<const char *>(sqlite3_column_text(select, 0))))
                        .arg(sqlite3_column_int64(select, 1))
                        .arg(QString::fromUtf8(
                            reinterpret_cast<const char *>(sqlite3_column_text(select, 2)))));
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
    return rows;
}

} // namespace SearchFixture
