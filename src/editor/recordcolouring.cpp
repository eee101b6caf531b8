#include "editor/recordcolouring.h"

#include "platform/base/apperror.h"
#include "platform/base/colors.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dbrecordset.h"

#include <QTextCharFormat>

namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

QTextCharFormat colourFormat(quint32 bgr)
{
    QTextCharFormat format;
    format.setForeground(Colors::fromBgr(bgr));
    return format;
}

} // namespace

RecordColouring::RecordColouring(QTextDocument *document) : QSyntaxHighlighter(document) {}

void RecordColouring::setKeywords(const QStringList &keywords)
{
    m_keywords = keywords;
    m_words.clear();
    m_otherWords.clear();
    for (const QString &keyword : keywords) {
        if (keyword.isEmpty())
            continue;
        if (std::all_of(keyword.begin(), keyword.end(), isWordChar))
            m_words.insert(keyword);
        else
            m_otherWords.append(keyword);
    }
    rehighlight();
}

QString RecordColouring::keywordDatabaseFor(const QString &knowledgeBase)
{
    const QString name = knowledgeBase.trimmed().toUpper();
    if (name == QLatin1String("VISUAL BASIC"))
        return QStringLiteral("VB Keywords");
    if (name == QLatin1String("C") || name == QLatin1String("C++"))
        return QStringLiteral("C Keywords");
    if (name == QLatin1String("SECURITY"))
        return QStringLiteral("Security Keywords");
    return {};
}

QStringList RecordColouring::readKeywords(const QString &databasePath)
{
    QStringList keywords;
    try {
        const auto database = db::DBEngine::OpenDatabase(databasePath, false, true);
        const auto reserved = database->OpenRecordset(QStringLiteral("Reserved"), db::dbOpenSnapshot);
        for (const QVariant &value : reserved->columnValues(QStringLiteral("Keyword")))
            if (!value.toString().isEmpty())
                keywords.append(value.toString());
        reserved->Close();
    } catch (const AppException &) {
        // No list: every answer shows in the base colour.
    }
    return keywords;
}

void RecordColouring::highlightBlock(const QString &text)
{
    const int length = int(text.size());
    setFormat(0, length, colourFormat(BaseColor));
    if (length == 0)
        return;

    const QTextCharFormat keyword = colourFormat(KeywordColor);
    if (!m_words.isEmpty()) {
        int at = 0;
        while (at < length) {
            if (!isWordChar(text.at(at))) {
                ++at;
                continue;
            }
            int end = at;
            while (end < length && isWordChar(text.at(end)))
                ++end;
            if (m_words.contains(text.mid(at, end - at)))
                setFormat(at, end - at, keyword);
            at = end;
        }
    }
    for (const QString &word : m_otherWords) {
        int from = 0;
        while ((from = int(text.indexOf(word, from, Qt::CaseSensitive))) >= 0) {
            const int end = from + int(word.size());
            const bool startOk = from == 0 || !isWordChar(text.at(from - 1)) ||
                                 !isWordChar(word.front());
            const bool endOk = end >= length || !isWordChar(text.at(end)) || !isWordChar(word.back());
            if (startOk && endOk)
                setFormat(from, end - from, keyword);
            from = end;
        }
    }

    // A comment starts at an apostrophe at the line start or after a blank and runs to the
    // line end; an apostrophe inside a word (don't) is no comment and the scan goes on.
    const QTextCharFormat comment = colourFormat(CommentColor);
    for (int at = 0; at < length; ++at) {
        if (text.at(at) != QLatin1Char('\''))
            continue;
        if (at == 0 || text.at(at - 1).isSpace()) {
            setFormat(at, length - at, comment);
            break;
        }
    }
}
