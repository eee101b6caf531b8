#include "dbtestfiles.h"

#include <QFile>
#include <QProcess>

namespace DbTestFiles {

namespace {
QString quoted(const QString &name)
{
    QString text = name;
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}
} // namespace

CliResult sqlite(const QString &file, const QString &sql)
{
    QProcess process;
    process.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), file});
    CliResult result;
    if (!process.waitForStarted(10000))
        return result;
    process.write(sql.toUtf8());
    process.write("\n");
    process.closeWriteChannel();
    process.waitForFinished(60000);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QString sqliteValue(const QString &file, const QString &sql)
{
    return sqlite(file, sql).output.section(QLatin1Char('\n'), 0, 0).trimmed();
}

QString topicTableSql(const QString &topic, bool zipped)
{
    QString sql =
        QStringLiteral("CREATE TABLE %1 (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "\"Question\" LONGTEXT, \"Answer\" LONGTEXT%2);\n")
            .arg(quoted(topic), zipped ? QStringLiteral(", \"Ziped\" LONGBLOB") : QString());
    sql += QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (\"Question\" COLLATE NOCASE);\n")
               .arg(quoted(topic + QStringLiteral(".Question")), quoted(topic));
    return sql;
}

void createKnowledgeBase(const QString &file, const QStringList &topics, int recordsPerTopic)
{
    QString sql = QStringLiteral("BEGIN;\n");
    for (const QString &topic : topics) {
        sql += topicTableSql(topic);
        if (recordsPerTopic > 0)
            sql += QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n "
                                  "WHERE i < %1) INSERT INTO %2 (Question, Answer) SELECT "
                                  "'%3 question ' || i, '{\\rtf1 answer ' || i || '}' FROM n;\n")
                       .arg(recordsPerTopic)
                       .arg(quoted(topic),
                            QString(topic).replace(QLatin1Char('\''), QLatin1String("''")));
    }
    sql += QStringLiteral("COMMIT;\n");
    sqlite(file, sql);
}

QByteArray readAll(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return in.readAll();
}

} // namespace DbTestFiles
