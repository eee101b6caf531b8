// Builds the shipped databases from the text sources:
//   kbdatagen <content folder> <data root>
// writes <data root>/Database/*.mdb and makes <data root>/DataLog/.

#include "kb/kbstore.h"
#include "kbdatacontent.h"
#include "kbdatartf.h"
#include "platform/base/apperror.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dbrecordset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

namespace {

// Topics for a knowledge base that has no sources yet.
const QString EmptyTopic = QStringLiteral("General");

void fillKnowledgeBase(const QString &path, const QList<KbDataContent::Topic> &topics)
{
    QStringList names;
    for (const auto &topic : topics)
        names << topic.name;
    if (names.isEmpty())
        names << EmptyTopic;
    KbStore::createKnowledgeBase(path, names);
    auto database = db::DBEngine::OpenDatabase(path, true);
    database->BeginTrans();
    try {
        for (const auto &topic : topics) {
            auto rs = database->OpenRecordset(topic.name, db::dbOpenTable);
            const bool zipped = topic.name == KbStore::ZippedTopic;
            for (const auto &record : topic.records) {
                rs->AddNew();
                rs->setValue(QStringLiteral("Question"), record.question);
                rs->setValue(QStringLiteral("Answer"), KbDataRtf::fromText(record.answerLines));
                if (zipped && !record.zip.isEmpty())
                    rs->setValue(KbStore::ZipField, record.zip);
                rs->Update();
            }
            rs->Close();
        }
        database->CommitTrans();
    } catch (...) {
        database->Rollback();
        throw;
    }
    database->Close();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 3) {
        err << "usage: kbdatagen <content folder> <data root>\n";
        return 2;
    }
    const QDir content(QString::fromLocal8Bit(argv[1]));
    const QDir root(QString::fromLocal8Bit(argv[2]));
    const QString databases = root.filePath(QStringLiteral("Database"));
    if (!QDir().mkpath(databases) || !QDir().mkpath(root.filePath(KbStore::HistoryFolder))) {
        err << "kbdatagen: cannot create the folders below " << root.path() << "\n";
        return 1;
    }
    auto file = [&](const QString &name) {
        return databases + QLatin1Char('/') + name + KbStore::DatabaseExtension;
    };

    try {
        QStringList warnings;
        for (const QString &key : KbStore::knowledgeBaseKeys()) {
            const auto topics = KbDataContent::readKnowledgeBase(content.filePath(key), &warnings);
            fillKnowledgeBase(file(key), topics);
        }
        for (const QString &list : KbStore::keywordListNames()) {
            KbStore::createKeywordDatabase(
                file(list), KbDataContent::readList(content.filePath(
                                QStringLiteral("keywords/") + list + QStringLiteral(".txt"))));
        }
        KbStore::createSearchDatabase(file(KbStore::SearchDatabase));
        KbStore::createTemplateDatabase(file(KbStore::TemplateDatabase));
        KbStore::createFtpDatabase(
            file(KbStore::FtpDatabase),
            KbDataContent::readList(content.filePath(QStringLiteral("ftp/addresses.txt"))));
        for (const QString &warning : warnings)
            err << "kbdatagen: warning: " << warning << "\n";
    } catch (const AppException &error) {
        err << "kbdatagen: " << error.number() << " " << error.description() << "\n";
        return 1;
    }
    db::DBEngine::closeAll();
    return 0;
}
