#pragma once

// The reader's parser, shared by the files it is split into: the main loop and the words
// (rtfreader.cpp), the code pages (rtfreadercodepages.cpp), the groups kept, skipped or read apart
// (rtfreaderdestinations.cpp) and the document it builds (rtfreaderdocument.cpp).

#include "rtfcodepage.h"
#include "rtfreaderwords.h"
#include "rtfsyntax.h"

#include <QByteArrayView>
#include <QColor>
#include <QHash>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>

#include <vector>

#if MARLUX_RTF_PIECES
#include <private/qtextdocument_p.h>
#endif

class QTextDocument;

namespace RtfRead {

using Word = RtfWord;

constexpr long kMaxParameter = 1000000000L;
constexpr int kMaxWordLength = 32;
constexpr int kMaxSkip = 16;

struct CharState
{
    int font = 0;
    int halfPoints = 24;
    int foreground = 0;
    int background = 0;
    quint8 verticalAlign = 0; // 0 normal, 1 subscript, 2 superscript
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    bool result = false; // the shown result of an object kept whole
    bool operator==(const CharState &) const = default;
};

// Old-style paragraph numbering (\pn): made into text when the paragraph brings none.
struct Numbering
{
    quint8 style = 0; // 0 none, 1 decimal, 2 upper letter, 3 lower letter, 4 upper roman,
                      // 5 lower roman, 6 bullet
    int start = 1;
    QString before;
    QString after;
    bool operator==(const Numbering &) const = default;
};

struct ParaState
{
    int align = 0; // 0 left, 1 right, 2 centre, 3 justify
    int left = 0;
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
    Numbering numbering;
    bool operator==(const ParaState &) const = default;
};

// Object: inside a kept object group, where only its result is read.
enum class Dest : quint8 { Text, FontTable, ColourTable, Object };

struct Group
{
    CharState ch;
    ParaState para;
    Dest dest = Dest::Text;
    int uc = 1;
    qsizetype start = 0; // offset of the group's '{'
    bool fresh = true;   // no text and no word but \* seen yet
    bool star = false;
    bool listText = false; // the paragraph's number as text (\listtext, \pntext)
    // Groups opened inside this one past the depth limit. They are read as part of it, in its
    // formats, so their text is kept while the stack stays bounded.
    int overflow = 0;
};

struct FontEntry
{
    QString name;
    int charset = -1;
};

// A run's characters are in the paragraph's text, from start.
struct Run
{
    qsizetype start = 0;
    qsizetype length = 0;
    QTextCharFormat format;
    bool object = false;
    CharState state;
    int index = -1; // the format's in the document; objects ask when their run is written
};

using RtfSyntax::hexValue;
using RtfSyntax::isLetter;

inline bool isPlainByte(unsigned char c)
{
    return c >= 0x20 && c < 0x80 && c != '\\' && c != '{' && c != '}';
}

// Where the group whose content starts at from ends: the offset just past its closing brace, the
// depth still open when the data ends first, and where a \bin ran past the end.
struct GroupEnd
{
    qsizetype end = 0;
    int open = 0;
    qsizetype truncatedAt = -1;
};
GroupEnd scanGroup(QByteArrayView data, qsizetype from);

class Parser
{
public:
    Parser(QByteArrayView data, QTextDocument *doc, bool rawUtf8);

    void run();

private:
    Group &top() { return m_groups.back(); }

    // rtfreader.cpp: the loop, groups, words and text
    void pushGroup(qsizetype at);
    void popGroup();
    void leaveGroup();
    bool opensObjectResult() const;
    void controlWord();
    void controlSymbol(char c);
    void applyWord(Word word, bool hasParam, long param);
    void plainBytes();
    void appendText(QStringView text);
    void appendChar(char16_t c) { appendText(QStringView(&c, 1)); }

    // rtfreadercodepages.cpp: bytes into text
    void hexByte();
    int currentCodePage();
    void addByte(unsigned char byte);
    void flushPending();

    // rtfreaderdocument.cpp: formats, paragraphs and the document
    struct CharEntry
    {
        CharState state;
        QTextCharFormat format;
        int index = -1; // in the document's format collection, once asked
    };
    struct BlockEntry
    {
        ParaState para;
        QTextBlockFormat format;
        int index = -1;
    };
    CharEntry &charEntry(const CharState &state);
    BlockEntry &blockEntry(const ParaState &para);
    const QTextCharFormat &charFormat(const CharState &state) { return charEntry(state).format; }
    void beginDocument();
    void endDocument();
    void flushText();
    void endParagraph();
    void finish();
    void commitFont();
    void commitColour();
#if MARLUX_RTF_PIECES
    int charIndex(CharEntry &entry);
    int blockIndex(const ParaState &para);
    void appendRun(QStringView text, int format);
#else
    void appendRun(QStringView text, const QTextCharFormat &format);
#endif

    // rtfreaderdestinations.cpp: groups kept whole, skipped, or read apart
    void keepGroup(Word word);
    void skipGroup();
    void readNumbering();
    QString numberText(const Numbering &numbering);
    void startListText();
    void endListText();

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    QTextDocument *m_doc;
#if MARLUX_RTF_PIECES
    // Runs go straight into the document's pieces: a cursor would copy and hash each run's
    // format and look up its block's format again, more than the insert itself costs.
    QTextDocumentPrivate *m_priv;
    int m_end = 0; // where the next run goes: asking the document walks its tree
#else
    // Without Qt's private headers the document is built through a cursor.
    QTextCursor m_cursor;
    ParaState m_lastPara;
#endif
    bool m_rawUtf8;

    std::vector<Group> m_groups;
    qsizetype m_overflowStart = 0;    // the '{' of the innermost group past the depth limit
    std::vector<quint8> m_overflowUc; // \uc as each group past the limit opened
    int m_skip = 0;                   // characters still to skip after \uN
    bool m_done = false;

    int m_ansiCodePage = 1252;
    int m_defaultFont = 0;
    QHash<int, FontEntry> m_fonts;
    int m_fontNumber = 0;
    int m_fontCharset = -1;
    QString m_fontName;
    bool m_fontPending = false;
    std::vector<QColor> m_colours;
    int m_red = -1, m_green = -1, m_blue = -1;

    RtfCodePage m_codePages;
    QByteArray m_pending;
    int m_pendingCodePage = 0;
    int m_codePageFont = -1;
    int m_codePage = 1252;
    bool m_symbolFont = false;
    bool m_leadPending = false; // the last pending byte starts a two-byte character

    bool m_listTextSeen = false; // the paragraph brings its own number
    // A number's text holding only blanks stands for no number: where the paragraph has one of
    // its own (\pn), the blanks' runs in m_para give way to it.
    bool m_listTextOpen = false;
    size_t m_listTextFirst = 0;
    qsizetype m_listTextStart = 0;
    size_t m_blankFirst = 0, m_blankEnd = 0;
    Numbering m_lastNumbering;
    int m_number = 0;
    int m_footnotes = 0;        // footnote marks shown so far
    qsizetype m_objectRun = -1; // the object whose result is being read, in m_para
    QString m_resultText;

    // The paragraph's text: a paragraph separator, then the runs one after another (the runs'
    // strings given to the document point into it). The open run starts at m_runStart.
    QString m_paraText = QString(QChar(QChar::ParagraphSeparator));
    qsizetype m_runStart = 1;
    bool runOpen() const
    {
        return m_paraText.size() > m_runStart;
    }
    CharState m_textState;
    std::vector<Run> m_para;
    bool m_firstBlock = true;
    bool m_paraOpen = false; // something since the last \par
    bool m_lastWasObject = false;

    // Formats already made. Handing the document the same format objects again lets it find
    // them in its own collection without comparing every property.
    std::vector<CharEntry> m_charFormats;
    std::vector<BlockEntry> m_blockFormats;
    int m_objects = 0;
};

} // namespace RtfRead
