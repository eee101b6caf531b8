#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class SettingsStore;

// The browser's two small stores: the ten most recently chosen addresses in the
// per-user settings, and the favourites file in the program folder.
namespace WebAddressHistory {

inline constexpr int HistorySize = 10;

QString appName();         // "RavodovirEZ"
QString sectionName();     // "URL History"
QString historyKey(int n); // "URLHistory1" (newest) .. "URLHistory10" (oldest)

// Pushes url onto the history; an address of blanks only is not recorded.
void WriteRecentURLs(SettingsStore &store, const QString &url);
// The recorded addresses, newest first, free keys left out; empty while key 1 is free.
QStringList ReadRecentURLs(const SettingsStore &store);

} // namespace WebAddressHistory

namespace WebFavorites {

// GetAppPath() + "Favorites.txt".
QString favoritesPath();

// Creates the file empty when it is missing; an existing file is left as it is.
bool createFavoritesFile(const QString &path);

// Selection sort of list[first..last] (0-based, inclusive), letter case ignored,
// in the locale's order; equal entries may change places.
void SortByName(QStringList &list, qsizetype first, qsizetype last);

// Trims every line, drops the empty ones and writes the rest back sorted, CRLF-ended.
// The old file stays whole when writing fails. Returns false with *error set when the
// file is missing or cannot be read or written.
bool SortFavorites(const QString &path, QString *error = nullptr);

} // namespace WebFavorites
