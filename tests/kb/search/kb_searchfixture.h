#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Builds small knowledge bases for the search tests.
namespace SearchFixture {

using Record = QPair<QString, QString>; // question, answer

// Creates <folder>/<name>.mdb with the topics and their records, inserted in one go.
void createKnowledgeBase(const QString &folder, const QString &name,
                         const QList<QPair<QString, QList<Record>>> &topics);
void createSearchDatabase(const QString &folder);
// Rows of SrhResult: "question|OriID|OriTable".
QStringList searchRows(const QString &folder);

} // namespace SearchFixture
