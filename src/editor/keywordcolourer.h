#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// Colours an answer like source code: all text in the base colour, the knowledge base's keywords
// (whole words, case-sensitive) in the keyword colour, apostrophe comments in the comment colour.
// It is a display overlay: the document's own formats, and so the stored answer, stay untouched.
// The colours live in the blocks' layouts, set for the whole document in one pass and redone for
// the edited blocks after each change (a syntax highlighter would relayout the document once per
// block, which takes minutes on a large answer).
//
// A comment starts at an apostrophe that begins the text or a line, or follows a blank, and runs
// to the end of its line (or of the text). Other apostrophes, as in "don't", are plain text.
class KeywordColourer : public QObject
{
    Q_OBJECT

public:
    static QColor baseColour();    // &H400040
    static QColor keywordColour(); // &HFF0000
    static QColor commentColour(); // &H8000

    struct Span
    {
        int start;
        int length;
        QColor colour;
        bool operator==(const Span &) const = default;
    };

    explicit KeywordColourer(QTextDocument *document = nullptr);
    ~KeywordColourer() override;

    void setDocument(QTextDocument *document);
    QTextDocument *document() const { return m_document; }
    // Colours the whole document again.
    void rehighlight();

    // The knowledge base's keyword list. Without one (the default, or after clearKeywords) only
    // the base colour is applied: no keywords and no comments.
    void setKeywords(const QStringList &keywords);
    void clearKeywords();
    bool hasKeywords() const { return m_hasList; }

    // Keyword and comment spans of text, whose lines may end with CR LF, CR, LF or the document's
    // separators. Offsets are those of text; the base colour is not listed.
    std::vector<Span> spans(QStringView text) const;

    // Writes the colours into a document's own formats, for copies that leave the screen (preview,
    // print, export). Never use it on the document of a stored answer.
    void colourDocument(QTextDocument *document) const;

private:
    void lineSpans(QStringView line, int offset, std::vector<Span> &out) const;
    // false when the block already shows these colours
    bool colourBlock(const QTextBlock &block) const;
    void onContentsChange(int position, int removed, int added);

    QPointer<QTextDocument> m_document;
    bool m_hasList = false;
    std::vector<std::u16string> m_storage;
    std::unordered_set<std::u16string_view> m_words; // keywords made of word characters only
    std::vector<std::u16string_view> m_others;       // keywords holding other characters
    size_t m_shortest = 0;
    size_t m_longest = 0;
};
