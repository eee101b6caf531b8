#pragma once

#include <QByteArray>
#include <QString>

namespace TestSupport {

// The text the independent reader unrtf extracts from rtf: its text output with Unicode
// characters written as numeric entities (decoded here), pictures off. A null string when unrtf
// is not installed.
QString unrtfText(const QByteArray &rtf);

// The same from unrtf's plain "--text" output, which holds Latin-1 only.
QString unrtfPlainText(const QByteArray &rtf);

// Text reduced for comparing two readers: unrtf's banner lines and body rule dropped, entities
// decoded, every white-space character (line ends, tabs, blanks) removed.
QString rtfComparable(const QString &text);

} // namespace TestSupport
