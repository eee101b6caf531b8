// Reads and writes a 1 MB answer and colours 1 MB against 300 keywords, each next to unrtf
// reading the same file. Prints milliseconds (median of several runs) and MB/s.
#include "editor/keywordcolourer.h"
#include "platform/richtext/richtextbox.h"
#include "platform/richtext/rtfreader.h"
#include "platform/richtext/rtfwriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr qsizetype kTarget = 1024 * 1024;

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

QStringList makeKeywords()
{
    QStringList keywords = {"Dim",    "As",      "Integer", "String",  "Long",     "If",
                            "Then",   "Else",    "End",     "For",     "Next",     "Do",
                            "Loop",   "While",   "Wend",    "Sub",     "Function", "Private",
                            "Public", "Set",     "New",     "Nothing", "Call",     "ByVal",
                            "ByRef",  "Boolean", "True",    "False",   "Select",   "Case"};
    for (int i = keywords.size(); i < 300; ++i)
        keywords << QStringLiteral("Keyword%1").arg(i);
    return keywords;
}

// Code-like lines, about 60 characters each, with a comment now and then.
QString codeText(qsizetype size)
{
    static const char *lines[] = {
        "    Dim counter As Integer ' how many records were read",
        "    If counter > 0 Then Call ShowRecords(counter, True)",
        "    For i = 1 To recordCount: total = total + i: Next",
        "    Set rs = db.OpenRecordset(\"SELECT * FROM [Topics]\")",
        "    Private Function Keyword42(ByVal name As String) As Long",
        "    Don't forget: the answer's text is stored as rich text.",
    };
    QString text;
    text.reserve(size + 100);
    for (int i = 0; text.size() < size; ++i) {
        text += QString::fromLatin1(lines[i % 6]);
        text += u'\n';
    }
    return text;
}

// A 1 MB answer: code with bold, italic and coloured runs, some paragraphs centred.
QByteArray makeAnswer(QTextDocument &doc)
{
    const QString text = codeText(kTarget * 7 / 10);
    doc.setPlainText(text);
    QTextCursor cursor(&doc);
    QTextCharFormat base;
    base.setFontFamilies({QStringLiteral("Courier New")});
    base.setFontPointSize(10);
    cursor.select(QTextCursor::Document);
    cursor.setCharFormat(base);
    QTextCharFormat bold = base;
    bold.setFontWeight(QFont::Bold);
    bold.setForeground(QColor(0, 0, 255));
    QTextCharFormat note = base;
    note.setFontItalic(true);
    note.setForeground(QColor(0, 128, 0));
    int n = 0;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next(), ++n) {
        const QString line = block.text();
        const int quote = int(line.indexOf(u" '"));
        QTextCursor run(block);
        if (line.size() < 8)
            continue;
        run.setPosition(block.position() + 4);
        run.setPosition(block.position() + 7, QTextCursor::KeepAnchor);
        run.setCharFormat(bold);
        if (quote > 0) {
            run.setPosition(block.position() + quote + 1);
            run.setPosition(block.position() + int(line.size()), QTextCursor::KeepAnchor);
            run.setCharFormat(note);
        }
        if (n % 10 == 0) {
            QTextBlockFormat centred;
            centred.setAlignment(Qt::AlignHCenter);
            run.setBlockFormat(centred);
        }
    }
    return RtfWriter::write(&doc);
}

double unrtfMs(const QString &path)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
    if (program.isEmpty())
        return -1;
    return medianMs(3, [&] {
        QProcess process;
        process.start(program, {QStringLiteral("--text"), QStringLiteral("--nopict"), path});
        process.waitForFinished(60000);
        process.readAllStandardOutput();
    });
}

void line(const char *what, double ms, qsizetype bytes, double unrtf)
{
    const double mbps = bytes / 1048576.0 / (ms / 1000.0);
    if (unrtf >= 0)
        std::printf("%-44s %9.1f ms %8.1f MB/s   unrtf --text: %8.1f ms\n", what, ms, mbps, unrtf);
    else
        std::printf("%-44s %9.1f ms %8.1f MB/s   unrtf --text: not installed\n", what, ms, mbps);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    QTextDocument source;
    const QByteArray answer = makeAnswer(source);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("answer.rtf"));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(answer);
    }
    std::printf("answer: %.2f MB of RTF, %d paragraphs, %lld characters\n",
                answer.size() / 1048576.0, source.blockCount(),
                static_cast<long long>(source.characterCount()));
    const double unrtf = unrtfMs(path);

    const double readMs = medianMs(5, [&] {
        QTextDocument doc;
        RtfReader::read(answer, &doc);
    });
    line("read 1 MB answer (RtfReader::read)", readMs, answer.size(), unrtf);
    // the least any reader into a QTextDocument pays: the same text and paragraphs, no formats
    const QString sourceText = source.toPlainText();
    const double floorMs = medianMs(5, [&] {
        QTextDocument doc;
        doc.setPlainText(sourceText);
    });
    line("  (QTextDocument::setPlainText, same text)", floorMs, answer.size(), unrtf);

    QTextDocument read;
    RtfReader::read(answer, &read);
    QByteArray written;
    const double writeMs = medianMs(5, [&] { written = RtfWriter::write(&read); });
    line("write 1 MB answer (RtfWriter::write)", writeMs, written.size(), unrtf);
    std::printf("write(read(answer)) == answer: %s\n", written == answer ? "yes" : "NO");

    RichTextBox box;
    const double boxMs = medianMs(5, [&] { box.setTextRtf(QString::fromLatin1(answer)); });
    line("load 1 MB answer into RichTextBox", boxMs, answer.size(), unrtf);

    // colouring: 1 MB of text against 300 keywords
    const QString code = codeText(kTarget);
    const QStringList keywords = makeKeywords();
    KeywordColourer scanner;
    scanner.setKeywords(keywords);
    size_t spans = 0;
    const double spanMs = medianMs(5, [&] { spans = scanner.spans(code).size(); });
    line("colour 1 MB, 300 keywords: keyword scan", spanMs, code.size(), unrtf);

    QTextDocument plain;
    plain.setPlainText(code);
    KeywordColourer colourer(&plain);
    colourer.setKeywords(keywords);
    const double colourMs = medianMs(5, [&] { colourer.rehighlight(); });
    line("colour 1 MB, 300 keywords: rehighlight", colourMs, code.size(), unrtf);

    // on screen: loading lays the answer out once, colours included; the scan after it (what
    // showing a record runs) finds them in place
    RichTextBox shown;
    shown.resize(800, 600);
    shown.show();
    KeywordColourer onScreen(shown.document());
    onScreen.setKeywords(keywords);
    const QString codeRtf = QString::fromLatin1([&] {
        QTextDocument doc;
        doc.setPlainText(code);
        return RtfWriter::write(&doc);
    }());
    RichTextBox uncoloured;
    uncoloured.resize(800, 600);
    uncoloured.show();
    const double plainLoadMs = medianMs(3, [&] { uncoloured.setTextRtf(codeRtf); });
    line("load 1 MB into a shown box, no colouring", plainLoadMs, code.size(), unrtf);
    const double loadMs = medianMs(3, [&] { shown.setTextRtf(codeRtf); });
    line("load and colour 1 MB in a shown box", loadMs, code.size(), unrtf);
    const double scanMs = medianMs(3, [&] { onScreen.rehighlight(); });
    line("colour 1 MB, 300 keywords: scan in shown box", scanMs, code.size(), unrtf);
    const double layoutMs = medianMs(
        3, [&] { shown.document()->markContentsDirty(0, shown.document()->characterCount()); });
    line("(Qt's own relayout of 1 MB in the box)", layoutMs, code.size(), unrtf);
    std::printf("keyword and comment spans in 1 MB: %zu\n", spans);
    return 0;
}
