#pragma once

#include <QString>

// The copy a compaction writes. From the moment it has a name until it is checked, its first
// bytes are Marker instead of SQLite's own, so a copy cut off at any point (a killed program,
// a full disk) is known as the program's own and never taken for a database by anyone.
namespace db::CompactCopy {

inline constexpr char Marker[] = "Marlux copy\0\0\0\0";
inline constexpr int MarkerSize = 16;
static_assert(sizeof(Marker) == MarkerSize);

// The SQLite file layer that compactions open their files through. A database file that
// starts with Marker reads as the SQLite file it holds (an empty one while it holds only the
// marker), and writes keep the marker on disk. Every other file passes through untouched.
const char *vfsName();

// Creates path holding just the marker, locked with flock() against removal, and returns its
// descriptor; -1 with errno otherwise (EEXIST: the name is taken). Where the file system can,
// the file is made unnamed and linked in whole, so not even an empty copy is ever seen.
int create(const QString &path);

// Writes SQLite's first bytes over the marker once the copy is complete and on disk. With
// stamp the copy's change counter (and the number that says its page count is valid) also
// becomes a value drawn from its inode, which marks it as a finished copy until SQLite's next
// write changes it: a copy cut off before its rename is still known, and the database it
// replaces loses nothing if it is cut off after.
bool unmark(int fd, bool stamp);

// The file open on fd is a compaction's copy: it starts with the marker, or it is a finished
// copy still stamped as such. A copy of it made elsewhere has another inode, and is no copy.
bool isCopy(int fd);

} // namespace db::CompactCopy
