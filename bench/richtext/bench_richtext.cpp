// Reads 1 MiB of densely formatted RTF, alternating with unrtf on the same file and with Qt
// building the same document from prebuilt formats (the least any reader pays); then reads and
// writes a 1 MB answer and colours 1 MB against 300 keywords. Prints milliseconds and MB/s.
#include "editor/keywordcolourer.h"
#include "platform/richtext/richtextbox.h"
#include "platform/richtext/rtfreader.h"
#include "platform/richtext/rtfwriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#if MARLUX_RTF_PIECES
#include <private/qtextdocument_p.h>
#endif

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

struct Spread
{
    double min, median, max;
};

Spread spread(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2], times.back()};
}

double elapsedMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

// 1 MiB of text whose format changes every few words: bold, italic, colours, fonts, sizes.
QByteArray makeDense()
{
    static const char *pieces[] = {
        "\\b lorem ipsum\\b0  dolor sit ",
        "{\\i amet, consectetur} adipiscing ",
        "\\cf1 elit sed\\cf0  do eiusmod ",
        "\\f1\\fs18 tempor incididunt\\f0\\fs20  ut labore ",
        "\\ul et dolore\\ulnone  magna aliqua. ",
        "{\\b\\i\\cf2 Ut enim} ad minim ",
        "veniam, \\highlight3 quis nostrud\\highlight0  exercitation ",
        "ullamco {\\strike laboris} nisi ut ",
        "aliquip ex\\super 2\\nosupersub  ea commodo ",
        "consequat caf\\'e9 \\u8364? \\'93quoted\\'94 text.\\par\r\n",
    };
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
                     "{\\f1\\fmodern\\fcharset0 Courier New;}}\r\n"
                     "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;"
                     "\\red255\\green255\\blue0;}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 ";
    rtf.reserve(kTarget + 256);
    for (int i = 0; rtf.size() < kTarget - 64; ++i) {
        if (i % 40 == 39)
            rtf += "\\pard\\qc\\sb120 ";
        else if (i % 40 == 0)
            rtf += "\\pard ";
        rtf += pieces[i % 10];
    }
    rtf += "}\r\n";
    return rtf;
}

// What Qt pays to build doc again from its own blocks, runs and formats.
struct Build
{
    QTextBlockFormat blockFormat;
    QTextCharFormat blockCharFormat;
    std::vector<std::pair<QString, QTextCharFormat>> runs;
};

// Formats keep their hash once compared, which spares the document hashing them per run (the
// reader does the same).
template <typename Format> Format hashed(const Format &format)
{
    QTextFormat probe(format.type());
    probe.setProperty(QTextFormat::UserProperty, true);
    [[maybe_unused]] const bool same = format == probe;
    return format;
}

std::vector<Build> runsOf(const QTextDocument &doc)
{
    std::vector<Build> blocks;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        Build build{hashed(block.blockFormat()), hashed(block.charFormat()), {}};
        for (auto it = block.begin(); !it.atEnd(); ++it)
            build.runs.emplace_back(it.fragment().text(), hashed(it.fragment().charFormat()));
        blocks.push_back(std::move(build));
    }
    return blocks;
}

void buildFrom(const std::vector<Build> &blocks, QTextDocument &doc)
{
    doc.setUndoRedoEnabled(false);
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    bool first = true;
    for (const Build &block : blocks) {
        if (first) {
            cursor.setBlockFormat(block.blockFormat);
            cursor.setBlockCharFormat(block.blockCharFormat);
            first = false;
        } else {
            cursor.insertBlock(block.blockFormat, block.blockCharFormat);
        }
        for (const auto &[text, format] : block.runs)
            cursor.insertText(text, format);
    }
    cursor.endEditBlock();
}

#if MARLUX_RTF_PIECES
// The same straight into the document's pieces with the format indices known beforehand, the
// way the reader builds: what is left is the document's own insert.
double insertFrom(const std::vector<Build> &blocks, QTextDocument &doc)
{
    doc.setUndoRedoEnabled(false);
    QTextDocumentPrivate *priv = QTextDocumentPrivate::get(&doc);
    QTextFormatCollection *formats = priv->formatCollection();
    std::vector<std::vector<int>> indices;
    std::vector<std::pair<int, int>> blockIndices;
    for (const Build &block : blocks) {
        blockIndices.emplace_back(formats->indexForFormat(block.blockFormat),
                                  formats->indexForFormat(block.blockCharFormat));
        std::vector<int> runs;
        for (const auto &run : block.runs)
            runs.push_back(formats->indexForFormat(run.second));
        indices.push_back(std::move(runs));
    }
    QElapsedTimer timer;
    timer.start();
    priv->beginEditBlock();
    int end = 0;
    for (size_t b = 0; b < blocks.size(); ++b) {
        if (b > 0)
            priv->insertBlock(end++, blockIndices[b].first, blockIndices[b].second);
        for (size_t r = 0; r < blocks[b].runs.size(); ++r) {
            const QString &text = blocks[b].runs[r].first;
            priv->insert(end, text, indices[b][r]);
            end += int(text.size());
        }
    }
    priv->endEditBlock();
    return timer.nsecsElapsed() / 1e6;
}
#endif

void denseReading(const QString &unrtf, const QTemporaryDir &dir)
{
    const QByteArray dense = makeDense();
    const QString path = dir.filePath(QStringLiteral("dense.rtf"));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(dense);
    }
    QTextDocument model;
    RtfReader::read(dense, &model);
    const std::vector<Build> blocks = runsOf(model);
    size_t runs = 0;
    for (const Build &block : blocks)
        runs += block.runs.size();
    std::printf("dense: %.2f MiB of RTF, %zu paragraphs, %zu runs\n", dense.size() / 1048576.0,
                blocks.size(), runs);

    constexpr int kRounds = 7;
    std::vector<double> ours, floor, pieces, peer;
    for (int round = 0; round < kRounds; ++round) {
        {
            QTextDocument doc;
            ours.push_back(elapsedMs([&] { RtfReader::read(dense, &doc); }));
        }
        {
            QTextDocument doc;
            floor.push_back(elapsedMs([&] { buildFrom(blocks, doc); }));
        }
#if MARLUX_RTF_PIECES
        {
            QTextDocument doc;
            pieces.push_back(insertFrom(blocks, doc));
        }
#endif
        if (!unrtf.isEmpty()) {
            peer.push_back(elapsedMs([&] {
                QProcess process;
                process.start(unrtf, {QStringLiteral("--text"), QStringLiteral("--nopict"), path});
                process.waitForFinished(60000);
                process.readAllStandardOutput();
            }));
        }
    }
    auto show = [&](const char *what, const std::vector<double> &times) {
        const Spread s = spread(times);
        std::printf("  %-36s min %7.1f  median %7.1f  max %7.1f ms  %6.1f MB/s\n", what, s.min,
                    s.median, s.max, dense.size() / 1048576.0 / (s.median / 1000.0));
    };
    std::printf("read 1 MiB dense RTF, %d rounds alternating:\n", kRounds);
    show("RtfReader::read", ours);
    show("Qt building it through a cursor", floor);
    if (!pieces.empty())
        show("Qt's own inserts (indices known)", pieces);
    const double oursMedian = spread(ours).median;
    std::printf("  reader / cursor build: %.2f", oursMedian / spread(floor).median);
    // without Qt's private headers the cursor is the least a reader pays
    const char *least = pieces.empty() ? "the cursor build" : "Qt's own inserts";
    const double leastMedian = spread(pieces.empty() ? floor : pieces).median;
    if (!pieces.empty())
        std::printf("; reader / Qt's own inserts: %.2f", oursMedian / leastMedian);
    std::printf(" (the reader's own share: %.1f ms)\n", oursMedian - leastMedian);
    if (peer.empty()) {
        std::printf("  unrtf --text: not installed\n");
        return;
    }
    show("unrtf --text (peer)", peer);
    std::printf("  unrtf / reader: %.1f times (median), %.1f (best of each)\n",
                spread(peer).median / oursMedian, spread(peer).min / spread(ours).min);
    std::printf("  unrtf / %s: %.1f times (the most any reader building this document can "
                "reach)\n",
                least, spread(peer).median / leastMedian);
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

// A huge answer (500,000 short lines) shown in a coloured box, as the record window shows it:
// how long until it is on screen, and the longest the event loop then waits while Qt lays it out.
void hugeAnswer(const QStringList &keywords)
{
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    for (int i = 0; i < 500000; ++i)
        rtf += "\\pard line number " + QByteArray::number(i) + " of text\\par\r\n";
    rtf += "}";
    RichTextBox box;
    box.resize(800, 600);
    box.show();
    KeywordColourer colourer;
    colourer.setDocument(box.document());
    QObject::connect(&box, &RichTextBox::documentReplaced, &colourer,
                     &KeywordColourer::setDocument);
    colourer.setKeywords(keywords);
    QElapsedTimer timer;
    timer.start();
    box.setTextRtf(QString::fromLatin1(rtf));
    const qint64 shown = timer.elapsed();
    qint64 last = shown, worst = 0;
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = timer.elapsed();
        worst = std::max(worst, now - last);
        last = now;
        if (now - shown > 5000)
            loop.quit();
    });
    tick.start();
    loop.exec();
    std::printf("huge answer: %.1f MB, %d lines: on screen after %lld ms; then the longest wait of "
                "the event loop in 5 s: %lld ms\n",
                rtf.size() / 1e6, 500000, static_cast<long long>(shown),
                static_cast<long long>(worst));
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    QTemporaryDir denseDir;
    denseReading(QStandardPaths::findExecutable(QStringLiteral("unrtf")), denseDir);
    if (app.arguments().contains(QStringLiteral("--dense")))
        return 0;
    if (app.arguments().contains(QStringLiteral("--huge"))) {
        hugeAnswer(makeKeywords());
        return 0;
    }

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
    // as the record window does: the box shows a new document per answer
    KeywordColourer onScreen;
    onScreen.setDocument(shown.document());
    QObject::connect(&shown, &RichTextBox::documentReplaced, &onScreen,
                     &KeywordColourer::setDocument);
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
