#include "kbdatartf.h"

namespace KbDataRtf {

QString escape(const QString &text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        const ushort code = c.unicode();
        if (c == QLatin1Char('\\') || c == QLatin1Char('{') || c == QLatin1Char('}')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (c == QLatin1Char('\t')) {
            out += QStringLiteral("\\tab ");
        } else if (code < 32) {
            continue;
        } else if (code < 128) {
            out += c;
        } else {
            // Surrogate halves are written one by one, as RTF readers expect.
            out += QStringLiteral("\\u%1?").arg(qint16(code));
        }
    }
    return out;
}

QString fromText(const QStringList &lines)
{
    QString body;
    QStringList paragraph;
    bool wrote = false;
    auto separate = [&] {
        if (wrote)
            body += QStringLiteral("\\par\n");
        wrote = true;
    };
    auto flush = [&] {
        if (paragraph.isEmpty())
            return;
        separate();
        body += escape(paragraph.join(QLatin1Char(' '))) + QStringLiteral("\\par\n");
        paragraph.clear();
    };
    bool inCode = false;
    for (const QString &line : lines) {
        const bool code = line.startsWith(QLatin1String("    "));
        if (code) {
            flush();
            if (!inCode)
                separate();
            inCode = true;
            body += QStringLiteral("\\f1 ") + escape(line.mid(4)) + QStringLiteral("\\f0\\par\n");
            continue;
        }
        inCode = false;
        if (line.trimmed().isEmpty()) {
            flush();
            continue;
        }
        paragraph << line.trimmed();
    }
    flush();
    return QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
                          "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
                          "{\\f1\\fmodern\\fcharset0 Courier New;}}\n"
                          "\\viewkind4\\pard\\f0\\fs20 ") +
           body + QStringLiteral("}");
}

} // namespace KbDataRtf
