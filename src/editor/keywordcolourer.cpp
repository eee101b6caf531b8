#include "keywordcolourer.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace {

QColor fromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

bool isWordChar(char16_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    return QChar(c).isLetterOrNumber();
}

bool isLineEnd(char16_t c)
{
    return c == '\r' || c == '\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

std::u16string_view view(QStringView text)
{
    return std::u16string_view(text.utf16(), size_t(text.size()));
}

} // namespace

QColor KeywordColourer::baseColour()
{
    return fromBgr(0x400040);
}

QColor KeywordColourer::keywordColour()
{
    return fromBgr(0xFF0000);
}

QColor KeywordColourer::commentColour()
{
    return fromBgr(0x008000);
}

KeywordColourer::KeywordColourer(QTextDocument *document) : QObject(document)
{
    setDocument(document);
}

KeywordColourer::~KeywordColourer()
{
    setDocument(nullptr);
}

void KeywordColourer::setDocument(QTextDocument *document)
{
    if (m_document) {
        disconnect(m_document, nullptr, this, nullptr);
        for (QTextBlock block = m_document->begin(); block.isValid(); block = block.next())
            block.layout()->clearFormats();
        m_document->markContentsDirty(0, m_document->characterCount());
    }
    m_document = document;
    if (document) {
        connect(document, &QTextDocument::contentsChange, this, &KeywordColourer::onContentsChange);
        rehighlight();
    }
}

void KeywordColourer::rehighlight()
{
    if (!m_document)
        return;
    // only blocks whose colours changed are laid out again
    int from = -1, to = -1;
    for (QTextBlock block = m_document->begin(); block.isValid(); block = block.next()) {
        if (!colourBlock(block))
            continue;
        if (from < 0)
            from = block.position();
        to = block.position() + block.length();
    }
    if (from >= 0)
        m_document->markContentsDirty(from, to - from);
}

void KeywordColourer::onContentsChange(int position, int removed, int added)
{
    Q_UNUSED(removed);
    QTextBlock block = m_document->findBlock(position);
    const QTextBlock last = m_document->findBlock(position + added);
    if (!block.isValid())
        return;
    const int from = block.position();
    int to = from;
    while (block.isValid()) {
        colourBlock(block);
        to = block.position() + block.length();
        if (block == last)
            break;
        block = block.next();
    }
    m_document->markContentsDirty(from, to - from);
}

bool KeywordColourer::colourBlock(const QTextBlock &block) const
{
    const QString text = block.text();
    QTextCharFormat base;
    base.setForeground(baseColour());
    QTextCharFormat keyword;
    keyword.setForeground(keywordColour());
    QTextCharFormat comment;
    comment.setForeground(commentColour());
    QList<QTextLayout::FormatRange> ranges;
    int at = 0;
    for (const Span &span : spans(text)) {
        const int end = span.start + span.length;
        if (end <= at)
            continue; // keywords may overlap ("End If" and "If")
        if (span.start > at)
            ranges.append({at, span.start - at, base});
        const int start = std::max(span.start, at);
        ranges.append({start, end - start, span.colour == commentColour() ? comment : keyword});
        at = end;
    }
    if (at < text.size())
        ranges.append({at, int(text.size()) - at, base});
    if (block.layout()->formats() == ranges)
        return false;
    block.layout()->setFormats(ranges);
    return true;
}

void KeywordColourer::setKeywords(const QStringList &keywords)
{
    m_words.clear();
    m_others.clear();
    m_storage.clear();
    m_storage.reserve(size_t(keywords.size()));
    for (const QString &keyword : keywords) {
        if (keyword.trimmed().isEmpty())
            continue;
        m_storage.emplace_back(view(keyword));
    }
    m_shortest = SIZE_MAX;
    m_longest = 0;
    for (const std::u16string &keyword : m_storage) {
        if (std::all_of(keyword.begin(), keyword.end(), isWordChar)) {
            m_words.insert(keyword);
            m_shortest = std::min(m_shortest, keyword.size());
            m_longest = std::max(m_longest, keyword.size());
        } else if (std::find(m_others.begin(), m_others.end(), keyword) == m_others.end()) {
            m_others.push_back(keyword);
        }
    }
    m_hasList = true;
    rehighlight();
}

void KeywordColourer::clearKeywords()
{
    m_words.clear();
    m_others.clear();
    m_storage.clear();
    m_hasList = false;
    rehighlight();
}

void KeywordColourer::lineSpans(QStringView line, int offset, std::vector<Span> &out) const
{
    const char16_t *chars = line.utf16();
    const int length = int(line.size());
    // the first apostrophe that starts the line or follows a blank begins the comment
    int comment = length;
    for (int i = 0; i < length; ++i) {
        if (chars[i] == '\'' && (i == 0 || chars[i - 1] == ' ')) {
            comment = i;
            break;
        }
    }
    const size_t firstSpan = out.size();
    if (!m_words.empty()) {
        int i = 0;
        while (i < comment) {
            if (!isWordChar(chars[i])) {
                ++i;
                continue;
            }
            int end = i + 1;
            while (end < comment && isWordChar(chars[end]))
                ++end;
            const size_t size = size_t(end - i);
            if (size >= m_shortest && size <= m_longest &&
                m_words.count(std::u16string_view(chars + i, size)))
                out.push_back(Span{offset + i, end - i, keywordColour()});
            i = end;
        }
    }
    const QStringView code = line.first(comment);
    for (const std::u16string_view keyword : m_others) {
        const QStringView needle(keyword.data(), qsizetype(keyword.size()));
        qsizetype at = code.indexOf(needle);
        while (at >= 0) {
            const qsizetype after = at + needle.size();
            if ((at == 0 || !isWordChar(chars[at - 1])) &&
                (after >= code.size() || !isWordChar(chars[after])))
                out.push_back(Span{offset + int(at), int(needle.size()), keywordColour()});
            at = code.indexOf(needle, at + 1);
        }
    }
    if (!m_others.empty())
        std::sort(out.begin() + qsizetype(firstSpan), out.end(),
                  [](const Span &a, const Span &b) { return a.start < b.start; });
    if (comment < length)
        out.push_back(Span{offset + comment, length - comment, commentColour()});
}

std::vector<KeywordColourer::Span> KeywordColourer::spans(QStringView text) const
{
    std::vector<Span> out;
    if (!m_hasList)
        return out;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i <= size; ++i) {
        if (i == size || isLineEnd(text[i].unicode())) {
            lineSpans(text.sliced(start, i - start), int(start), out);
            if (i + 1 < size && text[i] == u'\r' && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    return out;
}

void KeywordColourer::colourDocument(QTextDocument *document) const
{
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setForeground(baseColour());
    cursor.mergeCharFormat(format);
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (const Span &span : spans(block.text())) {
            cursor.setPosition(block.position() + span.start);
            cursor.setPosition(block.position() + span.start + span.length,
                               QTextCursor::KeepAnchor);
            format.setForeground(span.colour);
            cursor.mergeCharFormat(format);
        }
    }
    cursor.endEditBlock();
}
