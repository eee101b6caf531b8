#pragma once

#include <QByteArray>

class QTextDocument;

// Writes a QTextDocument as RTF: a font and a colour table, character runs, paragraph formats,
// and kept picture and object groups exactly as they were read. The output is 7-bit: characters
// beyond Windows-1252 are written as \uN. Reading the output back and writing it again gives the
// same bytes.
class RtfWriter
{
public:
    static QByteArray write(const QTextDocument *doc);
};
