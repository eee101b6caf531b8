#include "panel.h"

#include "platform/controls/controlids.h"
#include "platform/controls/ctlserver.h"

namespace {

ControlServer &server()
{
    // Never destroyed: instances may outlive static destruction at exit.
    static auto *instance = new ControlServer(
        ControlClassEntry{
            QLatin1String(ControlIds::Panel::ProgId),
            QLatin1String(ControlIds::Panel::ClassId),
            QLatin1String(ControlIds::Panel::Library),
            {},
            QLatin1String(ControlIds::Panel::FileVersion),
            QLatin1String(ControlIds::Panel::DispatchId),
            QLatin1String(ControlIds::Panel::EventsId),
            QLatin1String(ControlIds::Panel::TypeLibId),
            QLatin1String(ControlIds::Panel::TypeLibVersion),
        },
        [](QWidget *parent) { return new Panel(parent); });
    return *instance;
}

} // namespace

MARLUX_CONTROL_EXPORT int DllCanUnloadNow()
{
    return server().canUnloadNow();
}

MARLUX_CONTROL_EXPORT int DllGetClassObject(const char *classId, const char *interfaceId,
                                            void **object)
{
    return server().getClassObject(classId, interfaceId, object);
}

MARLUX_CONTROL_EXPORT int DllRegisterServer()
{
    return server().registerServer(reinterpret_cast<const void *>(&DllRegisterServer));
}

MARLUX_CONTROL_EXPORT int DllUnregisterServer()
{
    return server().unregisterServer();
}
