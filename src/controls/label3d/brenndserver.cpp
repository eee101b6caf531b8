#include "label3d.h"

#include "platform/controls/controlids.h"
#include "platform/controls/ctlserver.h"

namespace {

ControlServer &server()
{
    // Never destroyed: instances may outlive static destruction at exit.
    static auto *instance = new ControlServer(
        ControlClassEntry{
            QLatin1String(ControlIds::Label3D::ProgId),
            QLatin1String(ControlIds::Label3D::ClassId),
            QLatin1String(ControlIds::Label3D::Library),
            {},
            QLatin1String(ControlIds::Label3D::FileVersion),
            QLatin1String(ControlIds::Label3D::DispatchId),
            QLatin1String(ControlIds::Label3D::EventsId),
            QLatin1String(ControlIds::Label3D::TypeLibId),
            QLatin1String(ControlIds::Label3D::TypeLibVersion),
        },
        [](QWidget *parent) { return new Label3D(parent); });
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
