#include "kb/kbstore.h"

#include "platform/base/apperror.h"
#include "platform/base/apppaths.h"
#include "platform/base/checkedwrite.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbrecordset.h"
#include "platform/db/dbsql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <functional>

namespace KbStore {

namespace {

// Builds a file under a temporary name beside path, then renames it over path.
void buildFile(const QString &path, const std::function<void(db::Database &)> &fill)
{
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    QString temporary;
    {
        QTemporaryFile placeholder(info.absolutePath() + QStringLiteral("/.new.XXXXXX.mdb"));
        placeholder.setAutoRemove(false);
        if (!placeholder.open())
            db::raise(db::ErrFolderNotWritable, info.absolutePath());
        temporary = placeholder.fileName();
    }
    QFile::remove(temporary);
    try {
        auto database = db::DBEngine::CreateDatabase(temporary);
        fill(*database);
        database->Close();
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
    if (!replaceWithFinished(temporary, path)) {
        QFile::remove(temporary);
        db::raise(db::ErrFileInUse, path);
    }
}

} // namespace

QStringList knowledgeBaseKeys()
{
    return {QStringLiteral("Access"),       QStringLiteral("Java"),
            QStringLiteral("Net Working"),  QStringLiteral("C"),
            QStringLiteral("C++"),          QStringLiteral("Security"),
            QStringLiteral("Visual Basic"), QStringLiteral("Virus"),
            QStringLiteral("Linux"),        QStringLiteral("User Own")};
}

QStringList keywordListNames()
{
    return {QStringLiteral("VB Keywords"), QStringLiteral("C Keywords"),
            QStringLiteral("Security Keywords")};
}

QString keywordListFor(const QString &knowledgeBase)
{
    const QString name = knowledgeBase.trimmed().toUpper();
    if (name == QLatin1String("VISUAL BASIC"))
        return QStringLiteral("VB Keywords");
    if (name == QLatin1String("C") || name == QLatin1String("C++"))
        return QStringLiteral("C Keywords");
    if (name == QLatin1String("SECURITY"))
        return QStringLiteral("Security Keywords");
    return {};
}

void createTopicTable(db::Database &database, const QString &topic, bool zipped)
{
    QList<db::Field> fields;
    db::Field id;
    id.name = QStringLiteral("ID");
    id.type = db::dbLong;
    id.attributes = db::dbAutoIncrField;
    fields << id;
    db::Field question;
    question.name = QStringLiteral("Question");
    question.type = db::dbMemo;
    fields << question;
    db::Field answer = question;
    answer.name = QStringLiteral("Answer");
    fields << answer;
    if (zipped) {
        db::Field zip;
        zip.name = ZipField;
        zip.type = db::dbLongBinary;
        fields << zip;
    }
    database.createTableDef(topic, fields);
    database.createIndex(topic, QStringLiteral("Question"), {QStringLiteral("Question")}, true);
}

void createKnowledgeBase(const QString &path, const QStringList &topics)
{
    buildFile(path, [&](db::Database &database) {
        for (const QString &topic : topics)
            createTopicTable(database, topic, topic == ZippedTopic);
    });
}

void createTemplateDatabase(const QString &path)
{
    buildFile(path, [](db::Database &database) { createTopicTable(database, TemplateTable); });
}

void createSearchDatabase(const QString &path)
{
    buildFile(path, [](db::Database &database) {
        QList<db::Field> fields(5);
        fields[0].name = QStringLiteral("ID");
        fields[0].type = db::dbLong;
        fields[0].attributes = db::dbAutoIncrField;
        fields[1].name = QStringLiteral("Question");
        fields[1].type = db::dbMemo;
        fields[2].name = QStringLiteral("OriID");
        fields[2].type = db::dbLong;
        fields[3].name = QStringLiteral("Answer");
        fields[3].type = db::dbMemo;
        fields[4].name = QStringLiteral("OriTable");
        fields[4].type = db::dbText;
        fields[4].size = 255;
        database.createTableDef(SearchTable, fields);
    });
}

void createKeywordDatabase(const QString &path, const QStringList &keywords)
{
    buildFile(path, [&](db::Database &database) {
        QList<db::Field> fields(1);
        fields[0].name = KeywordField;
        fields[0].type = db::dbText;
        fields[0].size = 255;
        database.createTableDef(KeywordTable, fields);
        auto rs = database.OpenRecordset(KeywordTable);
        for (const QString &keyword : keywords) {
            rs->AddNew();
            rs->setValue(KeywordField, keyword);
            rs->Update();
        }
    });
}

QString ftpStoredAddress(const QString &address)
{
    QString host = address.trimmed();
    if (host.startsWith(QLatin1String("ftp://"), Qt::CaseInsensitive))
        host = host.mid(6);
    return FtpAddressPrefix + host;
}

void createFtpDatabase(const QString &path, const QStringList &addresses)
{
    buildFile(path, [&](db::Database &database) {
        QList<db::Field> fields(1);
        fields[0].name = FtpField;
        fields[0].type = db::dbText;
        fields[0].size = 255;
        database.createTableDef(FtpTable, fields);
        auto rs = database.OpenRecordset(FtpTable);
        for (const QString &address : addresses) {
            rs->AddNew();
            rs->setValue(FtpField, ftpStoredAddress(address));
            rs->Update();
        }
    });
}

QString historyFilePath(const QString &knowledgeBase)
{
    return GetAppPath() + HistoryFolder + QLatin1Char('/') + knowledgeBase.trimmed() +
           HistoryExtension;
}

namespace {

// The number a failed history file reports, with the cause a user can act on.
[[noreturn]] void historyError(const QString &path, const QString &reason)
{
    throw AppException(75, QStringLiteral("Path/File access error: %1: %2").arg(path, reason),
                       QStringLiteral("ComboHistory"));
}

} // namespace

void ensureHistoryFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return;
    // The folder may be missing in a fresh data root.
    if (!QDir().mkpath(info.absolutePath()))
        throw AppException(76, QStringLiteral("Path not found"), QStringLiteral("ComboHistory"));
    // Made only when still missing: another process may have just written its first line.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !QFileInfo::exists(path))
        historyError(path, file.errorString());
}

QStringList readHistory(const QString &path)
{
    ensureHistoryFile(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        historyError(path, file.errorString());
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void appendHistory(const QString &path, const QString &keyword)
{
    ensureHistoryFile(path);
    // Every user of the data folder appends to the same files: the line goes onto what is
    // on disk now, under the lock every appender takes.
    QString reason;
    const bool written = updateWholeFile(
        path,
        [&](QByteArray bytes) -> std::optional<QByteArray> {
            if (!bytes.isEmpty() && !bytes.endsWith('\n'))
                bytes += "\r\n";
            bytes += keyword.toUtf8() + "\r\n";
            return bytes;
        },
        &reason);
    if (!written)
        historyError(path, reason);
}

} // namespace KbStore
