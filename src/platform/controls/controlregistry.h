#pragma once

#include <QString>

#include <optional>

// One creatable control class as its library registered it.
struct ControlClassEntry
{
    QString progId;
    QString classId;
    QString libraryName; // "BrennD"
    QString libraryPath; // the shared library file that serves the class
    QString version;     // file version of the library
    QString dispatchId;  // default dispatch interface
    QString eventsId;    // event interface
    QString typeLibId;
    QString typeLibVersion;
};

// The registration store: an INI file mapping ProgIDs to class ids and class ids
// to their library. Libraries write it from their registration entry points, the
// program's control host reads it.
class ControlRegistry
{
public:
    // MARLUX_CONTROL_REGISTRY when set, otherwise a per-user configuration file.
    static QString defaultFileName();

    explicit ControlRegistry(QString fileName = defaultFileName());

    QString fileName() const { return m_fileName; }

    bool registerClass(const ControlClassEntry &entry);
    // Removes the class only while the ProgID still points at classId.
    bool unregisterClass(const QString &progId, const QString &classId);
    std::optional<ControlClassEntry> lookup(const QString &progId) const;

    // The file of the shared object that holds address (a function of it).
    static QString modulePath(const void *address);

private:
    QString m_fileName;
};
