#include "rtfformat.h"
#include "rtfreaderparser.h"

#include <QTextDocument>

#include <algorithm>

namespace RtfRead {

namespace {

// The document hashes the format of every run it is given. A format compared once keeps its
// hash, and so do the copies the document makes of it: work once per format, not per run.
void primeHash(const QTextFormat &format)
{
    QTextFormat probe(format.type()); // formats of other types compare unequal at once
    probe.setProperty(QTextFormat::UserProperty, true);
    [[maybe_unused]] const bool same = format == probe;
}

} // namespace

void Parser::flushText()
{
    if (!runOpen())
        return;
    CharEntry &entry = charEntry(m_textState);
#if MARLUX_RTF_PIECES
    const int index = charIndex(entry);
#else
    const int index = -1;
#endif
    m_para.push_back(
        Run{m_runStart, m_paraText.size() - m_runStart, entry.format, false, m_textState, index});
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

#if MARLUX_RTF_PIECES

void Parser::beginDocument()
{
    m_priv->beginEditBlock();
}

void Parser::endDocument()
{
    m_priv->endEditBlock();
}

int Parser::charIndex(CharEntry &entry)
{
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

#else

void Parser::beginDocument()
{
    m_cursor.beginEditBlock();
}

void Parser::endDocument()
{
    m_cursor.endEditBlock();
}

void Parser::appendRun(QStringView text, const QTextCharFormat &format)
{
    // the document copies the characters: no string of its own per run
    if (!text.isEmpty())
        m_cursor.insertText(QString::fromRawData(text.data(), text.size()), format);
}

#endif

void Parser::endParagraph()
{
    flushText();
    const Group &group = top();
    QString number;
    if (group.para.numbering.style != 0 && !m_listTextSeen) {
        number = numberText(group.para.numbering);
        // blanks standing for the number give way to it
        m_para.erase(m_para.begin() + qsizetype(m_blankFirst),
                     m_para.begin() + qsizetype(m_blankEnd));
    }
    m_listTextSeen = false;
    m_listTextOpen = false;
    m_blankFirst = m_blankEnd = 0;
#if MARLUX_RTF_PIECES
    if (m_firstBlock) {
        QTextCursor cursor(m_doc);
        cursor.setBlockFormat(blockEntry(group.para).format);
        cursor.setBlockCharFormat(charFormat(group.ch));
        m_firstBlock = false;
    } else {
        m_priv->insertBlock(m_end++, blockIndex(group.para), charIndex(charEntry(group.ch)));
    }
    if (!number.isEmpty())
        appendRun(QString(number + u'\t'), charIndex(charEntry(group.ch)));
    for (const Run &run : m_para) {
        const int index =
            run.index >= 0 ? run.index : m_priv->formatCollection()->indexForFormat(run.format);
        appendRun(QStringView(m_paraText).sliced(run.start, run.length), index);
    }
#else
    if (m_firstBlock) {
        m_cursor.setBlockFormat(blockEntry(group.para).format);
        m_cursor.setBlockCharFormat(charFormat(group.ch));
        m_firstBlock = false;
    } else if (number.isEmpty() && group.para == m_lastPara && !m_para.empty() &&
               !m_para.front().object && m_para.front().state == group.ch) {
        // the paragraph break rides with the first run: a new block takes the previous block's
        // format and the run's, which are the ones wanted (half the work on plain answers)
        m_para.front().start = 0;
        ++m_para.front().length;
    } else {
        m_cursor.insertBlock(blockEntry(group.para).format, charFormat(group.ch));
    }
    m_lastPara = group.para;
    if (!number.isEmpty())
        appendRun(QString(number + u'\t'), charFormat(group.ch));
    for (const Run &run : m_para)
        appendRun(QStringView(m_paraText).sliced(run.start, run.length), run.format);
#endif
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

} // namespace RtfRead
