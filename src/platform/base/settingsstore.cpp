#include "platform/base/settingsstore.h"

#include "platform/base/apppaths.h"
#include "platform/base/checkedwrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

IniSettingsStore::IniSettingsStore(QString folder) : m_folder(std::move(folder)) {}

QString IniSettingsStore::fileName(const QString &app) const
{
    const QString name = app + QStringLiteral(".ini");
    if (!m_folder.isEmpty())
        return m_folder + QLatin1Char('/') + name;
    // Beside the program's other data; a file an earlier version kept in the user's
    // configuration folder is taken along once.
    const QString path = AppPaths::dataRoot() + QStringLiteral("/Settings/") + name;
    const QString earlier =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/marlux/") + name;
    if (!QFileInfo::exists(path) && QFileInfo::exists(earlier) &&
        QDir().mkpath(QFileInfo(path).absolutePath())) {
        // Under the file's lock, and only into an empty file: a second process may have
        // taken it along, or saved a key, first.
        updateWholeFile(path, [&](const QByteArray &current) -> std::optional<QByteArray> {
            if (!current.isEmpty())
                return std::nullopt;
            return readWholeFile(earlier);
        });
    }
    return path;
}

namespace {

// The INI dialect below is the one the settings files have always been written in, so files
// from earlier versions read unchanged.
bool isHex(QChar c)
{
    return c.isDigit() || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

QString unescapeKey(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\')) {
            out += QLatin1Char('/');
        } else if (c == QLatin1Char('%') && i + 5 < text.size() &&
                   text.at(i + 1) == QLatin1Char('U')) {
            bool ok = false;
            const uint code = QStringView(text).mid(i + 2, 4).toUInt(&ok, 16);
            out += ok ? QChar(char16_t(code)) : c;
            i += ok ? 5 : 0;
        } else if (c == QLatin1Char('%') && i + 2 < text.size()) {
            bool ok = false;
            const uint code = QStringView(text).mid(i + 1, 2).toUInt(&ok, 16);
            out += ok ? QChar(char16_t(code)) : c;
            i += ok ? 2 : 0;
        } else {
            out += c;
        }
    }
    return out;
}

QString escapeKey(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (c == QLatin1Char('/'))
            out += QLatin1Char('\\');
        else if ((u < 128 && c.isLetterOrNumber()) || c == QLatin1Char('_') ||
                 c == QLatin1Char('-') || c == QLatin1Char('.'))
            out += c;
        else if (u <= 0xFF)
            out += QStringLiteral("%%1").arg(u, 2, 16, QLatin1Char('0')).toUpper();
        else
            out += QStringLiteral("%U%1").arg(u, 4, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString unescapeValue(const QString &text)
{
    QStringList parts;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (c == QLatin1Char(',') && !quoted) {
            parts.append(current.trimmed());
            current.clear();
        } else if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            const QChar e = text.at(++i);
            switch (e.unicode()) {
            case 'a':
                current += QChar(7);
                break;
            case 'b':
                current += QChar(8);
                break;
            case 'f':
                current += QChar(12);
                break;
            case 'n':
                current += QLatin1Char('\n');
                break;
            case 'r':
                current += QLatin1Char('\r');
                break;
            case 't':
                current += QLatin1Char('\t');
                break;
            case 'v':
                current += QChar(11);
                break;
            case 'x': {
                uint code = 0;
                while (i + 1 < text.size() && isHex(text.at(i + 1)))
                    code = code * 16 + uint(QString(text.at(++i)).toUInt(nullptr, 16));
                current += QChar(char16_t(code));
                break;
            }
            default:
                if (e >= QLatin1Char('0') && e <= QLatin1Char('7')) {
                    uint code = uint(e.unicode() - '0');
                    while (i + 1 < text.size() && text.at(i + 1) >= QLatin1Char('0') &&
                           text.at(i + 1) <= QLatin1Char('7'))
                        code = code * 8 + uint(text.at(++i).unicode() - '0');
                    current += QChar(char16_t(code));
                } else {
                    current += e;
                }
            }
        } else {
            current += c;
        }
    }
    parts.append(parts.isEmpty() ? current : current.trimmed());
    QString value = parts.join(QStringLiteral(", "));
    if (value.startsWith(QLatin1String("@@")))
        value.remove(0, 1);
    else if (value.startsWith(QLatin1String("@String(")) && value.endsWith(QLatin1Char(')')))
        value = value.mid(8, value.size() - 9);
    return value;
}

QString escapeValue(QString text)
{
    if (text.startsWith(QLatin1Char('@')))
        text.prepend(QLatin1Char('@'));
    bool quote = text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' '));
    QString out;
    bool escapeNextIfHex = false;
    for (const QChar c : std::as_const(text)) {
        const ushort u = c.unicode();
        if (escapeNextIfHex && isHex(c)) {
            out += QStringLiteral("\\x%1").arg(u, 0, 16);
            continue;
        }
        escapeNextIfHex = false;
        if (c == QLatin1Char('\\') || c == QLatin1Char('"')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\n");
        } else if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\\r");
        } else if (c == QLatin1Char('\t')) {
            out += QStringLiteral("\\t");
        } else if (u < 0x20 || u == 0x7F) {
            out += QStringLiteral("\\x%1").arg(u, 0, 16);
            escapeNextIfHex = true;
        } else {
            if (c == QLatin1Char(';') || c == QLatin1Char(',') || c == QLatin1Char('='))
                quote = true;
            out += c;
        }
    }
    return quote ? QLatin1Char('"') + out + QLatin1Char('"') : out;
}

} // namespace

IniSettingsStore::Entries IniSettingsStore::parse(const QByteArray &bytes)
{
    Entries entries;
    QString section = QStringLiteral("General");
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = unescapeKey(line.mid(1, line.size() - 2).trimmed());
            if (section == QLatin1String("%General"))
                section = QStringLiteral("General");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        entries[section][unescapeKey(line.left(equals).trimmed())] =
            unescapeValue(line.mid(equals + 1).trimmed());
    }
    return entries;
}

QByteArray IniSettingsStore::serialize(const Entries &entries)
{
    QByteArray bytes;
    for (auto section = entries.cbegin(); section != entries.cend(); ++section) {
        if (section.value().isEmpty())
            continue;
        if (!bytes.isEmpty())
            bytes += '\n';
        const QString name = section.key() == QLatin1String("General") ? QStringLiteral("%General")
                                                                       : escapeKey(section.key());
        bytes += '[' + name.toUtf8() + "]\n";
        for (auto entry = section.value().cbegin(); entry != section.value().cend(); ++entry)
            bytes +=
                escapeKey(entry.key()).toUtf8() + '=' + escapeValue(entry.value()).toUtf8() + '\n';
    }
    return bytes;
}

IniSettingsStore::Entries IniSettingsStore::read(const QString &app) const
{
    QFile file(fileName(app));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.readAll());
}

bool IniSettingsStore::update(const QString &app, const std::function<bool(Entries &)> &change)
{
    m_error.clear();
    const QString path = fileName(app);
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        m_error = QStringLiteral("Path not found");
        return false;
    }
    // Another process may have stored keys since this one last read: only the key changed
    // here is put into what is on disk, under a lock every writer of the file takes.
    return updateWholeFile(
        path,
        [&](const QByteArray &current) -> std::optional<QByteArray> {
            Entries entries = parse(current);
            if (!change(entries))
                return std::nullopt;
            return serialize(entries);
        },
        &m_error);
}

QVariant IniSettingsStore::value(const QString &app, const QString &section, const QString &key,
                                 const QVariant &defaultValue) const
{
    const Entries entries = read(app);
    const auto found = entries.constFind(section);
    if (found == entries.cend() || !found->contains(key))
        return defaultValue;
    return found->value(key);
}

bool IniSettingsStore::setValue(const QString &app, const QString &section, const QString &key,
                                const QVariant &value)
{
    const QString text = value.toString();
    return update(app, [&](Entries &entries) {
        entries[section][key] = text;
        return true;
    });
}

bool IniSettingsStore::remove(const QString &app, const QString &section, const QString &key)
{
    // Nothing to take away: no file is made for it.
    if (!read(app).value(section).contains(key))
        return true;
    return update(app, [&](Entries &entries) {
        auto found = entries.find(section);
        if (found == entries.end() || !found->contains(key))
            return false;
        found->remove(key);
        return true;
    });
}

QVariant MemorySettingsStore::value(const QString &app, const QString &section, const QString &key,
                                    const QVariant &defaultValue) const
{
    return m_values.value(flatKey(app, section, key), defaultValue);
}

bool MemorySettingsStore::setValue(const QString &app, const QString &section, const QString &key,
                                   const QVariant &value)
{
    m_values.insert(flatKey(app, section, key), value);
    return true;
}

bool MemorySettingsStore::remove(const QString &app, const QString &section, const QString &key)
{
    m_values.remove(flatKey(app, section, key));
    return true;
}
