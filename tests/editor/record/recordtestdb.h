#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class FrmMain;

// Small knowledge bases written straight with SQLite, in the shipped files' layout.
namespace RecordTestDb {

struct Topic
{
    QString name;
    QList<QPair<QString, QString>> records; // question, answer
    QString questionDefault;                // SQL default text ("'x'"), empty for none
    QString answerDefault;
};

// Creates (or replaces) a database file with the topics; Question is unique.
void create(const QString &path, const QList<Topic> &topics);
// A keyword-list database: table Reserved, field Keyword.
void createKeywordList(const QString &path, const QStringList &keywords);
// Runs one query and returns the first column of every row as text ("<null>" for NULL).
QStringList query(const QString &path, const QString &sql);
// The answer column's stored bytes, in key order.
QList<QByteArray> answerBytes(const QString &path, const QString &topic);

// A loaded main window over a fresh data root, with the record window factory installed.
FrmMain *newMainWindow();
// Presses a database button by its key.
void pressDatabaseButton(FrmMain *main, const QString &key);
// Picks a topic in the topic combo as a user does.
void chooseTopic(FrmMain *main, const QString &topic);

} // namespace RecordTestDb
