#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace db {
class Database;
}

// The stored data of the knowledge base: file and table names, the layouts of the
// knowledge-base, Search, keyword-list, template and FTP files, the choice of
// keyword list and the keyword history files. Needs no widgets: the build's data
// generator uses it too.
namespace KbStore {

inline const QString DatabaseExtension = QStringLiteral(".mdb");
inline const QString SearchDatabase = QStringLiteral("Search");
inline const QString SearchTable = QStringLiteral("SrhResult");
inline const QString KeywordTable = QStringLiteral("Reserved");
inline const QString KeywordField = QStringLiteral("Keyword");
inline const QString TemplateDatabase = QStringLiteral("Template");
inline const QString TemplateTable = QStringLiteral("Template");
inline const QString ZippedTopic = QStringLiteral("Zipped Examples");
inline const QString ZipField = QStringLiteral("Ziped");
inline const QString FtpDatabase = QStringLiteral("FTP");
inline const QString FtpTable = QStringLiteral("FTP");
inline const QString FtpField = QStringLiteral("Address");
// The connect dialog drops the first seven characters of every stored address.
inline const QString FtpAddressPrefix = QStringLiteral("ftp:// ");
inline const QString HistoryFolder = QStringLiteral("DataLog");
inline const QString HistoryExtension = QStringLiteral(".rid");

// The knowledge bases of the database toolbar, in button order.
QStringList knowledgeBaseKeys();
// The keyword lists that colour answers.
QStringList keywordListNames();
// The keyword list a knowledge base uses ("VB Keywords", "C Keywords",
// "Security Keywords"), "" for none; decided by the name in upper case.
QString keywordListFor(const QString &knowledgeBase);

// A topic table: ID (autonumber key), Question, Answer, and Ziped for the zipped
// examples; a unique index on Question.
void createTopicTable(db::Database &database, const QString &topic, bool zipped = false);

// New files, each created whole beside its final name and then moved into place.
void createKnowledgeBase(const QString &path, const QStringList &topics);
void createTemplateDatabase(const QString &path);
void createSearchDatabase(const QString &path);
void createKeywordDatabase(const QString &path, const QStringList &keywords);
void createFtpDatabase(const QString &path, const QStringList &addresses);
// Stored form of an address for the connect dialog.
QString ftpStoredAddress(const QString &address);

// "<data root>/DataLog/<name>.rid", the name trimmed.
QString historyFilePath(const QString &knowledgeBase);
// Creates the folder and an empty file when they are missing.
void ensureHistoryFile(const QString &path);
// Every line, in file order, duplicates included.
QStringList readHistory(const QString &path);
// Adds one line at the end (CR LF ended); the file is replaced whole, under a lock that
// other processes appending to it take too.
void appendHistory(const QString &path, const QString &keyword);

} // namespace KbStore
