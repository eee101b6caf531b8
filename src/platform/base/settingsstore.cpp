#include "platform/base/settingsstore.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {

SettingsStore *installedStore = nullptr;

QString flatKey(const QString &app, const QString &section, const QString &key)
{
    return app + QLatin1Char('\x1f') + section + QLatin1Char('\x1f') + key;
}

} // namespace

SettingsStore &SettingsStore::instance()
{
    if (!installedStore) {
        static IniSettingsStore defaultStore;
        installedStore = &defaultStore;
    }
    return *installedStore;
}

void SettingsStore::setInstance(SettingsStore *store)
{
    installedStore = store;
}

IniSettingsStore::IniSettingsStore(QString folder) : m_folder(std::move(folder))
{
    if (m_folder.isEmpty())
        m_folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                   QStringLiteral("/marlux");
}

QString IniSettingsStore::fileName(const QString &app) const
{
    return m_folder + QLatin1Char('/') + app + QStringLiteral(".ini");
}

QVariant IniSettingsStore::value(const QString &app, const QString &section, const QString &key,
                                 const QVariant &defaultValue) const
{
    QSettings settings(fileName(app), QSettings::IniFormat);
    return settings.value(section + QLatin1Char('/') + key, defaultValue);
}

void IniSettingsStore::setValue(const QString &app, const QString &section, const QString &key,
                                const QVariant &value)
{
    QDir().mkpath(m_folder);
    QSettings settings(fileName(app), QSettings::IniFormat);
    settings.setValue(section + QLatin1Char('/') + key, value);
}

void IniSettingsStore::remove(const QString &app, const QString &section, const QString &key)
{
    QSettings settings(fileName(app), QSettings::IniFormat);
    settings.remove(section + QLatin1Char('/') + key);
}

QVariant MemorySettingsStore::value(const QString &app, const QString &section, const QString &key,
                                    const QVariant &defaultValue) const
{
    return m_values.value(flatKey(app, section, key), defaultValue);
}

void MemorySettingsStore::setValue(const QString &app, const QString &section, const QString &key,
                                   const QVariant &value)
{
    m_values.insert(flatKey(app, section, key), value);
}

void MemorySettingsStore::remove(const QString &app, const QString &section, const QString &key)
{
    m_values.remove(flatKey(app, section, key));
}
