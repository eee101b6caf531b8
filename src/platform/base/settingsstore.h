#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

#include <functional>

// Per-user application settings, addressed as application, section and key.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    virtual QVariant value(const QString &app, const QString &section, const QString &key,
                           const QVariant &defaultValue = {}) const = 0;
    // False when the change could not be stored; the stored settings are then unchanged.
    virtual bool setValue(const QString &app, const QString &section, const QString &key,
                          const QVariant &value) = 0;
    virtual bool remove(const QString &app, const QString &section, const QString &key) = 0;

    // The store the program uses; tests may install their own.
    static SettingsStore &instance();
    static void setInstance(SettingsStore *store);
};

// One INI file per application, in the folder given, or else in "Settings" under the
// program's data folder.
class IniSettingsStore : public SettingsStore
{
public:
    explicit IniSettingsStore(QString folder = {});

    QVariant value(const QString &app, const QString &section, const QString &key,
                   const QVariant &defaultValue = {}) const override;
    bool setValue(const QString &app, const QString &section, const QString &key,
                  const QVariant &value) override;
    bool remove(const QString &app, const QString &section, const QString &key) override;

    QString fileName(const QString &app) const;
    QString lastError() const { return m_error; }

private:
    using Entries = QMap<QString, QMap<QString, QString>>;
    static Entries parse(const QByteArray &bytes);
    static QByteArray serialize(const Entries &entries);
    Entries read(const QString &app) const;
    // Applies change to what is on disk and stores the result; change answers false when
    // nothing needs writing.
    bool update(const QString &app, const std::function<bool(Entries &)> &change);

    QString m_folder;
    QString m_error;
};

// Keeps everything in memory; for tests.
class MemorySettingsStore : public SettingsStore
{
public:
    QVariant value(const QString &app, const QString &section, const QString &key,
                   const QVariant &defaultValue = {}) const override;
    bool setValue(const QString &app, const QString &section, const QString &key,
                  const QVariant &value) override;
    bool remove(const QString &app, const QString &section, const QString &key) override;

private:
    QMap<QString, QVariant> m_values;
};
