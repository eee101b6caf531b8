#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>

// One hit of a keyword search: where the question came from and its row in SrhResult.
struct SearchHit
{
    QString question;
    QString topic;
    qint64 originalId = 0;
    qint64 resultId = 0;
};

struct SearchOutcome
{
    QVector<SearchHit> hits;
    QString error; // "" on success
    int errorNumber = 0;
};

// The search behind the [Search] tab, without widgets so it can run off the
// interface thread: the keyword matched literally and without regard to letter case
// (in every script), the hits stored in SrhResult in one transaction.
namespace KeywordSearch {

// The tables a search reads, in the file's order: hidden ones included, system tables left out.
QStringList topicTables(const QString &databasePath);

// Whether a question holds the keyword: anywhere, or with "exact" as a word between
// blanks or the question's ends. Letter case is ignored.
class Matcher
{
public:
    Matcher(const QString &keyword, bool exact);
    bool matches(const char *utf8, qsizetype size) const;
    bool matches(const QString &question) const;

private:
    QString m_needle;   // folded, with its blanks when exact
    QByteArray m_ascii; // the same in bytes when it is plain ASCII, else empty
    bool m_exact = false;
};

// Replaces SrhResult in searchPath with the hits of keyword in every topic.
// A failure leaves SrhResult as it was and returns the error.
SearchOutcome run(const QString &databasePath, const QStringList &topics, const QString &keyword,
                  bool exact, const QString &searchPath,
                  const std::atomic_bool *cancelled = nullptr);

} // namespace KeywordSearch
