#pragma once

#include <QString>

namespace db {
class DataControl;
}

// The Data View as the main window sees it: the window lives in a library this one cannot
// link, so it is reached through this interface.
class DataViewLink
{
public:
    virtual ~DataViewLink() = default;

    // The path the window opens on its next FormLoadInit.
    virtual QString DatabaseName() const = 0;
    virtual void setDatabaseName(const QString &name) = 0;
    virtual db::DataControl *dataControl() const = 0;
    // Opens DatabaseName; false (and the window closed) when it cannot be shown.
    virtual bool FormLoadInit() = 0;
    // The password of the database shown ("" when none).
    virtual QString password() const = 0;
    virtual void setQueryText(const QString &text) = 0;
    // Drops a table of the open database and takes it off the table list. Throws AppException.
    virtual void dropTable(const QString &name) = 0;
    // Shows the window maximised with its status.
    virtual void showDataView() = 0;
};
