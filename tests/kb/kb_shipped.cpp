#include "kb/kbstore.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "resources/kbdata/kbdatacontent.h"

#include "dbtestfiles.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The databases the build put beside the program match their text sources.
class TestKbShipped : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_folder = TestSupport::buildDir() + QStringLiteral("/bin/Database/");
        m_content = TestSupport::sourceDir() + QStringLiteral("/src/resources/kbdata/content/");
        QVERIFY(QFileInfo(m_folder).isDir());
        QVERIFY(QFileInfo(TestSupport::buildDir() + QStringLiteral("/bin/DataLog")).isDir());
    }
    void cleanup() { db::DBEngine::closeAll(); }

    void everyFileOpensAndIsSound()
    {
        QStringList expected = KbStore::knowledgeBaseKeys() + KbStore::keywordListNames();
        expected << KbStore::SearchDatabase << KbStore::TemplateDatabase << KbStore::FtpDatabase;
        for (const QString &name : expected) {
            const QString path = m_folder + name + KbStore::DatabaseExtension;
            QVERIFY2(QFileInfo(path).isFile(), qPrintable(path));
            QCOMPARE(DbTestFiles::sqliteValue(path, QStringLiteral("PRAGMA integrity_check;")),
                     QStringLiteral("ok"));
            auto database = db::DBEngine::OpenDatabase(m_folder + name);
            QVERIFY(!database->hasPassword());
            for (const char *catalogue : {"MSysQueries", "MSysPassword", "MSysTableAttributes"})
                QVERIFY(database->hasTable(QString::fromLatin1(catalogue)));
        }
    }

    void knowledgeBasesHoldTheirTopics()
    {
        for (const QString &key : KbStore::knowledgeBaseKeys()) {
            QStringList warnings;
            const auto topics = KbDataContent::readKnowledgeBase(m_content + key, &warnings);
            auto database = db::DBEngine::OpenDatabase(m_folder + key);
            QStringList expected;
            for (const auto &topic : topics)
                expected << topic.name;
            if (expected.isEmpty())
                expected << QStringLiteral("General");
            expected.sort(Qt::CaseInsensitive);
            QCOMPARE(database->tableNames(), expected);
            for (const auto &topic : topics) {
                const db::TableDef table = database->tableDef(topic.name);
                QCOMPARE(table.fields.value(0).name, QStringLiteral("ID"));
                QVERIFY(table.fields.value(0).attributes & db::dbAutoIncrField);
                QCOMPARE(table.fields.value(1).name, QStringLiteral("Question"));
                QCOMPARE(table.fields.value(2).name, QStringLiteral("Answer"));
                QCOMPARE(table.fieldIndex(KbStore::ZipField) >= 0,
                         topic.name == KbStore::ZippedTopic);
                QCOMPARE(database->tableRecordCount(topic.name), topic.records.size());
                bool uniqueQuestion = false;
                for (const db::Index &index : table.indexes)
                    uniqueQuestion |=
                        index.unique && index.fields == QStringList{QStringLiteral("Question")};
                QVERIFY(uniqueQuestion);
            }
        }
    }

    void zippedExamplesAreRealZips()
    {
        QTemporaryDir dir;
        int zips = 0;
        for (const QString &key : KbStore::knowledgeBaseKeys()) {
            const QString path = m_folder + key + KbStore::DatabaseExtension;
            auto database = db::DBEngine::OpenDatabase(path);
            if (!database->hasTable(KbStore::ZippedTopic))
                continue;
            database->Close();
            const QString ids = DbTestFiles::sqliteValue(
                path,
                QStringLiteral(
                    "SELECT group_concat(ID) FROM \"Zipped Examples\" WHERE Ziped IS NOT NULL;"));
            for (const QString &id : ids.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const QString zip = dir.filePath(key + id + QStringLiteral(".zip"));
                DbTestFiles::sqlite(
                    path, QStringLiteral(
                              "SELECT writefile('%1', Ziped) FROM \"Zipped Examples\" WHERE ID=%2;")
                              .arg(zip, id));
                QProcess unzip;
                unzip.start(QStringLiteral("unzip"), {QStringLiteral("-tq"), zip});
                QVERIFY(unzip.waitForFinished());
                QCOMPARE(unzip.exitCode(), 0);
                ++zips;
            }
        }
        if (zips == 0 && QFileInfo(m_content).isDir())
            qWarning("no zipped examples in the shipped sources");
    }

    void listsSearchTemplateAndAddresses()
    {
        for (const QString &list : KbStore::keywordListNames()) {
            const QStringList words = KbDataContent::readList(
                m_content + QStringLiteral("keywords/") + list + QStringLiteral(".txt"));
            auto database = db::DBEngine::OpenDatabase(m_folder + list);
            QCOMPARE(database->tableNames(), QStringList{KbStore::KeywordTable});
            QCOMPARE(database->tableRecordCount(KbStore::KeywordTable), words.size());
        }
        auto search = db::DBEngine::OpenDatabase(m_folder + KbStore::SearchDatabase);
        QCOMPARE(search->tableRecordCount(KbStore::SearchTable), 0);
        QCOMPARE(search->tableDef(KbStore::SearchTable).fieldIndex(QStringLiteral("OriTable")), 4);
        auto templ = db::DBEngine::OpenDatabase(m_folder + KbStore::TemplateDatabase);
        QCOMPARE(templ->tableNames(), QStringList{KbStore::TemplateTable});
        QCOMPARE(templ->tableRecordCount(KbStore::TemplateTable), 0);
        const QStringList addresses =
            KbDataContent::readList(m_content + QStringLiteral("ftp/addresses.txt"));
        auto ftp = db::DBEngine::OpenDatabase(m_folder + KbStore::FtpDatabase);
        QCOMPARE(ftp->tableRecordCount(KbStore::FtpTable), addresses.size());
        QVERIFY(ftp->tableDef(KbStore::FtpTable).fieldIndex(KbStore::FtpField) >= 0);
    }

private:
    QString m_folder;
    QString m_content;
};

QTEST_GUILESS_MAIN(TestKbShipped)
#include "kb_shipped.moc"
