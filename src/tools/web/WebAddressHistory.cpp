#include "tools/web/WebAddressHistory.h"

#include "platform/base/apppaths.h"
#include "platform/base/settingsstore.h"

#include <QCollator>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace WebAddressHistory {

QString appName()
{
    return QStringLiteral("RavodovirEZ");
}

QString sectionName()
{
    return QStringLiteral("URL History");
}

QString historyKey(int n)
{
    return QStringLiteral("URLHistory") + QString::number(n);
}

static QString readKey(const SettingsStore &store, int n)
{
    return store.value(appName(), sectionName(), historyKey(n), QString()).toString();
}

void WriteRecentURLs(SettingsStore &store, const QString &url)
{
    if (url.trimmed().isEmpty())
        return;
    // A free key does not move, so the key below it keeps its older value.
    for (int i = HistorySize - 1; i >= 1; --i) {
        const QString value = readKey(store, i);
        if (!value.isEmpty())
            store.setValue(appName(), sectionName(), historyKey(i + 1), value);
    }
    store.setValue(appName(), sectionName(), historyKey(1), url);
}

QStringList ReadRecentURLs(const SettingsStore &store)
{
    QStringList urls;
    if (readKey(store, 1).isEmpty())
        return urls;
    for (int i = 1; i <= HistorySize; ++i) {
        const QString value = readKey(store, i);
        if (!value.isEmpty())
            urls.append(value);
    }
    return urls;
}

} // namespace WebAddressHistory

namespace WebFavorites {

QString favoritesPath()
{
    return GetAppPath() + QStringLiteral("Favorites.txt");
}

bool createFavoritesFile(const QString &path)
{
    QFile file(path);
    // Append never truncates: an existing list survives.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    file.close();
    return true;
}

void SortByName(QStringList &list, qsizetype first, qsizetype last)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    for (qsizetype i = first; i < last; ++i) {
        qsizetype smallest = i;
        for (qsizetype j = i + 1; j <= last; ++j) {
            if (collator.compare(list.at(j), list.at(smallest)) < 0)
                smallest = j;
        }
        list.swapItemsAt(i, smallest);
    }
}

static QString decode(const QByteArray &bytes)
{
    // Older lists were written in a single-byte code page; read those as Latin-1.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return text;
}

bool SortFavorites(const QString &path, QString *error)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = in.errorString();
        return false;
    }
    const QString text = decode(in.readAll());
    in.close();

    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')) || text.isEmpty())
        lines.removeLast();
    for (QString &line : lines)
        line = line.trimmed(); // also drops the CR of CRLF
    if (!lines.isEmpty())
        SortByName(lines, 0, lines.size() - 1);

    QByteArray out;
    for (const QString &line : std::as_const(lines)) {
        if (!line.isEmpty())
            out += line.toUtf8() + "\r\n";
    }
    return WebFiles::writeWholeFile(path, out, error);
}

} // namespace WebFavorites

namespace WebFiles {

bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    // flush() reports a full disk that write() buffered away; commit() alone may not.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace WebFiles
