#include "rtfreader.h"

#include "rtfcodepage.h"
#include "rtfformat.h"
#include "rtfpicture.h"

#include <QHash>
#include <QStringDecoder>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>
#include <private/qtextdocument_p.h>

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

constexpr long kMaxParameter = 1000000000L;
constexpr int kMaxWordLength = 32;
constexpr int kMaxSkip = 16;

enum class Word : quint8 {
    Unknown,
    // text
    Par,
    Line,
    Cell,
    Tab,
    EmDash,
    EnDash,
    Bullet,
    LQuote,
    RQuote,
    LDblQuote,
    RDblQuote,
    EmSpace,
    EnSpace,
    U,
    Uc,
    Bin,
    // resets
    Pard,
    Plain,
    // character
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Font,
    FontSize,
    Foreground,
    Background,
    Sub,
    Super,
    NoSuperSub,
    Hidden,
    // paragraph
    AlignLeft,
    AlignRight,
    AlignCentre,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    // header and tables
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    DefaultFont,
    FontCharset,
    Red,
    Green,
    Blue,
    FontTable,
    ColourTable,
    // groups kept byte for byte
    Pict,
    Object,
    ShpPict,
    NonShpPict,
    // read though starred
    FieldResult,
    ObjectResult,
    ListText,
    Numbering,
    // groups skipped
    SkipDestination,
};

const std::unordered_map<std::string_view, Word> &wordTable()
{
    static const std::unordered_map<std::string_view, Word> table = {
        {"par", Word::Par},
        {"row", Word::Par}, // a table row ends as a paragraph, its cells apart by tabs
        {"cell", Word::Cell},
        {"nestcell", Word::Cell},
        {"line", Word::Line},
        {"tab", Word::Tab},
        {"emdash", Word::EmDash},
        {"endash", Word::EnDash},
        {"bullet", Word::Bullet},
        {"lquote", Word::LQuote},
        {"rquote", Word::RQuote},
        {"ldblquote", Word::LDblQuote},
        {"rdblquote", Word::RDblQuote},
        {"emspace", Word::EmSpace},
        {"enspace", Word::EnSpace},
        {"u", Word::U},
        {"uc", Word::Uc},
        {"bin", Word::Bin},
        {"pard", Word::Pard},
        {"plain", Word::Plain},
        {"b", Word::Bold},
        {"i", Word::Italic},
        {"ul", Word::Underline},
        {"uld", Word::Underline},
        {"uldb", Word::Underline},
        {"ulw", Word::Underline},
        {"ulth", Word::Underline},
        {"uldash", Word::Underline},
        {"ulwave", Word::Underline},
        {"ulnone", Word::UnderlineNone},
        {"strike", Word::Strike},
        {"striked", Word::Strike},
        {"f", Word::Font},
        {"fs", Word::FontSize},
        {"cf", Word::Foreground},
        {"cb", Word::Background},
        {"highlight", Word::Background},
        {"sub", Word::Sub},
        {"super", Word::Super},
        {"nosupersub", Word::NoSuperSub},
        {"v", Word::Hidden},
        {"fldrslt", Word::FieldResult},
        {"result", Word::ObjectResult},
        {"listtext", Word::ListText},
        {"pntext", Word::ListText},
        {"ql", Word::AlignLeft},
        {"qr", Word::AlignRight},
        {"qc", Word::AlignCentre},
        {"qj", Word::AlignJustify},
        {"li", Word::LeftIndent},
        {"ri", Word::RightIndent},
        {"fi", Word::FirstIndent},
        {"sb", Word::SpaceBefore},
        {"sa", Word::SpaceAfter},
        {"ansi", Word::Ansi},
        {"mac", Word::Mac},
        {"pc", Word::Pc},
        {"pca", Word::Pca},
        {"ansicpg", Word::AnsiCodePage},
        {"deff", Word::DefaultFont},
        {"fcharset", Word::FontCharset},
        {"red", Word::Red},
        {"green", Word::Green},
        {"blue", Word::Blue},
        {"fonttbl", Word::FontTable},
        {"colortbl", Word::ColourTable},
        {"pict", Word::Pict},
        {"object", Word::Object},
        {"shppict", Word::ShpPict},
        {"nonshppict", Word::NonShpPict},
        {"stylesheet", Word::SkipDestination},
        {"info", Word::SkipDestination},
        {"header", Word::SkipDestination},
        {"headerl", Word::SkipDestination},
        {"headerr", Word::SkipDestination},
        {"headerf", Word::SkipDestination},
        {"footer", Word::SkipDestination},
        {"footerl", Word::SkipDestination},
        {"footerr", Word::SkipDestination},
        {"footerf", Word::SkipDestination},
        {"footnote", Word::SkipDestination},
        {"fldinst", Word::SkipDestination},
        {"xe", Word::SkipDestination},
        {"tc", Word::SkipDestination},
        {"txe", Word::SkipDestination},
        {"rxe", Word::SkipDestination},
        {"filetbl", Word::SkipDestination},
        {"revtbl", Word::SkipDestination},
        {"listtable", Word::SkipDestination},
        {"listoverridetable", Word::SkipDestination},
        {"pn", Word::Numbering},
        {"nonesttables", Word::SkipDestination},
        {"annotation", Word::SkipDestination},
        {"atnid", Word::SkipDestination},
        {"atnauthor", Word::SkipDestination},
    };
    return table;
}

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

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isPlainByte(unsigned char c)
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

// The document hashes the format of every run it is given. A format compared once keeps its
// hash, and so do the copies the document makes of it: work once per format, not per run.
void primeHash(const QTextFormat &format)
{
    QTextFormat probe(format.type()); // formats of other types compare unequal at once
    probe.setProperty(QTextFormat::UserProperty, true);
    [[maybe_unused]] const bool same = format == probe;
}

class Parser
{
public:
    Parser(QByteArrayView data, QTextDocument *doc, bool rawUtf8)
        : m_data(data), m_doc(doc), m_priv(QTextDocumentPrivate::get(doc)), m_rawUtf8(rawUtf8)
    {}

    void run();

private:
    Group &top() { return m_groups.back(); }

    void pushGroup(qsizetype at);
    void popGroup();
    void controlWord();
    void controlSymbol(char c);
    void applyWord(Word word, bool hasParam, long param);
    void plainBytes();
    void hexByte();

    void appendText(QStringView text);
    void appendChar(char16_t c) { appendText(QStringView(&c, 1)); }
    void addByte(unsigned char byte);
    void flushPending();
    void flushText();
    void endParagraph();
    void finish();

    int currentCodePage();
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
    int charIndex(const CharState &state);
    int blockIndex(const ParaState &para);
    void appendRun(QStringView text, int format);
    void commitFont();
    void commitColour();

    void keepGroup(Word word);
    void skipGroup();
    void readNumbering();
    QString numberText(const Numbering &numbering);

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    QTextDocument *m_doc;
    // Runs go straight into the document's pieces: a cursor would copy and hash each run's
    // format and look up its block's format again, more than the insert itself costs.
    QTextDocumentPrivate *m_priv;
    int m_end = 0; // where the next run goes: asking the document walks its tree
    bool m_rawUtf8;

    std::vector<Group> m_groups;
    int m_skip = 0; // characters still to skip after \uN
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
    Numbering m_lastNumbering;
    int m_number = 0;
    qsizetype m_objectRun = -1; // the object whose result is being read, in m_para
    QString m_resultText;

    // The paragraph's text: a paragraph separator, then the runs one after another (the runs'
    // strings given to the document point into it). The open run starts at m_runStart.
    QString m_paraText = QString(QChar(QChar::ParagraphSeparator));
    qsizetype m_runStart = 1;
    bool runOpen() const { return m_paraText.size() > m_runStart; }
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

void Parser::run()
{
    m_groups.reserve(64);
    m_groups.push_back(Group{});
    m_priv->beginEditBlock();
    while (m_pos < m_data.size() && !m_done) {
        const char c = m_data[m_pos];
        switch (c) {
        case '{':
            flushPending();
            m_skip = 0;
            ++m_pos;
            pushGroup(m_pos - 1);
            break;
        case '}':
            flushPending();
            m_skip = 0;
            ++m_pos;
            popGroup();
            break;
        case '\\':
            controlWord();
            break;
        case '\r':
        case '\n':
            ++m_pos;
            break;
        default:
            plainBytes();
            break;
        }
    }
    flushPending();
    finish();
    m_priv->endEditBlock();
}

void Parser::pushGroup(qsizetype at)
{
    if (int(m_groups.size()) > RtfReader::MaxDepth) {
        // nesting this deep is no document anyone wrote: drop the group
        m_pos = scanGroup(m_data, m_pos).end;
        return;
    }
    // a group that holds another no longer starts with its destination
    top().fresh = false;
    Group group = top();
    group.start = at;
    group.fresh = true;
    group.star = false;
    m_groups.push_back(group);
}

void Parser::popGroup()
{
    if (top().dest == Dest::FontTable)
        commitFont();
    if (top().dest == Dest::Object && m_groups.size() > 2 &&
        m_groups[m_groups.size() - 2].dest != Dest::Object) {
        flushText();
        if (m_objectRun >= 0 && m_objectRun < qsizetype(m_para.size()))
            m_para[m_objectRun].format.setProperty(RtfFormat::ResultTextProperty, m_resultText);
        m_objectRun = -1;
        m_resultText.clear();
    }
    if (m_groups.size() <= 2) {
        // the document's own group has closed: what follows is not part of it
        if (m_groups.size() == 2)
            m_groups.pop_back();
        m_done = true;
        return;
    }
    m_groups.pop_back();
}

void Parser::controlWord()
{
    const qsizetype size = m_data.size();
    ++m_pos; // the backslash
    if (m_pos >= size)
        return;
    const char first = m_data[m_pos];
    if (!isLetter(first)) {
        if (first == '\'') {
            hexByte();
            return;
        }
        if (m_leadPending && m_skip == 0 && (first == '\\' || first == '{' || first == '}')) {
            ++m_pos;
            addByte(static_cast<unsigned char>(first));
            return;
        }
        flushPending();
        ++m_pos;
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        controlSymbol(first);
        return;
    }
    const qsizetype wordStart = m_pos;
    while (m_pos < size && isLetter(m_data[m_pos]))
        ++m_pos;
    const qsizetype wordLength = m_pos - wordStart;
    bool hasParam = false;
    bool negative = false;
    long param = 0;
    if (m_pos < size && m_data[m_pos] == '-' && m_pos + 1 < size && m_data[m_pos + 1] >= '0' &&
        m_data[m_pos + 1] <= '9') {
        negative = true;
        ++m_pos;
    }
    while (m_pos < size && m_data[m_pos] >= '0' && m_data[m_pos] <= '9') {
        hasParam = true;
        if (param < kMaxParameter)
            param = param * 10 + (m_data[m_pos] - '0');
        ++m_pos;
    }
    param = std::min(param, kMaxParameter);
    if (negative)
        param = -param;
    if (m_pos < size && m_data[m_pos] == ' ')
        ++m_pos;

    Word word = Word::Unknown;
    if (wordLength <= kMaxWordLength) {
        const auto &table = wordTable();
        const auto found =
            table.find(std::string_view(m_data.data() + wordStart, size_t(wordLength)));
        if (found != table.end())
            word = found->second;
    }
    if (word == Word::Bin) {
        // binary data belongs to no destination we show; a count past the end ends the data
        flushPending();
        m_pos += std::clamp<qsizetype>(param, 0, size - m_pos);
        if (m_skip > 0)
            --m_skip;
        top().fresh = false;
        return;
    }
    flushPending();
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    applyWord(word, hasParam, param);
}

void Parser::controlSymbol(char c)
{
    Group &group = top();
    switch (c) {
    case '*':
        group.star = true;
        return;
    case '\\':
    case '{':
    case '}':
        group.fresh = false;
        appendChar(char16_t(c));
        return;
    case '~':
        group.fresh = false;
        appendChar(0x00A0);
        return;
    case '-':
        group.fresh = false;
        appendChar(0x00AD);
        return;
    case '_':
        group.fresh = false;
        appendChar(0x2011);
        return;
    case '\r':
    case '\n':
        group.fresh = false;
        applyWord(Word::Par, false, 0);
        return;
    case '\t':
        group.fresh = false;
        appendChar('\t');
        return;
    default:
        return;
    }
}

void Parser::hexByte()
{
    // m_pos is at the quote
    ++m_pos;
    const qsizetype size = m_data.size();
    const int high = m_pos < size ? hexValue(m_data[m_pos]) : -1;
    const int low = m_pos + 1 < size ? hexValue(m_data[m_pos + 1]) : -1;
    if (high < 0 || low < 0)
        return; // not an escape after all: the characters are read as they come
    m_pos += 2;
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    top().fresh = false;
    addByte(static_cast<unsigned char>(high << 4 | low));
}

void Parser::plainBytes()
{
    const qsizetype size = m_data.size();
    const auto byte = static_cast<unsigned char>(m_data[m_pos]);
    Group &group = top();
    if (m_skip > 0) {
        --m_skip;
        ++m_pos;
        return;
    }
    if (m_leadPending && isPlainByte(byte) && RtfCodePage::isAsciiTrail(m_pendingCodePage, byte)) {
        // common writers put a trail byte that is printable ASCII as itself
        group.fresh = false;
        ++m_pos;
        addByte(byte);
        return;
    }
    if (byte >= 0x80) {
        group.fresh = false;
        if (m_rawUtf8) {
            const qsizetype start = m_pos;
            while (m_pos < size && static_cast<unsigned char>(m_data[m_pos]) >= 0x80)
                ++m_pos;
            flushPending();
            if (group.dest == Dest::Text || group.dest == Dest::FontTable)
                appendText(QString::fromUtf8(m_data.sliced(start, m_pos - start)));
        } else {
            ++m_pos;
            addByte(byte);
        }
        return;
    }
    flushPending();
    if (byte < 0x20) {
        ++m_pos;
        if (byte == '\t') {
            group.fresh = false;
            appendChar('\t');
        }
        return;
    }
    group.fresh = false;
    if (group.dest == Dest::Text) {
        const qsizetype start = m_pos;
        while (m_pos < size && isPlainByte(static_cast<unsigned char>(m_data[m_pos])))
            ++m_pos;
        if (runOpen() && !(m_textState == group.ch))
            flushText();
        m_textState = group.ch;
        const QLatin1StringView latin(m_data.data() + start, m_pos - start);
        m_paraText.append(latin);
        if (group.ch.result)
            m_resultText.append(latin);
        m_paraOpen = true;
        m_lastWasObject = false;
        return;
    }
    ++m_pos;
    if (group.dest == Dest::FontTable) {
        if (byte == ';')
            commitFont();
        else
            appendChar(byte);
    } else if (group.dest == Dest::ColourTable && byte == ';') {
        commitColour();
    }
}

void Parser::applyWord(Word word, bool hasParam, long param)
{
    Group &group = top();
    const bool fresh = group.fresh;
    const bool star = group.star;
    group.fresh = false;
    group.star = false;
    CharState &ch = group.ch;
    ParaState &para = group.para;
    const bool on = !hasParam || param != 0;
    auto twips = [&] {
        return int(std::clamp<long>(param, -RtfFormat::MaxTwips, RtfFormat::MaxTwips));
    };

    if (group.dest == Dest::Object) {
        // inside an object only its result is read; the group itself is kept whole
        if (word == Word::ObjectResult && fresh) {
            group.dest = Dest::Text;
            group.ch.result = true;
        } else if (fresh) {
            skipGroup(); // a destination inside the object, never the object's own group
        }
        return;
    }
    if (group.ch.result) {
        // the result is read again from the kept group on every load: it must not change what
        // the document's own header set for the text after it
        switch (word) {
        case Word::FontTable:
        case Word::ColourTable:
            skipGroup();
            return;
        case Word::Ansi:
        case Word::Mac:
        case Word::Pc:
        case Word::Pca:
        case Word::AnsiCodePage:
        case Word::DefaultFont:
            return;
        default:
            break;
        }
    }
    if (word == Word::Numbering) {
        readNumbering();
        return;
    }
    if (star && word != Word::ShpPict && word != Word::FieldResult) {
        // an optional destination: the ones we read are a picture and a field's result
        skipGroup();
        return;
    }

    switch (word) {
    case Word::Unknown:
    case Word::FieldResult:
    case Word::ObjectResult:
    case Word::Numbering:
        return;
    case Word::ListText:
        m_listTextSeen = true;
        return;
    case Word::Par:
        if (group.ch.result)
            appendChar(0x2028); // the object's paragraph stays whole
        else if (group.dest == Dest::Text)
            endParagraph();
        return;
    case Word::Line:
        appendChar(0x2028);
        return;
    case Word::Tab:
    case Word::Cell:
        appendChar('\t');
        return;
    case Word::EmDash:
        appendChar(0x2014);
        return;
    case Word::EnDash:
        appendChar(0x2013);
        return;
    case Word::Bullet:
        appendChar(0x2022);
        return;
    case Word::LQuote:
        appendChar(0x2018);
        return;
    case Word::RQuote:
        appendChar(0x2019);
        return;
    case Word::LDblQuote:
        appendChar(0x201C);
        return;
    case Word::RDblQuote:
        appendChar(0x201D);
        return;
    case Word::EmSpace:
        appendChar(0x2003);
        return;
    case Word::EnSpace:
        appendChar(0x2002);
        return;
    case Word::U: {
        long value = param;
        if (value < 0)
            value += 65536;
        if (value >= 0 && value <= 0xFFFF) {
            if (value == 0xF0B7)
                value = 0x2022; // a symbol font's bullet
            if (value == '\t' || value >= 0x20)
                appendChar(char16_t(value));
        }
        m_skip = group.uc;
        return;
    }
    case Word::Uc:
        group.uc = int(std::clamp<long>(param, 0, kMaxSkip));
        return;
    case Word::Bin:
        return;
    case Word::Pard:
        para = ParaState{};
        return;
    case Word::Plain: {
        const bool result = ch.result; // still inside the object's result
        ch = CharState{};
        ch.font = m_defaultFont;
        ch.result = result;
        return;
    }
    case Word::Bold:
        ch.bold = on;
        return;
    case Word::Italic:
        ch.italic = on;
        return;
    case Word::Underline:
        ch.underline = on;
        return;
    case Word::UnderlineNone:
        ch.underline = false;
        return;
    case Word::Strike:
        ch.strike = on;
        return;
    case Word::Font:
        if (group.dest == Dest::FontTable) {
            commitFont();
            m_fontNumber = int(param);
            m_fontCharset = -1;
            m_fontPending = true;
        } else if (hasParam) {
            ch.font = int(param);
        }
        return;
    case Word::FontSize:
        if (param > 0)
            ch.halfPoints = int(std::min<long>(param, RtfFormat::MaxHalfPoints));
        else if (!hasParam)
            ch.halfPoints = 24;
        return;
    case Word::Foreground:
        ch.foreground = int(std::max<long>(param, 0));
        return;
    case Word::Background:
        ch.background = int(std::max<long>(param, 0));
        return;
    case Word::Sub:
        ch.verticalAlign = on ? 1 : 0;
        return;
    case Word::Super:
        ch.verticalAlign = on ? 2 : 0;
        return;
    case Word::NoSuperSub:
        ch.verticalAlign = 0;
        return;
    case Word::Hidden:
        ch.hidden = on;
        return;
    case Word::AlignLeft:
        para.align = 0;
        return;
    case Word::AlignRight:
        para.align = 1;
        return;
    case Word::AlignCentre:
        para.align = 2;
        return;
    case Word::AlignJustify:
        para.align = 3;
        return;
    case Word::LeftIndent:
        para.left = twips();
        return;
    case Word::RightIndent:
        para.right = twips();
        return;
    case Word::FirstIndent:
        para.first = twips();
        return;
    case Word::SpaceBefore:
        para.before = std::max(0, twips());
        return;
    case Word::SpaceAfter:
        para.after = std::max(0, twips());
        return;
    case Word::Ansi:
        m_ansiCodePage = 1252;
        m_codePageFont = -1;
        return;
    case Word::Mac:
        m_ansiCodePage = 10000;
        m_codePageFont = -1;
        return;
    case Word::Pc:
        m_ansiCodePage = 437;
        m_codePageFont = -1;
        return;
    case Word::Pca:
        m_ansiCodePage = 850;
        m_codePageFont = -1;
        return;
    case Word::AnsiCodePage:
        if (param > 0 && param < 100000)
            m_ansiCodePage = int(param);
        m_codePageFont = -1;
        return;
    case Word::DefaultFont:
        m_defaultFont = int(param);
        if (m_groups.size() <= 2)
            ch.font = m_defaultFont;
        return;
    case Word::FontCharset:
        if (group.dest == Dest::FontTable)
            m_fontCharset = int(param);
        return;
    case Word::Red:
        if (group.dest == Dest::ColourTable)
            m_red = int(std::clamp<long>(param, 0, 255));
        return;
    case Word::Green:
        if (group.dest == Dest::ColourTable)
            m_green = int(std::clamp<long>(param, 0, 255));
        return;
    case Word::Blue:
        if (group.dest == Dest::ColourTable)
            m_blue = int(std::clamp<long>(param, 0, 255));
        return;
    case Word::FontTable:
        group.dest = Dest::FontTable;
        m_fontPending = false;
        m_fontName.clear();
        return;
    case Word::ColourTable:
        group.dest = Dest::ColourTable;
        m_colours.clear();
        m_red = m_green = m_blue = -1;
        return;
    case Word::Pict:
    case Word::Object:
    case Word::ShpPict:
    case Word::NonShpPict:
        if (fresh && group.dest == Dest::Text && m_groups.size() > 2 && !group.ch.result) {
            keepGroup(word);
        } else {
            skipGroup();
        }
        return;
    case Word::SkipDestination:
        skipGroup();
        return;
    }
}

int Parser::currentCodePage()
{
    const int font = top().ch.font;
    if (font != m_codePageFont) {
        m_codePageFont = font;
        m_codePage = m_ansiCodePage;
        const auto found = m_fonts.constFind(font);
        m_symbolFont =
            found != m_fonts.constEnd() && found->name.compare(u"Symbol", Qt::CaseInsensitive) == 0;
        if (found != m_fonts.constEnd() && found->charset >= 0) {
            const int page = RtfCodePage::codePageOfCharset(found->charset);
            if (page > 0)
                m_codePage = page;
        }
    }
    return m_codePage;
}

void Parser::addByte(unsigned char byte)
{
    const Dest dest = top().dest;
    if (dest != Dest::Text && dest != Dest::FontTable)
        return;
    int page = m_ansiCodePage;
    if (dest == Dest::Text) {
        page = currentCodePage();
        if (m_symbolFont && byte == 0xB7) {
            flushPending();
            appendChar(0x2022); // the bullet of the symbol font
            return;
        }
    } else if (const int own = RtfCodePage::codePageOfCharset(m_fontCharset); own > 0) {
        page = own; // a font's name is written in its own charset
    }

    if (!m_pending.isEmpty() && page != m_pendingCodePage)
        flushPending();
    m_pendingCodePage = page;
    m_pending.append(char(byte));
    m_leadPending = !m_leadPending && RtfCodePage::isLeadByte(page, byte);
}

void Parser::flushPending()
{
    if (m_pending.isEmpty())
        return;
    QString text;
    m_codePages.decode(m_pendingCodePage, m_pending, text);
    m_pending.clear();
    m_leadPending = false;
    // decoded control characters are not text
    text.removeIf([](QChar c) { return c.unicode() < 0x20 && c != u'\t'; });
    appendText(text);
}

void Parser::appendText(QStringView text)
{
    const Group &group = top();
    if (group.dest == Dest::FontTable) {
        m_fontName += text;
        return;
    }
    if (group.dest != Dest::Text || text.isEmpty())
        return;
    if (runOpen() && !(m_textState == group.ch))
        flushText();
    m_textState = group.ch;
    m_paraText += text;
    if (group.ch.result)
        m_resultText += text;
    m_paraOpen = true;
    m_lastWasObject = false;
}

void Parser::flushText()
{
    if (!runOpen())
        return;
    CharEntry &entry = charEntry(m_textState);
    m_para.push_back(Run{m_runStart, m_paraText.size() - m_runStart, entry.format, false,
                         m_textState, charIndex(m_textState)});
    m_runStart = m_paraText.size();
}

Parser::CharEntry &Parser::charEntry(const CharState &state)
{
    for (CharEntry &entry : m_charFormats) {
        if (entry.state == state)
            return entry;
    }
    QTextCharFormat format;
    const auto font = m_fonts.constFind(state.font);
    if (font != m_fonts.constEnd() && !font->name.isEmpty())
        format.setFontFamilies({font->name});
    format.setFontPointSize(state.halfPoints / 2.0);
    // only what differs from plain text: every property is copied, hashed and compared by the
    // document on each run inserted
    if (state.bold)
        format.setFontWeight(QFont::Bold);
    if (state.italic)
        format.setFontItalic(true);
    if (state.underline)
        format.setFontUnderline(true);
    if (state.strike)
        format.setFontStrikeOut(true);
    if (state.verticalAlign == 1)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    else if (state.verticalAlign == 2)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    if (state.foreground > 0 && state.foreground < int(m_colours.size()) &&
        m_colours[state.foreground].isValid())
        format.setForeground(m_colours[state.foreground]);
    if (state.background > 0 && state.background < int(m_colours.size()) &&
        m_colours[state.background].isValid())
        format.setBackground(m_colours[state.background]);
    if (state.hidden)
        format.setProperty(RtfFormat::HiddenProperty, true);
    if (state.result)
        format.setProperty(RtfFormat::ResultRunProperty, true);
    if (m_charFormats.size() >= 64)
        m_charFormats.clear();
    primeHash(format);
    m_charFormats.push_back(CharEntry{state, format});
    return m_charFormats.back();
}

Parser::BlockEntry &Parser::blockEntry(const ParaState &para)
{
    for (BlockEntry &entry : m_blockFormats) {
        if (entry.para == para)
            return entry;
    }
    QTextBlockFormat format;
    static constexpr Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter,
                                               Qt::AlignJustify};
    format.setAlignment(aligns[para.align]);
    format.setLeftMargin(para.left / RtfFormat::TwipsPerPixel);
    format.setRightMargin(para.right / RtfFormat::TwipsPerPixel);
    format.setTextIndent(para.first / RtfFormat::TwipsPerPixel);
    format.setTopMargin(para.before / RtfFormat::TwipsPerPixel);
    format.setBottomMargin(para.after / RtfFormat::TwipsPerPixel);
    if (m_blockFormats.size() >= 64)
        m_blockFormats.clear();
    primeHash(format);
    m_blockFormats.push_back(BlockEntry{para, format});
    return m_blockFormats.back();
}

int Parser::charIndex(const CharState &state)
{
    CharEntry &entry = charEntry(state);
    if (entry.index < 0)
        entry.index = m_priv->formatCollection()->indexForFormat(entry.format);
    return entry.index;
}

int Parser::blockIndex(const ParaState &para)
{
    BlockEntry &entry = blockEntry(para);
    if (entry.index < 0)
        entry.index = m_priv->formatCollection()->indexForFormat(entry.format);
    return entry.index;
}

// At the end of the document, before its closing paragraph mark.
void Parser::appendRun(QStringView text, int format)
{
    if (text.isEmpty())
        return;
    m_priv->insert(m_end, QString::fromRawData(text.data(), text.size()), format);
    m_end += int(text.size());
}

void Parser::endParagraph()
{
    flushText();
    const Group &group = top();
    QString number;
    if (group.para.numbering.style != 0 && !m_listTextSeen)
        number = numberText(group.para.numbering);
    m_listTextSeen = false;
    if (m_firstBlock) {
        QTextCursor cursor(m_doc);
        cursor.setBlockFormat(blockEntry(group.para).format);
        cursor.setBlockCharFormat(charFormat(group.ch));
        m_firstBlock = false;
    } else {
        m_priv->insertBlock(m_end++, blockIndex(group.para), charIndex(group.ch));
    }
    if (!number.isEmpty())
        appendRun(QString(number + u'\t'), charIndex(group.ch));
    for (const Run &run : m_para) {
        const int index =
            run.index >= 0 ? run.index : m_priv->formatCollection()->indexForFormat(run.format);
        appendRun(QStringView(m_paraText).sliced(run.start, run.length), index);
    }
    m_para.clear();
    m_paraText.resize(1);
    m_runStart = 1;
    m_paraOpen = false;
    m_lastWasObject = false;
}

void Parser::finish()
{
    flushText();
    // one trailing \par is the end of the last paragraph, not an empty one after it
    if (m_paraOpen || !m_para.empty() || m_firstBlock)
        endParagraph();
}

void Parser::commitFont()
{
    if (!m_fontPending)
        return;
    QString name = m_fontName.trimmed();
    m_fonts.insert(m_fontNumber, FontEntry{name, m_fontCharset});
    m_fontPending = false;
    m_fontName.clear();
    m_codePageFont = -1;
    m_charFormats.clear();
}

void Parser::commitColour()
{
    if (m_red < 0 && m_green < 0 && m_blue < 0)
        m_colours.push_back(QColor());
    else
        m_colours.push_back(QColor(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0)));
    m_red = m_green = m_blue = -1;
    m_charFormats.clear();
}

GroupEnd scanGroup(QByteArrayView data, qsizetype from)
{
    GroupEnd result;
    int depth = 1;
    const qsizetype size = data.size();
    qsizetype i = from;
    while (i < size) {
        const char c = data[i];
        if (c == '{') {
            ++depth;
            ++i;
        } else if (c == '}') {
            ++i;
            if (--depth == 0) {
                result.end = i;
                return result;
            }
        } else if (c == '\\') {
            const qsizetype wordAt = i;
            ++i;
            if (i >= size)
                break;
            if (!isLetter(data[i])) {
                ++i;
                continue;
            }
            const qsizetype start = i;
            while (i < size && isLetter(data[i]))
                ++i;
            const bool isBin = i - start == 3 && data.sliced(start, 3) == "bin";
            long value = 0;
            bool negative = false;
            if (i < size && data[i] == '-') {
                negative = true;
                ++i;
            }
            while (i < size && data[i] >= '0' && data[i] <= '9') {
                if (value < kMaxParameter)
                    value = value * 10 + (data[i] - '0');
                ++i;
            }
            if (i < size && data[i] == ' ')
                ++i;
            if (isBin && !negative) {
                if (value > size - i) {
                    result.truncatedAt = wordAt;
                    i = size;
                    break;
                }
                i += value;
            }
        } else {
            ++i;
        }
    }
    result.end = size;
    result.open = depth;
    return result;
}

void Parser::skipGroup()
{
    // a destination word in the document's own group (or outside it) is taken as unknown
    if (m_groups.size() <= 2)
        return;
    const GroupEnd end = scanGroup(m_data, m_pos);
    m_pos = end.end;
    m_groups.pop_back();
    if (end.open != 0)
        m_done = true; // a group cut off by the end of the data takes the rest with it
}

void Parser::keepGroup(Word word)
{
    const qsizetype start = top().start;
    const GroupEnd end = scanGroup(m_data, m_pos);
    QByteArray raw;
    int open = end.open;
    if (end.truncatedAt >= 0) {
        // binary data cut off by the end: keep what stands before it, closed properly
        raw = m_data.sliced(start, end.truncatedAt - start).toByteArray();
        open = scanGroup(raw, 1).open;
    } else {
        raw = m_data.sliced(start, end.end - start).toByteArray();
    }
    if (open > 0) {
        // a group cut off by the end of the data is closed, so that it cannot swallow what the
        // writer puts after it; a dangling backslash would escape the first closing brace
        qsizetype slashes = 0;
        while (slashes < raw.size() && raw[raw.size() - 1 - slashes] == '\\')
            ++slashes;
        if (slashes % 2)
            raw.chop(1);
        open = scanGroup(raw, 1).open;
        raw.append(QByteArray(open, '}'));
        m_done = true;
    }
    m_pos = end.end;
    m_groups.pop_back();
    const GroupEnd check = scanGroup(raw, 1);
    if (check.open != 0 || check.end != raw.size())
        return;

    flushText();
    if (word == Word::NonShpPict && m_lastWasObject && !m_para.empty() && m_para.back().object) {
        // the fallback picture travels with the picture it stands in for
        QTextCharFormat &format = m_para.back().format;
        format.setProperty(RtfFormat::RawGroupProperty,
                           format.property(RtfFormat::RawGroupProperty).toByteArray() + raw);
        return;
    }
    const RtfPicture picture = decodeRtfPicture(raw);
    const QString name = QStringLiteral("rtfpict:%1").arg(++m_objects);
    const bool readResult = word == Word::Object && !m_done && raw.contains("\\result");
    m_doc->addResource(QTextDocument::ImageResource, QUrl(name), picture.image);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(picture.size.width());
    format.setHeight(picture.size.height());
    format.setProperty(RtfFormat::RawGroupProperty, raw);
    m_para.push_back(Run{m_paraText.size(), 1, format, true, {}});
    m_paraText += QChar(QChar::ObjectReplacementCharacter);
    m_runStart = m_paraText.size();
    m_paraOpen = true;
    m_lastWasObject = true;
    if (readResult) {
        // go through the group once more for its result's text
        Group group = top();
        group.start = start;
        group.dest = Dest::Object;
        group.fresh = false;
        group.star = false;
        m_groups.push_back(group);
        m_pos = m_data.indexOf('\\', start) + 1;
        m_pos += 6; // "object"
        m_objectRun = qsizetype(m_para.size()) - 1;
        m_resultText.clear();
    }
}

void Parser::readNumbering()
{
    // the group sets the numbering of the paragraph it stands in
    const qsizetype from = m_pos;
    if (m_groups.size() <= 2) {
        return;
    }
    const GroupEnd end = scanGroup(m_data, m_pos);
    const QByteArrayView body = m_data.sliced(from, end.end - from);
    m_pos = end.end;
    m_groups.pop_back();
    if (end.open != 0) {
        m_done = true;
        return;
    }
    Numbering numbering;
    numbering.style = 1;
    qsizetype i = 0;
    QString *text = nullptr;
    int depth = 0;
    int textDepth = -1;
    while (i < body.size()) {
        const char c = body[i];
        if (c == '{') {
            ++depth;
            ++i;
        } else if (c == '}') {
            if (depth == textDepth) {
                text = nullptr;
                textDepth = -1;
            }
            --depth;
            ++i;
        } else if (c == '\\') {
            ++i;
            if (i >= body.size())
                break;
            if (body[i] == '\'' && i + 2 < body.size()) {
                const int high = hexValue(body[i + 1]), low = hexValue(body[i + 2]);
                if (text && high >= 0 && low >= 0)
                    text->append(QChar(RtfCodePage::fromCp1252(uchar(high << 4 | low))));
                i += 3;
                continue;
            }
            if (!isLetter(body[i])) {
                if (text && body[i] != '*')
                    text->append(QLatin1Char(body[i]));
                ++i;
                continue;
            }
            const qsizetype start = i;
            while (i < body.size() && isLetter(body[i]))
                ++i;
            const std::string_view name(body.data() + start, size_t(i - start));
            long value = 0;
            bool hasValue = false;
            while (i < body.size() && body[i] >= '0' && body[i] <= '9' && value < 100000) {
                value = value * 10 + (body[i] - '0');
                hasValue = true;
                ++i;
            }
            if (i < body.size() && body[i] == ' ')
                ++i;
            if (name == "pndec" || name == "pnord" || name == "pncard" || name == "pnordt")
                numbering.style = 1;
            else if (name == "pnucltr")
                numbering.style = 2;
            else if (name == "pnlcltr")
                numbering.style = 3;
            else if (name == "pnucrm")
                numbering.style = 4;
            else if (name == "pnlcrm")
                numbering.style = 5;
            else if (name == "pnlvlblt")
                numbering.style = 6;
            else if (name == "pnlvlcont")
                numbering.style = 0;
            else if (name == "pnstart" && hasValue)
                numbering.start = int(value);
            else if (name == "pntxtb" || name == "pntxta") {
                text = name == "pntxtb" ? &numbering.before : &numbering.after;
                textDepth = depth;
            }
        } else {
            if (text && uchar(c) >= 0x20 && c != '\r' && c != '\n')
                text->append(QChar(RtfCodePage::fromCp1252(uchar(c))));
            ++i;
        }
    }
    numbering.before = numbering.before.left(16);
    numbering.after = numbering.after.left(16);
    top().para.numbering = numbering;
}

QString Parser::numberText(const Numbering &numbering)
{
    if (numbering.style == 6)
        return QString(QChar(0x2022));
    if (m_lastNumbering == numbering)
        ++m_number;
    else
        m_number = numbering.start;
    m_lastNumbering = numbering;
    const int n = std::max(m_number, 0);
    QString digits;
    switch (numbering.style) {
    case 2:
    case 3: {
        int k = n;
        while (k > 0) {
            --k;
            digits.prepend(QChar(u'A' + k % 26));
            k /= 26;
        }
        if (numbering.style == 3)
            digits = digits.toLower();
        break;
    }
    case 4:
    case 5: {
        static const std::pair<int, const char *> romans[] = {
            {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
            {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
        int k = std::min(n, 3999);
        for (const auto &[value, letters] : romans) {
            while (k >= value) {
                digits += QLatin1String(letters);
                k -= value;
            }
        }
        if (numbering.style == 5)
            digits = digits.toLower();
        break;
    }
    default:
        digits = QString::number(n);
        break;
    }
    return numbering.before + digits + numbering.after;
}

qsizetype skipBlanks(QByteArrayView data)
{
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return i;
}

void readInto(QByteArrayView data, QTextDocument *doc, bool rawUtf8)
{
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    Parser parser(data.sliced(skipBlanks(data)), doc, rawUtf8);
    parser.run();
    doc->setUndoRedoEnabled(undo);
    doc->setModified(false);
}

void readPlain(const QString &text, QTextDocument *doc)
{
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->setPlainText(text);
    doc->setUndoRedoEnabled(undo);
    doc->setModified(false);
}

} // namespace

bool RtfReader::isRtf(QByteArrayView data)
{
    return data.sliced(skipBlanks(data)).startsWith("{\\rtf");
}

bool RtfReader::isRtf(QStringView text)
{
    return text.trimmed().startsWith(u"{\\rtf");
}

void RtfReader::read(QByteArrayView data, QTextDocument *doc)
{
    if (isRtf(data)) {
        readInto(data, doc, false);
        return;
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(data);
    if (utf8.hasError()) {
        text.clear();
        RtfCodePage codePage;
        codePage.decode(1252, data, text);
    }
    readPlain(text, doc);
}

void RtfReader::read(const QString &text, QTextDocument *doc)
{
    if (!isRtf(QStringView(text))) {
        readPlain(text, doc);
        return;
    }
    const QByteArray bytes = text.toUtf8();
    readInto(bytes, doc, true);
}
