#include "rtfwriter.h"

#include "rtfcodepage.h"
#include "rtfformat.h"
#include "rtfpicture.h"

#include <QHash>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>

namespace {

struct RunState
{
    int font = 0;
    int halfPoints = 24;
    int foreground = 0;
    int background = 0;
    int verticalAlign = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
};

class Writer
{
public:
    explicit Writer(const QTextDocument *doc) : m_doc(doc)
    {
        const QFont font = doc->defaultFont();
        m_defaultFamily = font.family();
        m_defaultPoints = font.pointSizeF() > 0 ? font.pointSizeF() : 12.0;
    }

    QByteArray write();

private:
    RunState stateOf(const QTextCharFormat &format);
    int fontIndex(const QString &family);
    int colourIndex(const QBrush &brush);
    void switchTo(const RunState &state);
    void word(const char *text);
    void word(const char *text, long value);
    void writeText(QStringView text, QByteArray &out, bool *needSpace);
    void writeObject(const QTextCharFormat &format);
    void writeBlock(const QTextBlock &block);
    QByteArray paragraphWords(const QTextBlockFormat &format) const;

    const QTextDocument *m_doc;
    QString m_defaultFamily;
    double m_defaultPoints;
    QStringList m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<QRgb> m_colours;
    QHash<QRgb, int> m_colourIndex;
    QByteArray m_body;
    bool m_needSpace = false;
    RunState m_written;
    struct Run
    {
        RunState state;
        bool object = false;
    };
    QHash<int, Run> m_runs; // by the document's format index
    QHash<int, QByteArray> m_paragraphWords;
};

int Writer::fontIndex(const QString &family)
{
    const auto found = m_fontIndex.constFind(family);
    if (found != m_fontIndex.constEnd())
        return *found;
    const int index = int(m_fonts.size());
    m_fonts.append(family);
    m_fontIndex.insert(family, index);
    return index;
}

int Writer::colourIndex(const QBrush &brush)
{
    if (brush.style() == Qt::NoBrush)
        return 0;
    const QRgb rgb = brush.color().rgb() | 0xFF000000u;
    const auto found = m_colourIndex.constFind(rgb);
    if (found != m_colourIndex.constEnd())
        return *found;
    m_colours.append(rgb);
    const int index = int(m_colours.size()); // entry 0 is "automatic"
    m_colourIndex.insert(rgb, index);
    return index;
}

RunState Writer::stateOf(const QTextCharFormat &format)
{
    RunState state;
    QString family = format.fontFamilies().toStringList().value(0);
    if (family.isEmpty())
        family = m_defaultFamily;
    state.font = fontIndex(family);
    const double points = format.fontPointSize() > 0 ? format.fontPointSize() : m_defaultPoints;
    state.halfPoints = std::clamp(int(std::lround(points * 2)), 1, RtfFormat::MaxHalfPoints);
    state.bold = format.fontWeight() > QFont::Medium;
    state.italic = format.fontItalic();
    state.underline = format.fontUnderline();
    state.strike = format.fontStrikeOut();
    if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        state.verticalAlign = 1;
    else if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        state.verticalAlign = 2;
    state.hidden = format.boolProperty(RtfFormat::HiddenProperty);
    state.foreground = colourIndex(format.foreground());
    state.background = colourIndex(format.background());
    return state;
}

void Writer::word(const char *text)
{
    m_body.append('\\');
    m_body.append(text);
    m_needSpace = true;
}

void Writer::word(const char *text, long value)
{
    m_body.append('\\');
    m_body.append(text);
    m_body.append(QByteArray::number(qlonglong(value)));
    m_needSpace = true;
}

void Writer::switchTo(const RunState &state)
{
    RunState &was = m_written;
    if (state.font != was.font)
        word("f", state.font);
    if (state.halfPoints != was.halfPoints)
        word("fs", state.halfPoints);
    if (state.bold != was.bold)
        word(state.bold ? "b" : "b0");
    if (state.italic != was.italic)
        word(state.italic ? "i" : "i0");
    if (state.underline != was.underline)
        word(state.underline ? "ul" : "ulnone");
    if (state.strike != was.strike)
        word(state.strike ? "strike" : "strike0");
    if (state.verticalAlign != was.verticalAlign)
        word(state.verticalAlign == 1 ? "sub" : state.verticalAlign == 2 ? "super" : "nosupersub");
    if (state.hidden != was.hidden)
        word(state.hidden ? "v" : "v0");
    if (state.foreground != was.foreground)
        word("cf", state.foreground);
    if (state.background != was.background)
        word("highlight", state.background);
    was = state;
}

void Writer::writeText(QStringView text, QByteArray &out, bool *needSpace)
{
    static const char hex[] = "0123456789abcdef";
    auto control = [&](const char *text) {
        out.append(text);
        *needSpace = true;
    };
    auto plain = [](char16_t c) {
        return c >= 0x20 && c < 0x7F && c != '\\' && c != '{' && c != '}';
    };
    const char16_t *chars = text.utf16();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = chars[i];
        if (plain(c)) {
            // a run of plain characters goes in one piece
            qsizetype end = i + 1;
            while (end < size && plain(chars[end]))
                ++end;
            if (*needSpace) {
                out.append(' ');
                *needSpace = false;
            }
            const qsizetype at = out.size();
            out.resize(at + (end - i));
            char *dst = out.data() + at;
            for (qsizetype k = i; k < end; ++k)
                *dst++ = char(chars[k]);
            i = end - 1;
            continue;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}':
            out.append('\\');
            out.append(char(c));
            *needSpace = false;
            continue;
        case '\t':
            control("\\tab");
            continue;
        case 0x2028:
            control("\\line");
            continue;
        case 0x00A0:
            out.append("\\~");
            *needSpace = false;
            continue;
        case 0x00AD:
            out.append("\\-");
            *needSpace = false;
            continue;
        case 0x2011:
            out.append("\\_");
            *needSpace = false;
            continue;
        case 0x00B7:
            // By number: in a symbol font the byte itself reads as that font's bullet.
            out.append("\\u183\\'b7");
            *needSpace = false;
            continue;
        default:
            break;
        }
        if (c < 0x20)
            continue; // control characters are not text
        const int byte = RtfCodePage::toCp1252(c);
        if (byte >= 0) {
            out.append("\\'");
            out.append(hex[byte >> 4]);
            out.append(hex[byte & 15]);
        } else {
            // the fallback as an escaped '?': some readers mishandle a bare one before text
            out.append("\\u");
            out.append(QByteArray::number(int(qint16(c))));
            out.append("\\'3f");
        }
        *needSpace = false;
    }
}

void Writer::writeObject(const QTextCharFormat &format)
{
    const QByteArray raw = format.property(RtfFormat::RawGroupProperty).toByteArray();
    if (!raw.isEmpty()) {
        m_body.append(raw);
        m_needSpace = false;
        return;
    }
    if (!format.isImageFormat())
        return;
    // an image that came from somewhere else (a paste) is stored as PNG
    const QTextImageFormat image = format.toImageFormat();
    const QVariant resource = m_doc->resource(QTextDocument::ImageResource, QUrl(image.name()));
    QImage picture;
    if (resource.typeId() == QMetaType::QImage)
        picture = resource.value<QImage>();
    else if (resource.typeId() == QMetaType::QPixmap)
        picture = resource.value<QPixmap>().toImage();
    else if (resource.typeId() == QMetaType::QByteArray)
        picture = QImage::fromData(resource.toByteArray());
    if (picture.isNull())
        return;
    QSizeF size(image.width(), image.height());
    if (size.width() <= 0 || size.height() <= 0)
        size = picture.size();
    m_body.append(encodeRtfPicture(picture, size));
    m_needSpace = false;
}

// True when the result fragments after the object at it hold exactly result.
bool resultUnchanged(QTextBlock::iterator it, const QString &result)
{
    QString shown;
    for (++it; !it.atEnd() && shown.size() <= result.size(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.charFormat().boolProperty(RtfFormat::ResultRunProperty))
            break;
        shown += fragment.text();
    }
    return shown == result;
}

void Writer::writeBlock(const QTextBlock &block)
{
    // formats repeat: their words are worked out once per format of the document
    const int formatIndex = block.blockFormatIndex();
    auto words = m_paragraphWords.constFind(formatIndex);
    if (words == m_paragraphWords.constEnd())
        words = m_paragraphWords.insert(formatIndex, paragraphWords(block.blockFormat()));
    m_body.append(*words);
    m_needSpace = true;

    if (block.length() <= 1) {
        // an empty line keeps the size of its font
        switchTo(stateOf(block.charFormat()));
    }
    // an object's result shown after it is in the object's group already, unless edited
    QString resultLeft;
    bool inResult = false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        if (inResult) {
            // skipped before its state is worked out: that would list its font
            if (fragment.charFormat().boolProperty(RtfFormat::ResultRunProperty))
                continue;
            inResult = false;
        }
        const int formatIndex = fragment.charFormatIndex();
        auto run = m_runs.constFind(formatIndex);
        if (run == m_runs.constEnd()) {
            const QTextCharFormat format = fragment.charFormat();
            const bool object = format.objectType() != QTextFormat::NoObject ||
                                format.hasProperty(RtfFormat::RawGroupProperty);
            run = m_runs.insert(formatIndex, Run{object ? RunState{} : stateOf(format), object});
        }
        const QString text = fragment.text();
        if (run->object) {
            const QTextCharFormat format = fragment.charFormat();
            for (const QChar c : text) {
                if (c == QChar::ObjectReplacementCharacter)
                    writeObject(format);
            }
            resultLeft = format.stringProperty(RtfFormat::ResultTextProperty);
            inResult = !resultLeft.isEmpty() && resultUnchanged(it, resultLeft);
            continue;
        }
        switchTo(run->state);
        writeText(text, m_body, &m_needSpace);
    }
    m_body.append("\\par\r\n");
    m_needSpace = false;
}

QByteArray Writer::paragraphWords(const QTextBlockFormat &format) const
{
    QByteArray out = "\\pard";
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignJustify)
        out += "\\qj";
    else if (align & Qt::AlignHCenter)
        out += "\\qc";
    else if (align & (Qt::AlignRight | Qt::AlignTrailing))
        out += "\\qr";
    auto twips = [](double pixels) {
        return std::clamp(std::lround(pixels * RtfFormat::TwipsPerPixel),
                          -long(RtfFormat::MaxTwips), long(RtfFormat::MaxTwips));
    };
    const std::pair<const char *, long> values[] = {
        {"\\li", twips(format.leftMargin())},
        {"\\ri", twips(format.rightMargin())},
        {"\\fi", twips(format.textIndent())},
        {"\\sb", std::max(0L, twips(format.topMargin()))},
        {"\\sa", std::max(0L, twips(format.bottomMargin()))},
    };
    for (const auto &[word, value] : values) {
        if (value != 0)
            out += word + QByteArray::number(qlonglong(value));
    }
    return out;
}

QByteArray Writer::write()
{
    m_body.reserve(m_doc->characterCount() + 1024);
    for (QTextBlock block = m_doc->begin(); block.isValid(); block = block.next())
        writeBlock(block);

    QByteArray out;
    out.reserve(m_body.size() + 256 + m_fonts.size() * 40);
    out.append("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl");
    for (int i = 0; i < m_fonts.size(); ++i) {
        out.append("{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0");
        bool needSpace = true;
        QString name = m_fonts[i];
        name.remove(u';');
        writeText(name, out, &needSpace);
        out.append(";}");
    }
    out.append("}\r\n{\\colortbl ;");
    for (const QRgb rgb : m_colours) {
        out.append("\\red" + QByteArray::number(qRed(rgb)) + "\\green" +
                   QByteArray::number(qGreen(rgb)) + "\\blue" + QByteArray::number(qBlue(rgb)) +
                   ';');
    }
    out.append("}\r\n\\viewkind4\\uc1\r\n");
    out.append(m_body);
    out.append("}\r\n");
    return out;
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument *doc)
{
    Writer writer(doc);
    return writer.write();
}
