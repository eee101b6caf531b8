#pragma once

#include <QSet>
#include <QStringList>
#include <QSyntaxHighlighter>

// Colours an answer like source code on screen only: base colour, the subject's keywords
// (whole words, case kept) and apostrophe comments. The document's own formats, and so
// the stored answer, are never touched.
class RecordColouring : public QSyntaxHighlighter
{
public:
    static constexpr quint32 BaseColor = 0x400040;
    static constexpr quint32 KeywordColor = 0xFF0000;
    static constexpr quint32 CommentColor = 0x8000;

    explicit RecordColouring(QTextDocument *document);

    void setKeywords(const QStringList &keywords);
    const QStringList &keywords() const { return m_keywords; }

    // The keyword database a knowledge base uses ("VB Keywords"...), "" for none.
    static QString keywordDatabaseFor(const QString &knowledgeBase);
    // Reads table Reserved of a keyword database; empty when it cannot be read.
    static QStringList readKeywords(const QString &databasePath);

protected:
    void highlightBlock(const QString &text) override;

private:
    QStringList m_keywords;
    QSet<QString> m_words;      // keywords made of word characters only
    QStringList m_otherWords;   // keywords with other characters ("C++")
};
