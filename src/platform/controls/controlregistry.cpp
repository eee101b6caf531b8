#include "platform/controls/controlregistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <dlfcn.h>

namespace {

QString classGroup(const QString &classId)
{
    return QStringLiteral("CLSID/") + classId;
}

QString progIdKey(const QString &progId)
{
    return QStringLiteral("ProgID/") + progId;
}

} // namespace

QString ControlRegistry::defaultFileName()
{
    const QString overridden = qEnvironmentVariable("MARLUX_CONTROL_REGISTRY");
    if (!overridden.isEmpty())
        return overridden;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Marlux/controls.ini");
}

ControlRegistry::ControlRegistry(QString fileName) : m_fileName(std::move(fileName)) {}

bool ControlRegistry::registerClass(const ControlClassEntry &entry)
{
    if (entry.progId.isEmpty() || entry.classId.isEmpty())
        return false;
    QDir().mkpath(QFileInfo(m_fileName).absolutePath());
    QSettings store(m_fileName, QSettings::IniFormat);
    store.setValue(progIdKey(entry.progId), entry.classId);
    store.beginGroup(classGroup(entry.classId));
    store.setValue(QStringLiteral("ProgID"), entry.progId);
    store.setValue(QStringLiteral("LibraryName"), entry.libraryName);
    store.setValue(QStringLiteral("InprocServer"), entry.libraryPath);
    store.setValue(QStringLiteral("Version"), entry.version);
    store.setValue(QStringLiteral("Interface"), entry.dispatchId);
    store.setValue(QStringLiteral("EventInterface"), entry.eventsId);
    store.setValue(QStringLiteral("TypeLib"), entry.typeLibId);
    store.setValue(QStringLiteral("TypeLibVersion"), entry.typeLibVersion);
    store.setValue(QStringLiteral("Control"), true);
    store.endGroup();
    store.sync();
    // The settings writer can report success for a file a full disk left empty: read it back.
    QFile written(m_fileName);
    return store.status() == QSettings::NoError && written.open(QIODevice::ReadOnly) &&
           written.readAll().contains(entry.classId.toUtf8());
}

bool ControlRegistry::unregisterClass(const QString &progId, const QString &classId)
{
    QSettings store(m_fileName, QSettings::IniFormat);
    if (store.value(progIdKey(progId)).toString() == classId)
        store.remove(progIdKey(progId));
    store.remove(classGroup(classId));
    store.sync();
    return store.status() == QSettings::NoError;
}

std::optional<ControlClassEntry> ControlRegistry::lookup(const QString &progId) const
{
    if (!QFileInfo::exists(m_fileName))
        return std::nullopt;
    QSettings store(m_fileName, QSettings::IniFormat);
    const QString classId = store.value(progIdKey(progId)).toString();
    if (classId.isEmpty())
        return std::nullopt;
    store.beginGroup(classGroup(classId));
    ControlClassEntry entry;
    entry.progId = progId;
    entry.classId = classId;
    entry.libraryName = store.value(QStringLiteral("LibraryName")).toString();
    entry.libraryPath = store.value(QStringLiteral("InprocServer")).toString();
    entry.version = store.value(QStringLiteral("Version")).toString();
    entry.dispatchId = store.value(QStringLiteral("Interface")).toString();
    entry.eventsId = store.value(QStringLiteral("EventInterface")).toString();
    entry.typeLibId = store.value(QStringLiteral("TypeLib")).toString();
    entry.typeLibVersion = store.value(QStringLiteral("TypeLibVersion")).toString();
    if (entry.libraryPath.isEmpty())
        return std::nullopt;
    return entry;
}

QString ControlRegistry::modulePath(const void *address)
{
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}
