#include "dbtools/docxwriter.h"
#include "platform/archive/archive.h"
#include "platform/base/checkedwrite.h"

namespace {

const char ContentTypes[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    "\n"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>)"
    R"(<Override PartName="/word/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/>)"
    R"(</Types>)";

const char PackageRels[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    "\n"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>)"
    R"(</Relationships>)";

const char DocumentRels[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    "\n"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
    R"(</Relationships>)";

const char Styles[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    "\n"
    R"(<w:styles xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
    R"(<w:docDefaults><w:rPrDefault><w:rPr>)"
    R"(<w:rFonts w:ascii="Times New Roman" w:hAnsi="Times New Roman" w:cs="Times New Roman"/>)"
    R"(<w:sz w:val="24"/></w:rPr></w:rPrDefault>)"
    R"(<w:pPrDefault><w:pPr><w:spacing w:after="0" w:line="240" w:lineRule="auto"/></w:pPr>)"
    R"(</w:pPrDefault></w:docDefaults>)"
    R"(<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/></w:style>)"
    R"(</w:styles>)";

// Characters XML 1.0 cannot carry at all.
bool isXmlChar(char32_t c)
{
    if (c < 0x20)
        return c == 0x09 || c == 0x0A || c == 0x0D;
    if (c >= 0xD800 && c <= 0xDFFF)
        return false;
    return c != 0xFFFE && c != 0xFFFF;
}

void appendEscaped(QString &out, QStringView text)
{
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        default:
            out += c;
        }
    }
}

// One run: text pieces between tabs and soft line breaks.
void appendRun(QString &out, const QString &text, bool bold, bool italic)
{
    out += QLatin1String("<w:r>");
    if (bold || italic) {
        out += QLatin1String("<w:rPr>");
        if (bold)
            out += QLatin1String("<w:b/><w:bCs/>");
        if (italic)
            out += QLatin1String("<w:i/><w:iCs/>");
        out += QLatin1String("</w:rPr>");
    }
    QString piece;
    auto flush = [&] {
        if (piece.isEmpty())
            return;
        out += QLatin1String("<w:t xml:space=\"preserve\">");
        appendEscaped(out, piece);
        out += QLatin1String("</w:t>");
        piece.clear();
    };
    for (const QChar c : text) {
        if (c == u'\t') {
            flush();
            out += QLatin1String("<w:tab/>");
        } else if (c == QChar::LineSeparator) {
            flush();
            out += QLatin1String("<w:br/>");
        } else {
            piece += c;
        }
    }
    flush();
    out += QLatin1String("</w:r>");
}

} // namespace

DocxWriter::DocxWriter()
{
    m_paragraphs.append(Paragraph());
}

void DocxWriter::typeText(const QString &text)
{
    // Drop what XML cannot hold (and the object marks of pictures) before splitting into lines.
    QString clean;
    clean.reserve(text.size());
    const QList<uint> codes = text.toUcs4();
    for (const uint code : codes) {
        if (!isXmlChar(code) || code == 0xFFFC)
            continue;
        const char32_t c = code;
        clean += QString::fromUcs4(&c, 1);
    }
    qsizetype start = 0;
    for (qsizetype i = 0; i < clean.size(); ++i) {
        const QChar c = clean.at(i);
        if (c != u'\r' && c != u'\n' && c != QChar::ParagraphSeparator)
            continue;
        appendToParagraph(clean.mid(start, i - start));
        m_paragraphs.append(Paragraph());
        if (c == u'\r' && i + 1 < clean.size() && clean.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    appendToParagraph(clean.mid(start));
}

void DocxWriter::appendToParagraph(const QString &text)
{
    if (text.isEmpty())
        return;
    Paragraph &paragraph = m_paragraphs.last();
    if (!paragraph.isEmpty() && paragraph.last().bold == m_bold &&
        paragraph.last().italic == m_italic) {
        paragraph.last().text += text;
        return;
    }
    paragraph.append(Run{text, m_bold, m_italic});
}

QByteArray DocxWriter::documentXml() const
{
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
        "<w:body>");
    for (const Paragraph &paragraph : m_paragraphs) {
        if (paragraph.isEmpty()) {
            xml += QLatin1String("<w:p/>");
            continue;
        }
        xml += QLatin1String("<w:p>");
        for (const Run &run : paragraph)
            appendRun(xml, run.text, run.bold, run.italic);
        xml += QLatin1String("</w:p>");
    }
    xml += QLatin1String("<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/>"
                         "<w:pgMar w:top=\"1440\" w:right=\"1440\" w:bottom=\"1440\" "
                         "w:left=\"1440\" w:header=\"708\" w:footer=\"708\" w:gutter=\"0\"/>"
                         "</w:sectPr></w:body></w:document>");
    return xml.toUtf8();
}

QByteArray DocxWriter::archive() const
{
    m_error.clear();
    return Archive::zip({{"[Content_Types].xml", QByteArray(ContentTypes)},
                         {"_rels/.rels", QByteArray(PackageRels)},
                         {"word/document.xml", documentXml()},
                         {"word/_rels/document.xml.rels", QByteArray(DocumentRels)},
                         {"word/styles.xml", QByteArray(Styles)}},
                        &m_error);
}

bool DocxWriter::save(const QString &fileName)
{
    const QByteArray bytes = archive();
    if (bytes.isEmpty())
        return false;
    return writeWholeFile(fileName, bytes, &m_error);
}
