#pragma once

#include <QString>

#include <vector>

struct sqlite3;

namespace db {

// The one SQLite connection this process holds for a file.
struct Connection
{
    sqlite3 *handle = nullptr;
    QString path;
    int exclusiveUsers = 0;
    // Handles of replaced files, closed with the connection: a caller may still hold one.
    std::vector<sqlite3 *> retired;

    ~Connection();
    void acquireExclusive(); // 3045 when another process holds the file
    void releaseExclusive();
    // Another process compacted the file, putting a new one in its place: writes through
    // the old handle would go to a file nobody sees any more, so open the new one.
    void reopenIfReplaced();
};

// Names of the catalogue tables the engine keeps in every file it writes to.
namespace Catalogue {
inline constexpr const char *Queries = "MSysQueries";
inline constexpr const char *Password = "MSysPassword";
inline constexpr const char *TableAttributes = "MSysTableAttributes";
// Creates the catalogue tables that are missing.
void ensure(sqlite3 *handle);
bool exists(sqlite3 *handle, const char *table);
} // namespace Catalogue

// The password gate: a salted, iterated hash. It keeps honest users out of a file;
// it does not encrypt anything.
namespace PasswordGate {
bool matches(sqlite3 *handle, const QString &password);
void set(sqlite3 *handle, const QString &password); // "" removes it
bool isSet(sqlite3 *handle);
} // namespace PasswordGate

// A savepoint released on commit(), rolled back otherwise.
class Savepoint
{
public:
    explicit Savepoint(sqlite3 *handle);
    ~Savepoint();
    void commit();

private:
    sqlite3 *m_handle;
    bool m_done = false;
};

} // namespace db
