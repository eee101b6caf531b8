#pragma once

#include <QString>
#include <QStringList>

// Database files for tests, made and read with the sqlite3 command-line tool,
// which stands outside the engine under test.
namespace DbTestFiles {

struct CliResult
{
    int exitCode = -1;
    QString output;
    QString errors;
};

// Runs the tool on a file with the SQL on its standard input.
CliResult sqlite(const QString &file, const QString &sql);
// The first line of the tool's output, trimmed.
QString sqliteValue(const QString &file, const QString &sql);

// A knowledge-base file with the given topics (ID, Question, Answer and a unique
// index on Question); each topic gets questions "<topic> question <n>".
void createKnowledgeBase(const QString &file, const QStringList &topics, int recordsPerTopic);

// The SQL that creates one topic table.
QString topicTableSql(const QString &topic, bool zipped = false);

QByteArray readAll(const QString &file);

} // namespace DbTestFiles
