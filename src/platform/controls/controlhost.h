#pragma once

#include "platform/controls/controlabi.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QLibrary;
class QWidget;

// The program's side of control hosting: registers the control libraries found
// beside the program, creates controls by ProgID and hands them their property bags.
// Controls are QWidgets; their properties are read and set through Qt's property
// system (setProperty("Caption", ...)), their events are Qt signals.
class ControlHost
{
public:
    static ControlHost &instance();

    ControlHost();
    ~ControlHost();
    ControlHost(const ControlHost &) = delete;
    ControlHost &operator=(const ControlHost &) = delete;

    // Where the libraries are looked for; the program's folder unless set.
    QString libraryFolder() const;
    void setLibraryFolder(const QString &folder);
    // The file of a library in libraryFolder(): "BrennD" -> ".../libBrennD.so".
    QString libraryFile(const QString &library) const;

    // The libraries the program needs and the ProgID each serves.
    static QStringList libraries();
    static QString progIdOf(const QString &library);

    // Registers each library that is not yet (or no longer) registered, then checks
    // all of them. Returns "" when every control can be created, else the problem.
    QString registerControls();
    // Checks without registering: "" or a message naming the missing library.
    QString checkControls();

    QString registerLibrary(const QString &library);
    QString unregisterLibrary(const QString &library);

    // Creates a control loaded from its saved properties. nullptr on failure (see
    // lastError()); a bad bag value ends the control's read at its key and is reported
    // in lastError().
    QWidget *create(const QString &progId, const QVariantMap &bag, QWidget *parent = nullptr);
    // Creates a newly placed control (no saved properties).
    QWidget *createNew(const QString &progId, QWidget *parent = nullptr);
    // The control's properties as saved; values equal to their default are left out.
    QVariantMap save(const QWidget *control) const;

    // The library's own answer: true when no instance lives and no lock is held.
    bool canUnloadNow(const QString &library);
    // Keeps a library's class object locked (loaded) whether or not instances live.
    bool lockServer(const QString &progId, bool lock);

    QString lastError() const { return m_lastError; }

private:
    struct Loaded
    {
        QLibrary *library = nullptr;
        ControlAbi::RegisterServerFn registerServer = nullptr;
        ControlAbi::UnregisterServerFn unregisterServer = nullptr;
        ControlAbi::GetClassObjectFn getClassObject = nullptr;
        ControlAbi::CanUnloadNowFn canUnloadNow = nullptr;
    };

    const Loaded *load(const QString &library, const QString &path, QString *error);
    IControlClassFactory *factory(const QString &progId, QString *error);
    QWidget *createControl(const QString &progId, const QVariantMap *bag, QWidget *parent);
    QString checkLibrary(const QString &library);

    QString m_folder;
    QHash<QString, Loaded> m_loaded; // by library file path
    QString m_lastError;
};
