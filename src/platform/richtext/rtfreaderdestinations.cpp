#include "rtfformat.h"
#include "rtfpicture.h"
#include "rtfreaderparser.h"

#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>

namespace RtfRead {

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
    leaveGroup();
    if (end.open != 0)
        m_done = true; // a group cut off by the end of the data takes the rest with it
}

void Parser::keepGroup(Word word)
{
    const qsizetype start = top().overflow > 0 ? m_overflowStart : top().start;
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
    leaveGroup();
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
        group.listText = false;
        group.overflow = 0; // one group past the limit at most: nothing in it is kept again
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
    leaveGroup();
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

void Parser::startListText()
{
    flushText();
    top().listText = true;
    m_listTextOpen = true;
    m_listTextFirst = m_para.size();
    m_listTextStart = m_paraText.size();
}

void Parser::endListText()
{
    if (!m_listTextOpen)
        return; // a paragraph ended inside it
    m_listTextOpen = false;
    flushText();
    const QStringView text = QStringView(m_paraText).sliced(m_listTextStart);
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); })) {
        m_blankFirst = m_listTextFirst;
        m_blankEnd = m_para.size();
    } else {
        m_listTextSeen = true;
    }
}

} // namespace RtfRead
