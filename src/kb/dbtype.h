#pragma once

#include <QString>

#include <optional>

class DataViewLink;

// Maps a source kind to the connect string of the Data View's data control and hands the
// file to the Data View. Made for one call.
class DBType
{
public:
    // Sets the Data View's database path and its data control's connect string: kinds 1 to 8
    // from the table, 9 as typed into an input box, any other kind leaves it as it is.
    void ConnectionType(DataViewLink *dataView, const QString &path, long kind);

    // The connect string of kinds 1 to 8; nothing for any other kind.
    static std::optional<QString> connectString(long kind);
};
