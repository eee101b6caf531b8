#pragma once

#include <QString>
#include <QStringList>

// A small RTF writer for the shipped answers: plain paragraphs in a sans-serif
// font, code lines verbatim in a monospace font.
namespace KbDataRtf {

// Escapes text for RTF: \ { } and tabs; characters past ASCII as \uN?.
QString escape(const QString &text);

// Converts an answer written as text: blank lines separate paragraphs, lines that
// start with four blanks are code and are kept line by line.
QString fromText(const QStringList &lines);

} // namespace KbDataRtf
