#include "rtfunrtf.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace TestSupport {

namespace {

// unrtf's own text configuration plus what it needs to print characters beyond Latin-1.
QByteArray tagFile()
{
    QFile base(QStringLiteral("/usr/share/unrtf/text.conf"));
    QByteArray tags = base.open(QIODevice::ReadOnly) ? base.readAll() : QByteArray();
    tags += "\nunisymbol_print\n\t&#%;\nutf8_encoding\n\t\n"
            "chars.nonbreaking_space\n\t \n"
            "chars.left_quote\n\t&#8216;\nchars.right_quote\n\t&#8217;\n"
            "chars.left_dbl_quote\n\t&#8220;\nchars.right_dbl_quote\n\t&#8221;\n"
            "chars.endash\n\t&#8211;\nchars.emdash\n\t&#8212;\nchars.bullet\n\t&#8226;\n";
    return tags;
}

} // namespace

namespace {

QString runUnrtf(const QByteArray &rtf, bool unicode)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
    if (program.isEmpty())
        return QString();
    QTemporaryDir dir;
    QFile tags(dir.filePath(QStringLiteral("rtfcompare.conf")));
    QFile input(dir.filePath(QStringLiteral("input.rtf")));
    if (!tags.open(QIODevice::WriteOnly) || !input.open(QIODevice::WriteOnly))
        return QString();
    tags.write(tagFile());
    tags.close();
    input.write(rtf);
    input.close();
    QProcess process;
    process.setWorkingDirectory(dir.path());
    if (unicode)
        process.start(program,
                      {QStringLiteral("--nopict"), QStringLiteral("-P"), dir.path(),
                       QStringLiteral("-t"), QStringLiteral("rtfcompare"), input.fileName()});
    else
        process.start(program,
                      {QStringLiteral("--nopict"), QStringLiteral("--text"), input.fileName()});
    if (!process.waitForFinished(30000))
        return QString();
    const QByteArray out = process.readAllStandardOutput();
    return unicode ? QString::fromUtf8(out) : QString::fromLatin1(out);
}

} // namespace

QString unrtfText(const QByteArray &rtf)
{
    return runUnrtf(rtf, true);
}

QString unrtfPlainText(const QByteArray &rtf)
{
    return runUnrtf(rtf, false);
}

QString rtfComparable(const QString &text)
{
    QString kept;
    for (const QString &line : text.split(u'\n')) {
        if (line.startsWith(QLatin1String("###")) ||
            line.trimmed() == QLatin1String("-----------------"))
            continue;
        kept += line;
        kept += u'\n';
    }
    static const QRegularExpression entity(QStringLiteral("&#(\\d+);"));
    QString decoded;
    qsizetype from = 0;
    for (auto it = entity.globalMatch(kept); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        decoded += QStringView(kept).sliced(from, match.capturedStart() - from);
        decoded += QChar(char16_t(match.captured(1).toUInt()));
        from = match.capturedEnd();
    }
    decoded += QStringView(kept).sliced(from);
    QString out;
    for (const QChar c : decoded) {
        if (!c.isSpace() && c != QChar::ParagraphSeparator && c != QChar::LineSeparator)
            out += c;
    }
    return out;
}

} // namespace TestSupport
