#pragma once

#include <QByteArrayView>
#include <QString>

class QTextDocument;

// Reads RTF into a QTextDocument. Built for untrusted input: one loop without recursion, capped
// group depth and parameters, tolerant of unbalanced braces. Groups nested past the cap are read
// in the formats of the deepest group kept, so no text is lost. Pictures and objects are kept as
// object characters carrying their group's bytes, so the writer can put them back unchanged; an
// object's result text is shown after its character. Hidden text is shown, marked as hidden.
class RtfReader
{
public:
    static constexpr int MaxDepth = 256;

    // True when the data starts with "{\rtf" (blanks before it allowed).
    static bool isRtf(QByteArrayView data);
    static bool isRtf(QStringView text);

    // Replaces the document's content. Input that is not RTF is plain text (UTF-8 when it is
    // valid UTF-8, Windows-1252 otherwise).
    static void read(QByteArrayView data, QTextDocument *doc);
    static void read(const QByteArray &data, QTextDocument *doc)
    {
        read(QByteArrayView(data), doc);
    }
    // The same for text held in a string (a memo field): raw characters beyond ASCII stand for
    // themselves instead of for bytes of a code page.
    static void read(const QString &text, QTextDocument *doc);
};
