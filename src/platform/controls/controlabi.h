#pragma once

#include <QFont>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <QtPlugin>

class QPaintDevice;
class QWidget;

// The binary contract between the program's control host and a control library.
// A library exports four C entry points; everything else travels through the
// abstract classes below, whose vtables work across the library boundary.
namespace ControlAbi {

// Result codes of the entry points (the values of the platform they stand in for).
constexpr int Ok = 0;
constexpr int False = 1;
constexpr int Fail = int(0x80004005u);
constexpr int NoInterface = int(0x80004002u);
constexpr int InvalidArgument = int(0x80070057u);
constexpr int ClassNotAvailable = int(0x80040111u);
constexpr int RegistrationFailed = int(0x80040200u);

// Interface id of the class factory a library hands out.
constexpr const char ClassFactoryId[] = "{00000001-0000-0000-C000-000000000046}";

using RegisterServerFn = int (*)();
using UnregisterServerFn = int (*)();
using GetClassObjectFn = int (*)(const char *classId, const char *interfaceId, void **object);
using CanUnloadNowFn = int (*)();

} // namespace ControlAbi

// What every control offers its host beside its Qt properties: the property bag.
class IControl
{
public:
    // A new instance placed on a form: only the ambient font is taken.
    virtual void initProperties(const QFont &ambientFont) = 0;
    // Loads the saved properties; a bad value keeps its default and is named in the result.
    virtual QString readProperties(const QVariantMap &bag, const QFont &ambientFont) = 0;
    // The properties as they would be saved; values equal to their default are left out.
    virtual QVariantMap writeProperties(const QFont &ambientFont) const = 0;

protected:
    ~IControl() = default;
};

#define IControl_iid "marlux.controls.IControl/1.0"
Q_DECLARE_INTERFACE(IControl, IControl_iid)

// The class object of one control class.
class IControlClassFactory
{
public:
    // Creates an instance when the library knows dispatchId; nullptr otherwise.
    virtual QWidget *createInstance(QWidget *parent, const char *dispatchId) = 0;
    // Keeps the library loaded while locked, whether or not instances live.
    virtual void lockServer(bool lock) = 0;

protected:
    ~IControlClassFactory() = default;
};

// Panel.hDC travels through the property system as a paint device.
Q_DECLARE_METATYPE(QPaintDevice *)
