#pragma once

#include "platform/controls/controlabi.h"
#include "platform/controls/controlregistry.h"

#include <functional>

class QWidget;

// The server side of a control library, compiled into each library: its one
// class object, the count of live instances and locks, and self-registration.
class ControlServer final : public IControlClassFactory
{
public:
    using Create = std::function<QWidget *(QWidget *parent)>;

    // entry names the class; its library path is found at registration time.
    ControlServer(ControlClassEntry entry, Create create);

    int registerServer(const void *addressInLibrary);
    int unregisterServer();
    int getClassObject(const char *classId, const char *interfaceId, void **object);
    int canUnloadNow() const;

    QWidget *createInstance(QWidget *parent, const char *dispatchId) override;
    void lockServer(bool lock) override;

private:
    ControlClassEntry m_entry;
    Create m_create;
    int m_objects = 0;
    int m_locks = 0;
};

#define MARLUX_CONTROL_EXPORT extern "C" __attribute__((visibility("default")))

// Defines a library's one control server (never destroyed: instances may outlive static
// destruction at exit) and the four entry points the host calls.
#define MARLUX_DEFINE_CONTROL_SERVER(Ids, ControlClass)                                        \
    namespace {                                                                                \
    ControlServer &server()                                                                    \
    {                                                                                          \
        static auto *instance = new ControlServer(                                             \
            ControlClassEntry{                                                                 \
                QLatin1String(Ids::ProgId),                                                    \
                QLatin1String(Ids::ClassId),                                                   \
                QLatin1String(Ids::Library),                                                   \
                {},                                                                            \
                QLatin1String(Ids::FileVersion),                                               \
                QLatin1String(Ids::DispatchId),                                                \
                QLatin1String(Ids::EventsId),                                                  \
                QLatin1String(Ids::TypeLibId),                                                 \
                QLatin1String(Ids::TypeLibVersion),                                            \
            },                                                                                 \
            [](QWidget *parent) { return new ControlClass(parent); });                         \
        return *instance;                                                                      \
    }                                                                                          \
    }                                                                                          \
    MARLUX_CONTROL_EXPORT int DllCanUnloadNow() { return server().canUnloadNow(); }            \
    MARLUX_CONTROL_EXPORT int DllGetClassObject(const char *classId, const char *interfaceId,  \
                                                void **object)                                 \
    {                                                                                          \
        return server().getClassObject(classId, interfaceId, object);                          \
    }                                                                                          \
    MARLUX_CONTROL_EXPORT int DllRegisterServer()                                              \
    {                                                                                          \
        return server().registerServer(reinterpret_cast<const void *>(&DllRegisterServer));    \
    }                                                                                          \
    MARLUX_CONTROL_EXPORT int DllUnregisterServer() { return server().unregisterServer(); }
