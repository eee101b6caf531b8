// Times the data engine on a large knowledge base next to the sqlite3 tool doing
// the same work on the same file:
//   bench_kb_engine [folder]   (default: a temporary folder)

#include "kb/kbstore.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dbrecordset.h"
#include "sqlitecli.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

constexpr int TopicCount = 50;
constexpr int BigTopicRecords = 50000;
constexpr int TotalRecords = 100000;
constexpr int Fetches = 1000;

QTextStream out(stdout);

QString answerFor(int n)
{
    QString body;
    while (body.size() < 1500)
        body += QStringLiteral("Paragraph of record %1 with some words about loops, pointers and "
                               "memory.\\par ")
                    .arg(n);
    return QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 ") + body + QLatin1Char('}');
}

QString topicName(int i)
{
    return i == 0 ? QStringLiteral("Big")
                  : QStringLiteral("Topic %1").arg(i, 2, 10, QLatin1Char('0'));
}

void build(const QString &path)
{
    QStringList topics;
    for (int i = 0; i < TopicCount; ++i)
        topics << topicName(i);
    KbStore::createKnowledgeBase(path, topics);
    auto database = db::DBEngine::OpenDatabase(path, true);
    database->BeginTrans();
    int made = 0;
    for (int i = 0; i < TopicCount; ++i) {
        const int rest = TotalRecords - BigTopicRecords;
        const int count = i == 0 ? BigTopicRecords
                                 : rest / (TopicCount - 1) + (i <= rest % (TopicCount - 1) ? 1 : 0);
        auto rs = database->OpenRecordset(topicName(i));
        for (int r = 0; r < count; ++r, ++made) {
            rs->AddNew();
            rs->setValue(
                QStringLiteral("Question"),
                QStringLiteral("How does question %1 of %2 work?").arg(r).arg(topicName(i)));
            rs->setValue(QStringLiteral("Answer"), answerFor(made));
            rs->Update();
        }
    }
    database->CommitTrans();
    database->Close();
}

void row(const QString &what, double ours, double theirs, const QString &note = {})
{
    out << QStringLiteral("%1 %2 ms %3 ms  %4\n")
               .arg(what, -44)
               .arg(ours, 10, 'f', 2)
               .arg(theirs, 10, 'f', 2)
               .arg(note);
    out.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const QString path = folder + QStringLiteral("/Bench.mdb");

    if (!QFile::exists(path)) {
        QElapsedTimer timer;
        timer.start();
        build(path);
        out << QStringLiteral("built %1 records in %2 topics: %3 MB in %4 s\n")
                   .arg(TotalRecords)
                   .arg(TopicCount)
                   .arg(QFile(path).size() / 1048576.0, 0, 'f', 1)
                   .arg(timer.elapsed() / 1000.0, 0, 'f', 1);
    }
    out << QStringLiteral("%1 %2 %3\n")
               .arg(QStringLiteral("work"), -44)
               .arg(QStringLiteral("engine"), 13)
               .arg(QStringLiteral("sqlite3 CLI"), 13);

    QElapsedTimer timer;
    // Open: our open reads the schema, checks the gate and the header.
    timer.start();
    auto database = db::DBEngine::OpenDatabase(path);
    const double openMs = timer.nsecsElapsed() / 1e6;
    qint64 cliWall = 0;
    const double cliOpen = BenchSupport::sqliteCliSeconds(
        path, QStringLiteral("SELECT count(*) FROM sqlite_schema;\n"), &cliWall);
    row(QStringLiteral("open"), openMs, cliOpen * 1000,
        QStringLiteral("(tool: first schema read; %1 ms with process start)").arg(cliWall));

    timer.restart();
    const QStringList topics = database->tableNames(true);
    const double listMs = timer.nsecsElapsed() / 1e6;
    const double cliList = BenchSupport::sqliteCliSeconds(
        path, QStringLiteral("SELECT name FROM sqlite_schema WHERE type='table' "
                             "AND name NOT LIKE 'MSys%' AND name NOT LIKE "
                             "'sqlite%' ORDER BY name COLLATE NOCASE;\n"));
    row(QStringLiteral("list %1 topics").arg(topics.size()), listMs, cliList * 1000);

    timer.restart();
    auto rs = database->OpenRecordset(QStringLiteral("Big"));
    const double keysMs = timer.nsecsElapsed() / 1e6;
    const double cliKeys = BenchSupport::sqliteCliSeconds(
        path, QStringLiteral("SELECT rowid FROM \"Big\" ORDER BY rowid;\n"));
    row(QStringLiteral("key list of %1 records").arg(rs->RecordCount()), keysMs, cliKeys * 1000);

    timer.restart();
    const QVariantList questions = rs->columnValues(QStringLiteral("Question"));
    const double listQuestionsMs = timer.nsecsElapsed() / 1e6;
    const double cliQuestions = BenchSupport::sqliteCliSeconds(
        path, QStringLiteral("SELECT rowid, Question FROM \"Big\" ORDER BY rowid;\n"));
    row(QStringLiteral("question list of %1 records").arg(questions.size()), listQuestionsMs,
        cliQuestions * 1000);

    QList<qint64> positions;
    for (int i = 0; i < Fetches; ++i)
        positions << QRandomGenerator::global()->bounded(qint64(rs->RecordCount()));
    qint64 bytes = 0;
    timer.restart();
    for (const qint64 position : positions) {
        rs->setAbsolutePosition(position);
        bytes += rs->value(QStringLiteral("Question")).toString().size() +
                 rs->value(QStringLiteral("Answer")).toString().size();
    }
    const double fetchMs = timer.nsecsElapsed() / 1e6;
    QString script;
    const QVector<qint64> keys = rs->keys();
    for (const qint64 position : positions)
        script +=
            QStringLiteral("SELECT \"ID\", \"Question\", \"Answer\" FROM \"Big\" WHERE rowid=%1;\n")
                .arg(keys[position]);
    const double cliFetch = BenchSupport::sqliteCliSeconds(path, script);
    row(QStringLiteral("fetch %1 random records").arg(Fetches), fetchMs, cliFetch * 1000,
        QStringLiteral("(%1 characters read)").arg(bytes));
    database->Close();
    return 0;
}
