#include "platform/controls/ctlserver.h"

#include <QWidget>

ControlServer::ControlServer(ControlClassEntry entry, Create create)
    : m_entry(std::move(entry)), m_create(std::move(create))
{}

int ControlServer::registerServer(const void *addressInLibrary)
{
    ControlClassEntry entry = m_entry;
    entry.libraryPath = ControlRegistry::modulePath(addressInLibrary);
    if (entry.libraryPath.isEmpty())
        return ControlAbi::RegistrationFailed;
    return ControlRegistry().registerClass(entry) ? ControlAbi::Ok : ControlAbi::RegistrationFailed;
}

int ControlServer::unregisterServer()
{
    return ControlRegistry().unregisterClass(m_entry.progId, m_entry.classId)
               ? ControlAbi::Ok
               : ControlAbi::RegistrationFailed;
}

int ControlServer::getClassObject(const char *classId, const char *interfaceId, void **object)
{
    if (object == nullptr)
        return ControlAbi::InvalidArgument;
    *object = nullptr;
    if (classId == nullptr ||
        QString::fromLatin1(classId).compare(m_entry.classId, Qt::CaseInsensitive) != 0)
        return ControlAbi::ClassNotAvailable;
    if (interfaceId == nullptr || qstricmp(interfaceId, ControlAbi::ClassFactoryId) != 0)
        return ControlAbi::NoInterface;
    *object = static_cast<IControlClassFactory *>(this);
    return ControlAbi::Ok;
}

int ControlServer::canUnloadNow() const
{
    return m_objects == 0 && m_locks == 0 ? ControlAbi::Ok : ControlAbi::False;
}

QWidget *ControlServer::createInstance(QWidget *parent, const char *dispatchId)
{
    if (dispatchId == nullptr ||
        QString::fromLatin1(dispatchId).compare(m_entry.dispatchId, Qt::CaseInsensitive) != 0)
        return nullptr;
    QWidget *control = m_create(parent);
    if (control == nullptr)
        return nullptr;
    ++m_objects;
    QObject::connect(control, &QObject::destroyed, [this] { --m_objects; });
    return control;
}

void ControlServer::lockServer(bool lock)
{
    if (lock)
        ++m_locks;
    else if (m_locks > 0)
        --m_locks;
}
