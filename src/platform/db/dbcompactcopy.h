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

// Writes SQLite's first bytes over the marker once the copy is complete and on disk. With a
// source, the copy's change counter and the number that says its page count is valid also
// become a stamp drawn from the copy's inode and the source's identity, which marks it as a
// finished copy of that file until SQLite's next write changes it: a copy cut off before its
// rename is still known, and the database it replaces loses nothing if it is cut off after.
// Once the source is gone, the stamp names no file, so the database is never taken for a copy.
// With wal the copy is kept in WAL mode, as its source was.
bool unmark(int fd, const QString &source, bool wal = false);

// The file open on fd is a finished copy of source, still stamped as such.
bool isFinishedCopyOf(int fd, const QString &source);

// The file open on fd is a compaction's copy: it starts with the marker, or it is a finished
// copy of a file still in folder. A copy of it made elsewhere has another inode, and is no copy.
bool isCopy(int fd, const QString &folder);

} // namespace db::CompactCopy
