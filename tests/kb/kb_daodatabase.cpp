#include "kb/daodatabase.h"
#include "kb/kbstore.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbrecordset.h"

#include "dbtestfiles.h"
#include "scriptedprompter.h"

#include <QComboBox>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

class TestDaoDataBase : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { db::DBEngine::closeAll(); }

    void listsTopicsOnly()
    {
        const QString path = m_dir.filePath(QStringLiteral("Topics.mdb"));
        KbStore::createKnowledgeBase(path, {QStringLiteral("Loops"), QStringLiteral("arrays")});
        DbTestFiles::sqlite(path,
                            QStringLiteral("CREATE TABLE MSysObjects (x); CREATE TABLE H (x); "
                                           "INSERT INTO MSysTableAttributes VALUES ('H', 1);"));
        ScriptedPrompter prompter;
        QComboBox combo;
        DAODataBase dao;
        dao.setDatabaseName(path);
        QVERIFY(dao.AddTableNameToCombo(&combo, QString()));
        QCOMPARE(combo.count(), 2);
        QCOMPARE(combo.itemText(0), QStringLiteral("arrays"));
        QCOMPARE(combo.currentText(), QStringLiteral("arrays"));
        QVERIFY(combo.isEnabled());
        QVERIFY(prompter.calls().isEmpty());
        QVERIFY(!db::DBEngine::isOpen(path));

        QComboBox images;
        QVERIFY(dao.AddTableName(&images));
        QCOMPARE(images.itemData(1).toString(), QStringLiteral("Loops"));
    }

    void noTopicsGiveAnEmptyCombo()
    {
        const QString path = m_dir.filePath(QStringLiteral("Bare.mdb"));
        KbStore::createKnowledgeBase(path, {});
        QComboBox combo;
        combo.addItem(QStringLiteral("old"));
        DAODataBase dao;
        dao.setDatabaseName(path);
        QVERIFY(dao.AddTableNameToCombo(&combo, QString()));
        QCOMPARE(combo.count(), 0);
        QCOMPARE(combo.currentText(), QString());
    }

    void otherErrorsAreShown()
    {
        ScriptedPrompter prompter;
        QComboBox combo;
        DAODataBase dao;
        dao.setDatabaseName(m_dir.filePath(QStringLiteral("Missing")));
        QVERIFY(!dao.AddTableNameToCombo(&combo, QString()));
        QVERIFY(!combo.isEnabled());
        QCOMPARE(prompter.calls().size(), 1);
        QVERIFY(prompter.calls()[0].prompt.startsWith(QStringLiteral("Could not find file")));
        QCOMPARE(prompter.calls()[0].title, QStringLiteral("ERROR"));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("Missing.mdb"))));
        QVERIFY(!dao.AddTableName(&combo));
        // The number runs straight into the description.
        QVERIFY(prompter.calls()[1].prompt.startsWith(QStringLiteral("3024Could not find file")));
    }

    void wrongPasswordGetsThreePrompts()
    {
        const QString path = protectedFile(QStringLiteral("Locked.mdb"));
        ScriptedPrompter prompter;
        // An empty password is one more wrong try, not the end.
        for (const char *typed : {"wrong", "", "wrong again"}) {
            prompter.answer(QStringLiteral("Yes"));
            prompter.answer(QString::fromLatin1(typed));
        }
        QComboBox combo;
        DAODataBase dao;
        dao.setDatabaseName(path);
        QVERIFY(!dao.AddTableNameToCombo(&combo, QString()));
        QVERIFY(!combo.isEnabled());
        const QStringList prompts = prompter.prompts();
        QCOMPARE(prompts.count(QStringLiteral("This database need a password to open it, do you "
                                              "want to input the password now?")),
                 3);
        QCOMPARE(prompts.last(), QStringLiteral("You cannot open this database!"));
        QCOMPARE(prompter.calls().last().icon, 103);
        int passwordPrompts = 0;
        for (const auto &call : prompter.calls())
            passwordPrompts += call.kind == QLatin1String("password") ? 1 : 0;
        QCOMPARE(passwordPrompts, 3);
    }

    void cancelledPromptIsSilent()
    {
        const QString path = protectedFile(QStringLiteral("Locked2.mdb"));
        ScriptedPrompter prompter;
        prompter.answer(QStringLiteral("Yes"));
        prompter.cancel();
        QComboBox combo;
        DAODataBase dao;
        dao.setDatabaseName(path);
        QVERIFY(!dao.AddTableNameToCombo(&combo, QString()));
        QCOMPARE(prompter.calls().size(), 2);
        QCOMPARE(prompter.calls().last().kind, QStringLiteral("password"));

        // "No" to the question ends it too.
        ScriptedPrompter declined;
        declined.answer(QStringLiteral("No"));
        QVERIFY(!dao.AddTableNameToCombo(&combo, QString()));
        QCOMPARE(declined.calls().size(), 1);
    }

    void typedPasswordGoesBackToTheCaller()
    {
        const QString path = protectedFile(QStringLiteral("Locked3.mdb"));
        ScriptedPrompter prompter;
        prompter.answer(QStringLiteral("Yes"));
        prompter.answer(QStringLiteral("pass word"));
        QComboBox combo;
        DAODataBase dao;
        dao.setDatabaseName(path);
        QVERIFY(dao.AddTableNameToCombo(&combo, QString()));
        QCOMPARE(dao.enteredPassword(), QStringLiteral("pass word"));
        QCOMPARE(combo.count(), 1);
    }

    void duplicatedTopicTakesInserts()
    {
        const QString path = m_dir.filePath(QStringLiteral("Zips.mdb"));
        KbStore::createKnowledgeBase(path, {KbStore::ZippedTopic, QStringLiteral("Other")});
        // A record window keeps the file open meanwhile.
        auto window = db::DBEngine::OpenDatabase(path);
        DAODataBase dao;
        dao.setDatabaseName(path);
        QCOMPARE(dao.DuplicateTable(KbStore::ZippedTopic, QStringLiteral("My Zips")), 1L);
        QCOMPARE(dao.DuplicateTable(KbStore::ZippedTopic, QStringLiteral("other")), 0L);
        QCOMPARE(dao.DuplicateTable(QStringLiteral("None"), QStringLiteral("X")), 0L);
        auto rs = window->OpenRecordset(QStringLiteral("My Zips"));
        rs->AddNew();
        rs->setValue(QStringLiteral("Question"), QStringLiteral("q"));
        rs->AppendChunk(KbStore::ZipField, QByteArray("PK\x03\x04", 4));
        rs->Update();
        rs->MoveFirst();
        QCOMPARE(rs->value(QStringLiteral("ID")).toLongLong(), 1);
        QCOMPARE(window->tableDef(QStringLiteral("My Zips")).indexes.size(), 2);
        QCOMPARE(dao.Record_Count(rs.get()), 1);
        auto empty = window->OpenRecordset(QStringLiteral("Other"));
        QCOMPARE(dao.Record_Count(empty.get()), 0);
    }

    void compactKeepsDataAndIsRefusedWhileOpen()
    {
        const QString path = m_dir.filePath(QStringLiteral("Compact.mdb"));
        KbStore::createKnowledgeBase(path, {QStringLiteral("T")});
        DbTestFiles::sqlite(
            path,
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n "
                           "WHERE i < 2000) INSERT INTO T (Question, Answer) SELECT "
                           "'q' || i, hex(randomblob(200)) FROM n; DELETE FROM T WHERE ID > 500;"));
        const qint64 before = QFileInfo(path).size();
        DAODataBase dao;
        const QString temporary = m_dir.filePath(QStringLiteral("Temp!.mdb"));
        {
            auto open = db::DBEngine::OpenDatabase(path);
            QVERIFY(!dao.CompactDB(path, temporary));
        }
        db::DBEngine::closeAll();
        QVERIFY(dao.CompactDB(path, temporary));
        QVERIFY(QFileInfo(path).size() < before);
        QVERIFY(!QFileInfo::exists(temporary));
        QCOMPARE(DbTestFiles::sqliteValue(path, QStringLiteral("SELECT count(*) FROM T;")),
                 QStringLiteral("500"));
        QVERIFY(dao.RepairDB(path));
        QVERIFY(!dao.RepairDB(m_dir.filePath(QStringLiteral("Nope.mdb"))));
    }

    void templateTopics()
    {
        const QString path = m_dir.filePath(QStringLiteral("New.mdb"));
        ScriptedPrompter prompter;
        DAODataBase dao;
        dao.NewDBByTemplate(path);
        QCOMPARE(dao.DatabaseName(), path);
        dao.NewTopicByTemplate({QStringLiteral("One"), QStringLiteral("Two")});
        auto database = db::DBEngine::OpenDatabase(path);
        QCOMPARE(database->tableNames(),
                 (QStringList{QStringLiteral("One"), QStringLiteral("Two")}));
        const db::TableDef one = database->tableDef(QStringLiteral("One"));
        QCOMPARE(one.fields.size(), 3);
        QCOMPARE(one.fields[2].name, QStringLiteral("Answer"));
        QVERIFY(prompter.calls().isEmpty());
        // A file open here is never replaced under its users.
        try {
            dao.NewDBByTemplate(path);
            QFAIL("an open file was replaced");
        } catch (const AppException &error) {
            QCOMPARE(error.number(), int(db::ErrFileInUse));
        }
        database.reset();
        db::DBEngine::closeAll();

        DAODataBase again;
        again.NewDBByTemplate(path);
        again.NewTopicByTemplate({QStringLiteral("A"), QStringLiteral("a")});
        QCOMPARE(prompter.prompts(), QStringList{QStringLiteral("Creating failed as topic - a")});

        again.CreateTabF(QStringLiteral("A"));
        QVERIFY(db::DBEngine::isOpen(path));
        again.CreateField(QStringLiteral("Note"), db::dbText, 50);
        try {
            again.CreateField(QStringLiteral("Untyped"));
            QFAIL("a field without a type was created");
        } catch (const AppException &error) {
            QCOMPARE(error.number(), int(db::ErrInvalidFieldType));
        }
    }

    void duplicateDatabaseFiles()
    {
        const QString source = m_dir.filePath(QStringLiteral("Dup.mdb"));
        const QString target = m_dir.filePath(QStringLiteral("Dup copy.mdb"));
        KbStore::createKnowledgeBase(source, {QStringLiteral("T")});
        ScriptedPrompter prompter;
        DAODataBase dao;
        dao.DuplicateDB(m_dir.filePath(QStringLiteral("None.mdb")), target);
        dao.DuplicateDB(source, target);
        prompter.answer(QStringLiteral("No"));
        dao.DuplicateDB(source, target);
        QCOMPARE(
            prompter.prompts(),
            (QStringList{QStringLiteral("The original file not found, please make sure it exists!"),
                         QStringLiteral("Database duplicated!"),
                         QStringLiteral("File already existed - ") + target +
                             QStringLiteral(", do you want to overwrite it with the new one!")}));
        QCOMPARE(prompter.calls()[1].title, QStringLiteral("SUCCEED"));
        QCOMPARE(DbTestFiles::readAll(target), DbTestFiles::readAll(source));
    }

    void recordFieldsAndSkeletons()
    {
        const QString path = m_dir.filePath(QStringLiteral("Fields.mdb"));
        DbTestFiles::createKnowledgeBase(path, {QStringLiteral("T")}, 4);
        QListWidget list;
        DAODataBase dao;
        dao.setDatabaseName(path);
        dao.setRecordSource(QStringLiteral("SELECT Question, ID FROM T ORDER BY ID DESC"));
        dao.GetRecordField(QString(), QStringLiteral("Question"), QStringLiteral("id"), &list);
        QCOMPARE(list.count(), 4);
        QCOMPARE(list.item(0)->text(), QStringLiteral("T question 4"));
        QCOMPARE(list.item(0)->data(Qt::UserRole).toLongLong(), 4);
        QCOMPARE(dao.PopulateCreateQuery(2), QString());
        QCOMPARE(dao.PopulateCreateQuery(0), dao.PopulateCreateQuery(1));
        QVERIFY(dao.PopulateCreateQuery(0).endsWith(
            QStringLiteral("Field_Name...  \t[VALUE TYPE]\r\n)")));
    }

private:
    QString protectedFile(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        KbStore::createKnowledgeBase(path, {QStringLiteral("Secret")});
        db::DBEngine::OpenDatabase(path)->NewPassword(QString(), QStringLiteral("pass word"));
        db::DBEngine::closeAll();
        return path;
    }

    QTemporaryDir m_dir;
};

QTEST_MAIN(TestDaoDataBase)
#include "kb_daodatabase.moc"
