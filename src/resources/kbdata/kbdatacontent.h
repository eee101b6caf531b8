#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The text sources of the shipped knowledge bases.
namespace KbDataContent {

struct Record
{
    QString question;
    QStringList answerLines;
    QByteArray zip; // the zipped examples of this record, empty when none
};

struct Topic
{
    QString name;
    QList<Record> records;
};

// Parses one topic file: "# ..." comments before the first record, records that
// start with "Q: " in column 0, the answer in the lines that follow. Problems are
// added to warnings.
QList<Record> parseTopic(const QString &text, QStringList *warnings);

// Topic name from a file name, made acceptable as a table name.
QString topicName(const QString &baseName);

// Every topic of one knowledge base's folder (sorted by file name); zip folders
// "<topic>.files/<n>/" are zipped into record n.
QList<Topic> readKnowledgeBase(const QString &folder, QStringList *warnings);

// Non-empty lines of a list file, trimmed; empty when the file is missing.
QStringList readList(const QString &file);

// A zip of every file below folder, paths relative to it, with fixed times.
QByteArray zipFolder(const QString &folder);

} // namespace KbDataContent
