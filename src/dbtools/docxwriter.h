#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A word-processing document built the way text is typed: runs of text in the current bold and
// italic state, a line break (CR LF, CR or LF) starting a new paragraph. Written whole as a
// .docx container (WordprocessingML in a zip archive).
class DocxWriter
{
public:
    DocxWriter();

    void setBold(bool on) { m_bold = on; }
    void setItalic(bool on) { m_italic = on; }
    bool bold() const { return m_bold; }
    bool italic() const { return m_italic; }
    void typeText(const QString &text);

    int paragraphCount() const { return int(m_paragraphs.size()); }

    // The main document part.
    QByteArray documentXml() const;
    // The whole .docx archive; empty with error() set when the archive cannot be built.
    QByteArray archive() const;
    // Replaces the file whole; false with error() set on failure (the old file is kept).
    bool save(const QString &fileName);
    QString error() const { return m_error; }

private:
    struct Run
    {
        QString text;
        bool bold = false;
        bool italic = false;
    };
    using Paragraph = QList<Run>;

    void appendToParagraph(const QString &text);

    QList<Paragraph> m_paragraphs;
    bool m_bold = false;
    bool m_italic = false;
    mutable QString m_error;
};
