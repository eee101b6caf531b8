#include "rtfreader.h"

#include "rtfformat.h"
#include "rtfreaderparser.h"

#include <QStringDecoder>
#include <QTextDocument>

#include <algorithm>

namespace RtfRead {

Parser::Parser(QByteArrayView data, QTextDocument *doc, bool rawUtf8)
#if MARLUX_RTF_PIECES
    : m_data(data), m_doc(doc), m_priv(QTextDocumentPrivate::get(doc)), m_rawUtf8(rawUtf8)
#else
    : m_data(data), m_doc(doc), m_cursor(doc), m_rawUtf8(rawUtf8)
#endif
{}

void Parser::run()
{
    m_groups.reserve(64);
    m_groups.push_back(Group{});
    beginDocument();
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
    endDocument();
}

void Parser::pushGroup(qsizetype at)
{
    if (int(m_groups.size()) > RtfReader::MaxDepth && !opensObjectResult()) {
        // nesting this deep is no document anyone wrote, but its text is still the user's: the
        // group is read as part of the deepest one kept
        Group &group = top();
        ++group.overflow;
        m_overflowUc.push_back(quint8(group.uc));
        group.fresh = true;
        group.star = false;
        m_overflowStart = at;
        return;
    }
    // a group that holds another no longer starts with its destination
    top().fresh = false;
    Group group = top();
    group.start = at;
    group.fresh = true;
    group.star = false;
    group.listText = false;
    m_groups.push_back(group);
}

void Parser::popGroup()
{
    if (top().overflow > 0) {
        leaveGroup();
        return;
    }
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
    leaveGroup();
}

// An object read again for its result may open its result group one level past the depth limit.
bool Parser::opensObjectResult() const
{
    return m_groups.back().dest == Dest::Object &&
           m_groups[m_groups.size() - 2].dest != Dest::Object;
}

// Closes the innermost group, whether read past the depth limit or on the stack.
void Parser::leaveGroup()
{
    Group &group = top();
    if (group.overflow > 0) {
        --group.overflow;
        group.uc = m_overflowUc.back();
        m_overflowUc.pop_back();
        group.fresh = false;
        group.star = false;
        return;
    }
    if (group.listText)
        endListText();
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

    const Word word = wordLength <= kMaxWordLength
                          ? rtfWord(std::string_view(m_data.data() + wordStart, size_t(wordLength)))
                          : Word::Unknown;
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

    if (group.overflow > 0) {
        // past the depth limit the groups share the deepest kept group's formats and
        // destination: words that would change them are left out, and so are their groups
        switch (word) {
        case Word::FontTable:
        case Word::ColourTable:
        case Word::Numbering:
            skipGroup();
            return;
        case Word::ObjectResult:
            if (group.dest == Dest::Object) {
                if (fresh)
                    skipGroup();
                return;
            }
            break;
        case Word::ListText:
        case Word::Pard:
        case Word::Plain:
        case Word::Bold:
        case Word::Italic:
        case Word::Underline:
        case Word::UnderlineNone:
        case Word::Strike:
        case Word::Font:
        case Word::FontSize:
        case Word::Foreground:
        case Word::Background:
        case Word::Sub:
        case Word::Super:
        case Word::NoSuperSub:
        case Word::Hidden:
        case Word::AlignLeft:
        case Word::AlignRight:
        case Word::AlignCentre:
        case Word::AlignJustify:
        case Word::LeftIndent:
        case Word::RightIndent:
        case Word::FirstIndent:
        case Word::SpaceBefore:
        case Word::SpaceAfter:
            return;
        default:
            break;
        }
    }
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
        startListText();
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
    case Word::QmSpace:
        appendChar(0x2005);
        return;
    case Word::Zwj:
        appendChar(0x200D);
        return;
    case Word::Zwnj:
        appendChar(0x200C);
        return;
    case Word::FootnoteMark:
        // the mark's number; the note itself is a destination left out
        appendText(QString::number(++m_footnotes));
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

} // namespace RtfRead

namespace {

using RtfRead::Parser;

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
