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
// interface thread: one query per topic, the keyword matched literally and without
// regard to letter case, the hits stored in SrhResult in one transaction.
namespace KeywordSearch {

// Topic tables of a knowledge base, in the file's order, system tables left out.
QStringList topicTables(const QString &databasePath);

// LIKE pattern for a keyword, its wildcards and escape character made plain.
QString likePattern(const QString &keyword, bool exact);

// Replaces SrhResult in searchPath with the hits of keyword in every topic.
// A failure leaves SrhResult as it was and returns the error.
SearchOutcome run(const QString &databasePath, const QStringList &topics, const QString &keyword,
                  bool exact, const QString &searchPath,
                  const std::atomic_bool *cancelled = nullptr);

} // namespace KeywordSearch
