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
