// Reads arbitrary bytes as RTF, writes the result and checks that the writer's output reads back
// to the same output: the reader must neither crash nor hang, and must not lose what it wrote.
#include "platform/richtext/rtfreader.h"
#include "platform/richtext/rtfwriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    // broken pictures make the image decoders complain on every input
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument doc;
    RtfReader::read(input, &doc);
    const QByteArray written = RtfWriter::write(&doc);
    QTextDocument again;
    RtfReader::read(written, &again);
    const QByteArray rewritten = RtfWriter::write(&again);
    if (rewritten != written) {
        std::fprintf(stderr, "write(read(write(d))) differs:\n");
        std::fwrite(written.constData(), 1, size_t(written.size()), stderr);
        std::fprintf(stderr, "\n---\n");
        std::fwrite(rewritten.constData(), 1, size_t(rewritten.size()), stderr);
        std::fprintf(stderr, "\n");
        std::abort();
    }
    // the same input held in a string (a memo field) must be as safe
    QTextDocument fromString;
    RtfReader::read(QString::fromUtf8(input), &fromString);
    return 0;
}
