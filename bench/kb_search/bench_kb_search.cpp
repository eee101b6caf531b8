// Keyword search over 100,000 records in 50 topics (2 KB answers), next to the sqlite3
// command-line tool running the best query it can over the same file. The two take turns
// so the machine's noise falls on both alike.
#include "kb/kbstore.h"
#include "kb/keywordsearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sqlite3.h>

namespace {

constexpr int Topics = 50;
constexpr int PerTopic = 2000;
constexpr int Rounds = 7;

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

// The tool's best: with few hits, find them on the question index and fetch the rows by
// key; with many, one plain scan.
double cliMilliseconds(const QString &path, const QString &keyword, bool fewHits)
{
    QString script;
    for (int t = 0; t < Topics; ++t) {
        const QString table = QStringLiteral("\"Topic %1\"").arg(t);
        const QString like = QStringLiteral("Question LIKE '%%1%'").arg(keyword);
        script += fewHits ? QStringLiteral("SELECT ID, Question, Answer FROM %1 WHERE ID IN "
                                           "(SELECT ID FROM %1 WHERE %2);\n")
                                .arg(table, like)
                          : QStringLiteral("SELECT ID, Question, Answer FROM %1 WHERE %2;\n")
                                .arg(table, like);
    }
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

struct Spread
{
    double min, median, max;
};

Spread spread(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values.front(), values[values.size() / 2], values.back()};
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

    std::printf("%d rounds, each side in turn; times in ms as min / median / max\n", Rounds);
    std::printf("%-8s %7s  %-24s %-24s %s\n", "keyword", "hits", "marlux (SrhResult filled)",
                "sqlite3 CLI (reads only)", "ratio of medians");
    for (const QString &keyword : {QStringLiteral("rarity"), QStringLiteral("note")}) {
        std::vector<double> ours, cli;
        qsizetype hits = 0;
        QString error;
        for (int round = 0; round < Rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            const SearchOutcome outcome = KeywordSearch::run(kb, topics, keyword, false, search);
            ours.push_back(timer.nsecsElapsed() / 1e6);
            hits = outcome.hits.size();
            error = outcome.error;
            cli.push_back(cliMilliseconds(kb, keyword, hits * 10 < Topics * PerTopic));
        }
        const Spread a = spread(ours);
        const Spread b = spread(cli);
        std::printf("%-8s %7lld  %6.1f / %6.1f / %6.1f   %6.1f / %6.1f / %6.1f   %.2f\n",
                    qPrintable(keyword), static_cast<long long>(hits), a.min, a.median, a.max,
                    b.min, b.median, b.max, a.median / b.median);
        if (!error.isEmpty())
            std::printf("  error: %s\n", qPrintable(error));
    }
    return 0;
}
