// Keyword search over 100,000 records in 50 topics, next to the sqlite3 command-line
// tool running the same LIKE over the same file.
#include "kb/kbstore.h"
#include "kb/keywordsearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include <sqlite3.h>

namespace {

constexpr int Topics = 50;
constexpr int PerTopic = 2000;

void fill(const QString &path)
{
    QStringList topics;
    for (int t = 0; t < Topics; ++t)
        topics.append(QStringLiteral("Topic %1").arg(t));
    KbStore::createKnowledgeBase(path, topics);
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    const QByteArray answer(2000, 'a');
    for (int t = 0; t < Topics; ++t) {
        const QByteArray sql = QStringLiteral("INSERT INTO \"Topic %1\" (Question, Answer) "
                                              "VALUES (?, ?)")
                                   .arg(t)
                                   .toUtf8();
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr);
        for (int i = 0; i < PerTopic; ++i) {
            // Every question holds "note"; one in a thousand also holds "rarity".
            const QByteArray question = QStringLiteral("How does note %1 of topic %2 work%3?")
                                            .arg(i)
                                            .arg(t)
                                            .arg(i % 1000 == 7 ? QStringLiteral(" rarity") : "")
                                            .toUtf8();
            sqlite3_bind_text(insert, 1, question.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, answer.constData(), int(answer.size()), SQLITE_STATIC);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

double cliMilliseconds(const QString &path, const QString &keyword)
{
    QString script;
    for (int t = 0; t < Topics; ++t)
        script += QStringLiteral("SELECT ID, Question, Answer FROM \"Topic %1\" "
                                 "WHERE Question LIKE '%%2%';\n")
                      .arg(t)
                      .arg(keyword);
    QProcess cli;
    QElapsedTimer timer;
    timer.start();
    cli.start(QStringLiteral("sqlite3"), {path});
    cli.write(script.toUtf8());
    cli.closeWriteChannel();
    while (cli.waitForReadyRead(-1))
        cli.readAll(); // drain, as a real consumer would
    cli.waitForFinished(-1);
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString kb = dir.filePath(QStringLiteral("Bench.mdb"));
    const QString search = dir.filePath(QStringLiteral("Search.mdb"));
    std::printf("Building %d records in %d topics...\n", Topics * PerTopic, Topics);
    fill(kb);
    KbStore::createSearchDatabase(search);
    const QStringList topics = KeywordSearch::topicTables(kb);

    std::printf("%-28s %10s %12s %14s\n", "keyword", "hits", "marlux ms", "sqlite3 CLI ms");
    for (const QString &keyword : {QStringLiteral("rarity"), QStringLiteral("note")}) {
        QElapsedTimer timer;
        timer.start();
        const SearchOutcome outcome = KeywordSearch::run(kb, topics, keyword, false, search);
        const double ours = timer.nsecsElapsed() / 1e6;
        const double cli = cliMilliseconds(kb, keyword);
        std::printf("%-28s %10lld %12.1f %14.1f\n", qPrintable(keyword),
                    static_cast<long long>(outcome.hits.size()), ours, cli);
        if (!outcome.error.isEmpty())
            std::printf("  error: %s\n", qPrintable(outcome.error));
    }
    std::printf("(marlux also stores every hit in SrhResult; the CLI only reads them.)\n");
    return 0;
}
