// Feeds arbitrary server bytes to the reply framing and the listing parser.
#include "tools/ftp/FtpListingParser.h"
#include "tools/ftp/FtpReplyParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    // Framing: the bytes arrive split at an arbitrary point; every reply taken must be a
    // prefix of what is left, and the buffer must shrink.
    const qsizetype split = size > 0 ? qsizetype(data[0]) % (input.size() + 1) : 0;
    QByteArray buffer = input.left(split);
    QByteArray taken;
    FtpReply reply;
    for (int pass = 0; pass < 2; ++pass) {
        while (true) {
            const qsizetype before = buffer.size();
            if (!takeFtpReply(buffer, reply))
                break;
            if (reply.text.isEmpty() || buffer.size() >= before || reply.code < 0 ||
                reply.code > 999)
                abort();
            taken += reply.text;
            (void)reply.firstLine();
        }
        if (pass == 0)
            buffer += input.mid(split);
    }
    if (taken + buffer != input)
        abort();

    // Listing lines: any entry must carry a name and a sane size (-1 is unknown).
    const CFtpFiles files = parseListing(input, QDate(2026, 3, 10));
    for (const CFtpFile &file : files) {
        if (file.rawName.isEmpty() || file.fileSize < -1)
            abort();
    }
    return 0;
}
