#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbrecordset.h"
#include "platform/db/dbsql.h"

#include "dbtestfiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace db;

namespace {
int errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const AppException &error) {
        return error.number();
    }
    return 0;
}
} // namespace

class TestDbDatabase : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_path = m_dir.filePath(QStringLiteral("Kb%1.mdb").arg(++m_counter));
        DbTestFiles::createKnowledgeBase(m_path,
                                         {QStringLiteral("Basics"), QStringLiteral("Loops")}, 3);
        m_db = DBEngine::OpenDatabase(m_path);
    }
    void cleanup()
    {
        m_db.reset();
        DBEngine::closeAll();
    }

    void quotingAndNames()
    {
        QCOMPARE(quoteIdent(QStringLiteral("a\"b")), QStringLiteral("\"a\"\"b\""));
        QVERIFY(isValidName(QStringLiteral("Net Working")));
        QVERIFY(!isValidName(QString()));
        QVERIFY(!isValidName(QStringLiteral(" lead")));
        QVERIFY(!isValidName(QStringLiteral("a.b")));
        QVERIFY(!isValidName(QStringLiteral("a[b")));
        QVERIFY(!isValidName(QString(65, QLatin1Char('x'))));
    }

    void likeFollowsTheUsersWildcards()
    {
        QVERIFY(userLike(QStringLiteral("*loop*"), QStringLiteral("For LOOPS")));
        QVERIFY(userLike(QStringLiteral("a?c"), QStringLiteral("abc")));
        QVERIFY(userLike(QStringLiteral("a#c"), QStringLiteral("a5c")));
        QVERIFY(!userLike(QStringLiteral("a#c"), QStringLiteral("abc")));
        QVERIFY(userLike(QStringLiteral("[a-c]x"), QStringLiteral("bx")));
        QVERIFY(userLike(QStringLiteral("[!a-c]x"), QStringLiteral("dx")));
        QVERIFY(!userLike(QStringLiteral("[!a-c]x"), QStringLiteral("ax")));
        QVERIFY(userLike(QStringLiteral("50[%]"), QStringLiteral("50%")));
        QVERIFY(!userLike(QStringLiteral("50[%]"), QStringLiteral("500")));
        QVERIFY(userLike(QStringLiteral("%ab_"), QStringLiteral("xxabc")));
        auto rs = m_db->OpenRecordset(
            QStringLiteral("SELECT Question FROM Basics WHERE Question LIKE '*question #'"));
        QCOMPARE(rs->RecordCount(), 3);
    }

    void executeRunsEveryStatementAtomically()
    {
        QCOMPARE(errorOf([&] { m_db->Execute(QStringLiteral("   ")); }), int(ErrInvalidStatement));
        QCOMPARE(errorOf([&] { m_db->Execute(QStringLiteral(" ; -- nothing\n")); }),
                 int(ErrInvalidStatement));
        const qint64 changed =
            m_db->Execute(QStringLiteral("INSERT INTO Basics (Question) VALUES ('x1'); INSERT INTO "
                                         "Basics (Question) VALUES ('x2');"
                                         "\nDELETE FROM Loops WHERE ID = 1;"));
        QCOMPARE(changed, 3);
        QCOMPARE(m_db->tableRecordCount(QStringLiteral("Basics")), 5);
        // A failing later statement undoes the earlier ones.
        QVERIFY(errorOf([&] {
                    m_db->Execute(
                        QStringLiteral("DELETE FROM Basics; INSERT INTO Nowhere VALUES (1)"));
                }) != 0);
        QCOMPARE(m_db->tableRecordCount(QStringLiteral("Basics")), 5);
        QCOMPARE(
            errorOf([&] { m_db->Execute(QStringLiteral("INSERT INTO Basics Question VALUES")); }),
            int(ErrInsertSyntax));
        QCOMPARE(errorOf([&] { m_db->Execute(QStringLiteral("SELECT * FROM Basics")); }),
                 int(ErrCannotExecuteSelect));
        QCOMPARE(m_db->Execute(QStringLiteral("UPDATE Basics SET Answer=? WHERE ID=?"),
                               {QStringLiteral("it's"), 1}),
                 1);
        QCOMPARE(errorOf([&] {
                     m_db->Execute(QStringLiteral("INSERT INTO Basics (Question) VALUES ('x1')"));
                 }),
                 int(ErrDuplicateKey));
        // A single statement may be one that cannot run inside a transaction.
        const QString other = m_dir.filePath(QStringLiteral("Other.mdb"));
        DbTestFiles::createKnowledgeBase(other, {QStringLiteral("Far")}, 2);
        m_db->Execute(QStringLiteral("ATTACH DATABASE ? AS far"), {other});
        m_db->Execute(
            QStringLiteral("INSERT INTO Basics (Question) SELECT Question FROM far.Far;"));
        m_db->Execute(QStringLiteral("DETACH DATABASE far"));
        QCOMPARE(m_db->tableRecordCount(QStringLiteral("Basics")), 7);
        auto readOnly = DBEngine::OpenDatabase(m_path, false, true);
        QCOMPARE(errorOf([&] { readOnly->Execute(QStringLiteral("DELETE FROM Basics")); }),
                 int(ErrReadOnly));
        QCOMPARE(m_db->tableRecordCount(QStringLiteral("Basics")), 7);
    }

    void tableDefsDescribeTheFile()
    {
        m_db->Execute(QStringLiteral("CREATE TABLE MSysObjects (Name VARCHAR(64))"));
        m_db->Execute(
            QStringLiteral("CREATE TABLE Hidden (ID INTEGER PRIMARY KEY, Question LONGTEXT)"));
        m_db->setTableHidden(QStringLiteral("Hidden"), true);
        QCOMPARE(m_db->tableNames(true),
                 (QStringList{QStringLiteral("Basics"), QStringLiteral("Loops")}));
        const QList<TableDef> all = m_db->TableDefs();
        QStringList names;
        for (const TableDef &table : all)
            names << table.name;
        QVERIFY(names.contains(QStringLiteral("MSysObjects")));
        QVERIFY(names.contains(QStringLiteral("Hidden")));
        QVERIFY(names.contains(QStringLiteral("sqlite_sequence")));
        QCOMPARE(m_db->tableDef(QStringLiteral("msysobjects")).attributes & dbSystemObject,
                 dbSystemObject);
        QCOMPARE(m_db->tableDef(QStringLiteral("Hidden")).attributes, dbHiddenObject);

        const TableDef basics = m_db->tableDef(QStringLiteral("basics"));
        QCOMPARE(basics.name, QStringLiteral("Basics"));
        QCOMPARE(basics.fields.size(), 3);
        QCOMPARE(basics.fields[0].type, int(dbLong));
        QVERIFY(basics.fields[0].attributes & dbAutoIncrField);
        QCOMPARE(basics.fields[1].type, int(dbMemo));
        QCOMPARE(basics.fieldIndex(QStringLiteral("ANSWER")), 2);
        QStringList indexes;
        for (const Index &index : basics.indexes)
            indexes << index.name + (index.unique ? QStringLiteral("!") : QString());
        QCOMPARE(indexes,
                 (QStringList{QStringLiteral("PrimaryKey!"), QStringLiteral("Question!")}));
        QCOMPARE(errorOf([&] { m_db->tableDef(QStringLiteral("None")); }), int(ErrItemNotFound));
    }

    void renameAndDeleteTables()
    {
        QCOMPARE(errorOf([&] {
                     m_db->renameTableDef(QStringLiteral("Basics"), QStringLiteral("loops"));
                 }),
                 int(ErrTableExists));
        QCOMPARE(
            errorOf([&] { m_db->renameTableDef(QStringLiteral("Basics"), QStringLiteral("a]b")); }),
            int(ErrInvalidName));
        m_db->renameTableDef(QStringLiteral("Basics"), QStringLiteral("First \"Steps\""));
        const TableDef renamed = m_db->tableDef(QStringLiteral("First \"Steps\""));
        QCOMPARE(renamed.indexes.last().name, QStringLiteral("Question"));
        QCOMPARE(m_db->tableRecordCount(renamed.name), 3);
        m_db->renameField(renamed.name, QStringLiteral("Answer"), QStringLiteral("Reply"));
        QCOMPARE(m_db->tableDef(renamed.name).fields[2].name, QStringLiteral("Reply"));
        QCOMPARE(errorOf([&] {
                     m_db->renameField(renamed.name, QStringLiteral("Reply"),
                                       QStringLiteral("question"));
                 }),
                 int(ErrFieldDefinedTwice));
        m_db->deleteTableDef(QStringLiteral("loops"));
        QCOMPARE(m_db->tableNames(), QStringList{renamed.name});
        QCOMPARE(errorOf([&] { m_db->deleteTableDef(QStringLiteral("Loops")); }),
                 int(ErrItemNotFound));
        QCOMPARE(errorOf([&] { m_db->deleteTableDef(QStringLiteral("sqlite_sequence")); }),
                 int(ErrInvalidOperation));
    }

    void copiedStructureKeepsKeyAndIndexes()
    {
        m_db->Execute(
            QStringLiteral("CREATE TABLE \"Zipped Examples\" (ID INTEGER PRIMARY KEY "
                           "AUTOINCREMENT, Question LONGTEXT, Answer LONGTEXT, Ziped LONGBLOB)"));
        m_db->createIndex(QStringLiteral("Zipped Examples"), QStringLiteral("Question"),
                          {QStringLiteral("Question")}, true);
        m_db->copyTableStructure(QStringLiteral("Zipped Examples"), QStringLiteral("More Zips"));
        const TableDef copy = m_db->tableDef(QStringLiteral("More Zips"));
        QCOMPARE(copy.fields.size(), 4);
        QCOMPARE(copy.fields[3].type, int(dbLongBinary));
        QVERIFY(copy.fields[0].attributes & dbAutoIncrField);
        QCOMPARE(m_db->tableRecordCount(copy.name), 0);
        auto rs = m_db->OpenRecordset(copy.name);
        rs->AddNew();
        rs->setValue(QStringLiteral("Question"), QStringLiteral("Q"));
        rs->Update();
        rs->MoveFirst();
        QCOMPARE(rs->value(QStringLiteral("ID")).toLongLong(), 1);
        rs->AddNew();
        rs->setValue(QStringLiteral("Question"), QStringLiteral("q"));
        QCOMPARE(errorOf([&] { rs->Update(); }), int(ErrDuplicateKey));
        QCOMPARE(errorOf([&] {
                     m_db->copyTableStructure(QStringLiteral("Basics"), QStringLiteral("Loops"));
                 }),
                 int(ErrTableExists));
        QCOMPARE(
            errorOf([&] { m_db->copyTableStructure(QStringLiteral("None"), QStringLiteral("X")); }),
            int(ErrInputTableNotFound));
    }

    void storedQueriesWithParameters()
    {
        QVERIFY(m_db->QueryDefs().isEmpty());
        m_db->createQueryDef(
            QStringLiteral("ByID"),
            QStringLiteral("SELECT Question FROM Basics WHERE ID >= :low AND ID <= :high"),
            {{QStringLiteral("low"), dbLong, {}}, {QStringLiteral("high"), dbLong, {}}});
        m_db->createQueryDef(QStringLiteral("Wipe"), QStringLiteral("DELETE FROM Basics"));
        QCOMPARE(errorOf([&] {
                     m_db->createQueryDef(QStringLiteral("byid"), QStringLiteral("SELECT 1"));
                 }),
                 int(ErrObjectExists));
        QueryDef query = m_db->queryDef(QStringLiteral("byid"));
        QCOMPARE(query.parameters.size(), 2);
        QCOMPARE(query.parameters[1].name, QStringLiteral("high"));
        QCOMPARE(query.parameters[1].type, int(dbLong));
        QCOMPARE(query.fields, QStringList{QStringLiteral("Question")});
        QCOMPARE(errorOf([&] { m_db->openQuery(query); }), int(ErrTooFewParameters));
        query.parameters[0].value = 2;
        query.parameters[1].value = 3;
        auto rs = m_db->openQuery(query);
        QCOMPARE(rs->RecordCount(), 2);
        QCOMPARE(rs->value(0).toString(), QStringLiteral("Basics question 2"));
        // A stored action query never runs through a recordset.
        QCOMPARE(errorOf([&] { m_db->openQuery(m_db->queryDef(QStringLiteral("Wipe"))); }),
                 int(ErrInvalidOperation));
        QCOMPARE(m_db->tableRecordCount(QStringLiteral("Basics")), 3);
        // The catalogue is no topic.
        QVERIFY(!m_db->tableNames().contains(QStringLiteral("MSysQueries")));
        m_db->deleteQueryDef(QStringLiteral("WIPE"));
        QCOMPARE(m_db->QueryDefs().size(), 1);
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_counter = 0;
    std::shared_ptr<Database> m_db;
};

QTEST_GUILESS_MAIN(TestDbDatabase)
#include "tst_dbdatabase.moc"
