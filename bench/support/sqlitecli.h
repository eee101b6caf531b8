#pragma once

#include <QString>

namespace BenchSupport {

// Runs a script in the sqlite3 tool on a file, its output thrown away, and returns the
// seconds of "Run Time: real" the tool reports, summed over the script's statements.
// wallMs, when given, receives the whole run with the tool's start.
double sqliteCliSeconds(const QString &file, const QString &script, qint64 *wallMs = nullptr);

} // namespace BenchSupport
