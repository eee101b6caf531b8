#include "tools/ftp/FtpReplyParser.h"

namespace {

// A line stuck without a line end this long is taken as it is, so the buffer stays bounded.
constexpr qsizetype maxLineLength = 1 << 20;

// Exactly three digits, then a blank, a dash or the line end ("3310" is no code 331).
bool startsWithCode(const QByteArray &line, qsizetype from)
{
    if (line.size() < from + 3)
        return false;
    for (int i = 0; i < 3; ++i) {
        const char c = line.at(from + i);
        if (c < '0' || c > '9')
            return false;
    }
    if (line.size() == from + 3)
        return true;
    const char next = line.at(from + 3);
    return next == ' ' || next == '-' || next == '\r' || next == '\n';
}

int codeAt(const QByteArray &bytes, qsizetype from)
{
    return (bytes.at(from) - '0') * 100 + (bytes.at(from + 1) - '0') * 10 +
           (bytes.at(from + 2) - '0');
}

} // namespace

QByteArray FtpReply::firstLine() const
{
    qsizetype end = text.indexOf('\n');
    QByteArray line = end < 0 ? text : text.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

bool takeFtpReply(QByteArray &buffer, FtpReply &reply)
{
    qsizetype lineEnd = buffer.indexOf('\n');
    if (lineEnd < 0) {
        if (buffer.size() < maxLineLength)
            return false;
        reply.code = 0;
        reply.text = buffer;
        buffer.clear();
        return true;
    }
    qsizetype replyEnd = lineEnd + 1;
    const bool coded = startsWithCode(buffer, 0);
    if (coded && lineEnd > 3 && buffer.at(3) == '-') {
        const int code = codeAt(buffer, 0);
        // A multi-line reply ends at the first later line "xyz " (or a bare "xyz").
        qsizetype start = replyEnd;
        for (;;) {
            const qsizetype end = buffer.indexOf('\n', start);
            if (end < 0) {
                if (buffer.size() - start < maxLineLength)
                    return false;
                replyEnd = buffer.size();
                break;
            }
            qsizetype contentEnd = end;
            if (contentEnd > start && buffer.at(contentEnd - 1) == '\r')
                --contentEnd;
            if (startsWithCode(buffer, start) && codeAt(buffer, start) == code &&
                (contentEnd - start == 3 || buffer.at(start + 3) == ' ')) {
                replyEnd = end + 1;
                break;
            }
            start = end + 1;
        }
        reply.code = code;
    } else {
        reply.code = coded ? codeAt(buffer, 0) : 0;
    }
    reply.text = buffer.left(replyEnd);
    buffer.remove(0, replyEnd);
    return true;
}
