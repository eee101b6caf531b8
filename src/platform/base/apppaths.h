#pragma once

#include <QString>

// Where the program keeps its writable data (databases, history files, backgrounds).
//
// The folder beside the executable when it is writable, otherwise a per-user data
// folder seeded once from the shipped files. MARLUX_HOME overrides both.
namespace AppPaths {

QString dataRoot();         // no trailing separator
QString shippedRoot();      // the folder the shipped data was installed to
QString databaseFolder();   // dataRoot() + "/Database/"
QString applicationTitle(); // "Marlux"

// Copies the shipped files that the data root lacks; never overwrites a user's file.
void seedDataRoot(const QString &root, const QString &shipped);

} // namespace AppPaths

// The program folder with exactly one trailing separator.
QString GetAppPath();

// Trims blanks and one trailing separator.
QString StripBackslash(const QString &text);
