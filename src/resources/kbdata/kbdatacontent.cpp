#include "kbdatacontent.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <zip.h>

#include <ctime>

namespace KbDataContent {

QList<Record> parseTopic(const QString &text, QStringList *warnings)
{
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (normalised.startsWith(QChar(0xFEFF)))
        normalised.remove(0, 1);
    const QStringList lines = normalised.split(QLatin1Char('\n'));
    QList<Record> records;
    QSet<QString> seen;
    bool skipping = false;
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("Q: "))) {
            Record record;
            record.question = line.mid(3).trimmed();
            const QString key = record.question.toCaseFolded();
            skipping = record.question.isEmpty() || seen.contains(key);
            if (skipping) {
                warnings->append(QStringLiteral("skipped empty or repeated question \"%1\"")
                                     .arg(record.question));
                continue;
            }
            seen.insert(key);
            records.append(record);
            continue;
        }
        if (records.isEmpty() || skipping) {
            if (!line.trimmed().isEmpty() && !line.startsWith(QLatin1Char('#')) && !skipping)
                warnings->append(
                    QStringLiteral("text before the first question ignored: %1").arg(line));
            continue;
        }
        records.last().answerLines.append(line);
    }
    for (Record &record : records) {
        while (!record.answerLines.isEmpty() && record.answerLines.first().trimmed().isEmpty())
            record.answerLines.removeFirst();
        while (!record.answerLines.isEmpty() && record.answerLines.last().trimmed().isEmpty())
            record.answerLines.removeLast();
    }
    return records;
}

QString topicName(const QString &baseName)
{
    QString name;
    for (const QChar c : baseName) {
        const bool bad = c.unicode() < 32 || c == QLatin1Char('.') || c == QLatin1Char('!') ||
                         c == QLatin1Char('`') || c == QLatin1Char('[') || c == QLatin1Char(']');
        name += bad ? QLatin1Char(' ') : c;
    }
    name = name.simplified();
    return name.left(64).trimmed();
}

QList<Topic> readKnowledgeBase(const QString &folder, QStringList *warnings)
{
    QList<Topic> topics;
    const QDir dir(folder);
    const QStringList files = dir.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    QSet<QString> names;
    for (const QString &fileName : files) {
        QFile file(dir.filePath(fileName));
        if (!file.open(QIODevice::ReadOnly)) {
            warnings->append(QStringLiteral("cannot read %1").arg(file.fileName()));
            continue;
        }
        const QString base = fileName.chopped(4);
        Topic topic;
        topic.name = topicName(base);
        if (topic.name.isEmpty() || names.contains(topic.name.toCaseFolded())) {
            warnings->append(QStringLiteral("skipped topic file %1").arg(file.fileName()));
            continue;
        }
        names.insert(topic.name.toCaseFolded());
        QStringList topicWarnings;
        topic.records = parseTopic(QString::fromUtf8(file.readAll()), &topicWarnings);
        for (const QString &warning : topicWarnings)
            warnings->append(file.fileName() + QStringLiteral(": ") + warning);
        const QDir zips(dir.filePath(base + QStringLiteral(".files")));
        if (zips.exists()) {
            for (int i = 0; i < topic.records.size(); ++i) {
                const QString recordFolder = zips.filePath(QString::number(i + 1));
                if (QDir(recordFolder).exists())
                    topic.records[i].zip = zipFolder(recordFolder);
            }
        }
        topics.append(topic);
    }
    return topics;
}

QStringList readList(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList items;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString item = line.trimmed();
        if (!item.isEmpty() && !items.contains(item))
            items << item;
    }
    return items;
}

QByteArray zipFolder(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    if (files.isEmpty())
        return {};

    QTemporaryDir scratch;
    const QByteArray zipPath = QFile::encodeName(scratch.filePath(QStringLiteral("out.zip")));
    int error = 0;
    zip_t *archive = zip_open(zipPath.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return {};
    // libzip reads the buffers when the archive closes; keep them alive until then.
    QList<QByteArray> contents;
    contents.reserve(files.size());
    std::tm fixed = {};
    fixed.tm_year = 2020 - 1900;
    fixed.tm_mday = 1;
    const time_t when = mktime(&fixed);
    const QDir base(folder);
    for (const QString &path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        contents.append(file.readAll());
        zip_source_t *source = zip_source_buffer(archive, contents.last().constData(),
                                                 zip_uint64_t(contents.last().size()), 0);
        const QByteArray name = base.relativeFilePath(path).toUtf8();
        const zip_int64_t index = zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            continue;
        }
        zip_file_set_mtime(archive, zip_uint64_t(index), when, 0);
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        return {};
    }
    QFile out(scratch.filePath(QStringLiteral("out.zip")));
    return out.open(QIODevice::ReadOnly) ? out.readAll() : QByteArray();
}

} // namespace KbDataContent
