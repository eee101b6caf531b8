#include "rtfreaderparser.h"

namespace RtfRead {

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

} // namespace RtfRead
