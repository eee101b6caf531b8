#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace db {

class Database;

struct OpenOptions
{
    bool exclusive = false; // refuses other processes while open
    bool readOnly = false;
    // The password given to the gate; none and "" both open an unprotected file.
    std::optional<QString> password;
    // A connection of its own instead of the one this process shares for the file,
    // for work on another thread. An exclusive open elsewhere in this process then
    // refuses it like another process.
    bool privateConnection = false;
};

// Opens, compacts and checks database files; keeps the registry of open databases.
//
// Files are SQLite files whatever their extension. Opening never creates a file.
// All databases of one file in this process share one connection, so "exclusive"
// refuses other processes but never this process's own opens.
class DBEngine
{
public:
    // connect: "", "Access 2000;" or either followed by "pwd=<password>" (";pwd=" alone
    // means no password); anything else raises 3170.
    static std::shared_ptr<Database> OpenDatabase(const QString &name, bool exclusive = false,
                                                  bool readOnly = false,
                                                  const QString &connect = QString());
    static std::shared_ptr<Database> openDatabase(const QString &name, const OpenOptions &options);

    // Creates a new, empty database file with the engine's catalogue tables; 3204 when
    // the file exists. The only way the engine makes a file.
    static std::shared_ptr<Database> CreateDatabase(const QString &name);

    // Copies source into destination, which must not exist, dropping free pages.
    // The copy is checked (integrity, row counts) and synced before this returns.
    static void CompactDatabase(const QString &source, const QString &destination);
    // Checks a file; a damaged file raises 3049 and is left as it is.
    static void RepairDatabase(const QString &name);
    // Compacts a file into a checked copy beside it and renames the copy over it.
    // temporaryHint names the copy when no file of that name exists; otherwise a
    // unique name beside it is used. Refused while the file is open here (3045) and
    // when it is read-only (3027).
    static void compactInPlace(const QString &source, const QString &temporaryHint = QString());
    // Removes the copies compactions left in folder, with their journals: a file named as a
    // copy is removed only when its first bytes show it is one (CompactCopy::isCopy), it is
    // not held by a running compaction and not open here. Everything else stays, a journal
    // alone included.
    static void removeCompactLeftovers(const QString &folder);
    // A copy a compaction holds or left: named as one, and held or proved to be one. A user's
    // file of such a name is none.
    static bool isCompactCopy(const QString &path);

    // Backslashes become separators, doubled separators collapse, ".mdb" is added to a
    // name without an extension.
    static QString resolvePath(const QString &name);
    // Splits a connect string; raises 3170 for a foreign source.
    static std::optional<QString> passwordFromConnect(const QString &connect);

    static bool isOpen(const QString &name);
    static int openDatabaseCount();
    static void closeAll();
};

} // namespace db
