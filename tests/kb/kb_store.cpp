#include "kb/kbcombohistory.h"
#include "kb/kbstore.h"
#include "platform/base/apperror.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dbrecordset.h"

#include "dbtestfiles.h"
#include "diskfull.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// The second processes of historyFromTwoProcesses: path, prefix, count.
const QString HistoryHelper = QStringLiteral("--append-history");
constexpr int HistoryAppends = 150;

class TestKbStore : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { db::DBEngine::closeAll(); }

    void keywordListByName()
    {
        QCOMPARE(KbStore::keywordListFor(QStringLiteral("c++")), QStringLiteral("C Keywords"));
        QCOMPARE(KbStore::keywordListFor(QStringLiteral("C")), QStringLiteral("C Keywords"));
        QCOMPARE(KbStore::keywordListFor(QStringLiteral(" Visual basic ")),
                 QStringLiteral("VB Keywords"));
        QCOMPARE(KbStore::keywordListFor(QStringLiteral("SECURITY")),
                 QStringLiteral("Security Keywords"));
        QCOMPARE(KbStore::keywordListFor(QStringLiteral("Linux")), QString());
        QCOMPARE(KbStore::knowledgeBaseKeys().size(), 10);
    }

    void historyKeepsEveryLine()
    {
        TestSupport::TempDataRoot root;
        const QString path = KbStore::historyFilePath(QStringLiteral(" Security "));
        QCOMPARE(path, root.path() + QStringLiteral("/DataLog/Security.rid"));
        QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("DataLog"))));

        QComboBox combo;
        KbStore::ComboHistory(path, &combo, true);
        QVERIFY(QFileInfo(path).isFile());
        QCOMPARE(QFileInfo(path).size(), 0);
        QCOMPARE(combo.count(), 0);

        combo.setEditable(true);
        combo.setEditText(QStringLiteral("select"));
        KbStore::ComboHistory(path, &combo, false);
        KbStore::ComboHistory(path, &combo, false);
        KbStore::appendHistory(path, QStringLiteral("O'Brien"));
        QCOMPARE(DbTestFiles::readAll(path), QByteArray("select\r\nselect\r\nO'Brien\r\n"));
        QComboBox loaded;
        KbStore::ComboHistory(path, &loaded, true);
        QCOMPARE(loaded.count(), 3);
        QCOMPARE(loaded.itemText(1), QStringLiteral("select"));

        // On a full disk the message says why, and the lines already kept stay.
        try {
            DiskFull full;
            KbStore::appendHistory(path, QStringLiteral("lost"));
            QFAIL("a full disk took the line");
        } catch (const AppException &error) {
            QCOMPARE(QString::fromUtf8(error.what()),
                     QStringLiteral("75: Path/File access error: %1: File too large").arg(path));
        }
        QCOMPARE(DbTestFiles::readAll(path), QByteArray("select\r\nselect\r\nO'Brien\r\n"));
    }

    void historyFromTwoProcesses()
    {
        // Every user of one install appends to the same files: no line may get lost.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("DataLog/C++.rid"));
        KbStore::appendHistory(path, QStringLiteral("first"));
        const QString count = QString::number(HistoryAppends);
        QString failure;
        QVERIFY2(TestSupport::runSideBySide({{HistoryHelper, path, QStringLiteral("a"), count},
                                             {HistoryHelper, path, QStringLiteral("b"), count}},
                                            &failure),
                 qPrintable(failure));
        const QStringList lines = KbStore::readHistory(path);
        QCOMPARE(lines.size(), 2 * HistoryAppends + 1);
        QCOMPARE(lines.first(), QStringLiteral("first"));
    }

    void storedFileLayouts()
    {
        QTemporaryDir dir;
        const QString templ = dir.filePath(QStringLiteral("Template.mdb"));
        KbStore::createTemplateDatabase(templ);
        QCOMPARE(DbTestFiles::sqliteValue(
                     templ, QStringLiteral(
                                "SELECT group_concat(name) FROM pragma_table_info('Template');")),
                 QStringLiteral("ID,Question,Answer"));
        QCOMPARE(DbTestFiles::sqliteValue(templ, QStringLiteral("SELECT count(*) FROM Template;")),
                 QStringLiteral("0"));

        const QString search = dir.filePath(QStringLiteral("Search.mdb"));
        KbStore::createSearchDatabase(search);
        QCOMPARE(DbTestFiles::sqliteValue(
                     search, QStringLiteral(
                                 "SELECT group_concat(name) FROM pragma_table_info('SrhResult');")),
                 QStringLiteral("ID,Question,OriID,Answer,OriTable"));

        const QString keywords = dir.filePath(QStringLiteral("C Keywords.mdb"));
        KbStore::createKeywordDatabase(keywords, {QStringLiteral("int"), QStringLiteral("for")});
        QCOMPARE(DbTestFiles::sqliteValue(
                     keywords, QStringLiteral("SELECT group_concat(Keyword) FROM Reserved;")),
                 QStringLiteral("int,for"));

        const QString ftp = dir.filePath(QStringLiteral("FTP.mdb"));
        KbStore::createFtpDatabase(
            ftp, {QStringLiteral("ftp.example.org"), QStringLiteral("ftp://x.org")});
        auto database = db::DBEngine::OpenDatabase(dir.filePath(QStringLiteral("FTP")));
        auto rs = database->OpenRecordset(QStringLiteral("FTP"), db::dbOpenDynaset);
        QCOMPARE(rs->RecordCount(), 2);
        QCOMPARE(rs->value(QStringLiteral("Address")).toString().mid(7),
                 QStringLiteral("ftp.example.org"));
        rs->MoveNext();
        QCOMPARE(rs->value(QStringLiteral("Address")).toString().mid(7), QStringLiteral("x.org"));

        // Files are made whole: an existing file is replaced, nothing else is left.
        KbStore::createKnowledgeBase(dir.filePath(QStringLiteral("Kb.mdb")), {QStringLiteral("A")});
        KbStore::createKnowledgeBase(dir.filePath(QStringLiteral("Kb.mdb")), {QStringLiteral("B")});
        QCOMPARE(
            DbTestFiles::sqliteValue(
                dir.filePath(QStringLiteral("Kb.mdb")),
                QStringLiteral("SELECT group_concat(name) FROM sqlite_schema WHERE type='table' "
                               "AND name NOT LIKE 'MSys%' AND name NOT LIKE 'sqlite%';")),
            QStringLiteral("B"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 5);
    }

    void numericQuestionStaysText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("N.mdb"));
        KbStore::createKnowledgeBase(path, {QStringLiteral("T")});
        auto database = db::DBEngine::OpenDatabase(path);
        database->Execute(QStringLiteral("INSERT INTO T (Question) VALUES (?)"),
                          {QStringLiteral("123")});
        QCOMPARE(DbTestFiles::sqliteValue(path, QStringLiteral("SELECT typeof(Question) FROM T;")),
                 QStringLiteral("text"));
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 5 && arguments.at(1) == HistoryHelper) {
        try {
            for (int i = 0; i < arguments.at(4).toInt(); ++i)
                KbStore::appendHistory(arguments.at(2), arguments.at(3) + QString::number(i));
        } catch (const std::exception &error) {
            qWarning("%s", error.what());
            return 1;
        }
        return 0;
    }
    TestKbStore test;
    return QTest::qExec(&test, argc, argv);
}
#include "kb_store.moc"
