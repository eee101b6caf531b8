#include "platform/db/dbdatabase.h"
#include "platform/db/dbdatacontrol.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbrecordset.h"

#include "dbtestfiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

QStringList questions(const std::shared_ptr<Recordset> &rs)
{
    QStringList list;
    for (const QVariant &value : rs->columnValues(QStringLiteral("Question")))
        list << value.toString();
    return list;
}
} // namespace

class TestDbRecordset : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_path = m_dir.filePath(QStringLiteral("Rs%1.mdb").arg(++m_counter));
        DbTestFiles::createKnowledgeBase(m_path, {QStringLiteral("Topic"), QStringLiteral("Empty")},
                                         0);
        DbTestFiles::sqlite(
            m_path, QStringLiteral("INSERT INTO Topic (ID, Question, Answer) VALUES "
                                   "(2, 'two', 'b'), (5, 'five', NULL), (9, 'nine', 'c');"));
        m_db = DBEngine::OpenDatabase(m_path);
    }
    void cleanup()
    {
        m_db.reset();
        DBEngine::closeAll();
    }

    void emptyRecordset()
    {
        auto rs = m_db->OpenRecordset(QStringLiteral("Empty"));
        QVERIFY(rs->Bof());
        QVERIFY(rs->Eof());
        QCOMPARE(rs->RecordCount(), 0);
        QCOMPARE(rs->AbsolutePosition(), -1);
        QCOMPARE(errorOf([&] { rs->MoveFirst(); }), int(ErrNoCurrentRecord));
        QCOMPARE(errorOf([&] { rs->MoveNext(); }), int(ErrNoCurrentRecord));
        QCOMPARE(errorOf([&] { rs->value(QStringLiteral("Question")); }), int(ErrNoCurrentRecord));
        QCOMPARE(errorOf([&] { rs->setAbsolutePosition(0); }), int(ErrInvalidArgument));
    }

    void movesFollowKeyOrder()
    {
        auto rs = m_db->OpenRecordset(QStringLiteral("topic"), dbOpenDynaset);
        QCOMPARE(rs->RecordCount(), 3);
        QVERIFY(!rs->Bof());
        QCOMPARE(rs->value(QStringLiteral("question")).toString(), QStringLiteral("two"));
        QCOMPARE(rs->value(0).toLongLong(), 2);
        rs->MoveNext();
        QVERIFY(rs->value(QStringLiteral("Answer")).isNull());
        rs->MoveLast();
        QCOMPARE(rs->AbsolutePosition(), 2);
        rs->MoveNext();
        QVERIFY(rs->Eof());
        QCOMPARE(rs->AbsolutePosition(), -1);
        QCOMPARE(errorOf([&] { rs->MoveNext(); }), int(ErrNoCurrentRecord));
        rs->MoveFirst();
        rs->MovePrevious();
        QVERIFY(rs->Bof());
        rs->setAbsolutePosition(1);
        QCOMPARE(rs->value(QStringLiteral("Question")).toString(), QStringLiteral("five"));
        QCOMPARE(errorOf([&] { rs->setAbsolutePosition(3); }), int(ErrInvalidArgument));
        QCOMPARE(errorOf([&] { rs->value(QStringLiteral("Nope")); }), int(ErrItemNotFound));
        QCOMPARE(questions(rs), (QStringList{QStringLiteral("two"), QStringLiteral("five"),
                                             QStringLiteral("nine")}));
    }

    void addUpdateDeleteKeepKeyOrder()
    {
        auto rs = m_db->OpenRecordset(QStringLiteral("Topic"));
        rs->setAbsolutePosition(1);
        const QByteArray five = rs->Bookmark();
        QCOMPARE(errorOf([&] { rs->setValue(QStringLiteral("Question"), QStringLiteral("x")); }),
                 int(ErrUpdateWithoutEdit));
        rs->AddNew();
        QCOMPARE(rs->EditMode(), int(dbEditAdd));
        rs->setValue(QStringLiteral("Question"), QStringLiteral("ten"));
        rs->setValue(QStringLiteral("Answer"), QStringLiteral("{\\rtf1 x}"));
        rs->Update();
        QCOMPARE(rs->EditMode(), int(dbEditNone));
        // The current record stays where it was; the new one is last.
        QCOMPARE(rs->Bookmark(), five);
        QCOMPARE(rs->RecordCount(), 4);
        rs->setBookmark(rs->LastModified());
        QCOMPARE(rs->AbsolutePosition(), 3);
        QCOMPARE(rs->value(QStringLiteral("ID")).toLongLong(), 10);

        // A row with a lower key goes to its place in key order.
        rs->AddNew();
        rs->setValue(QStringLiteral("ID"), 3);
        rs->setValue(QStringLiteral("Question"), QStringLiteral("three"));
        rs->Update();
        QCOMPARE(rs->AbsolutePosition(), 4);
        QCOMPARE(questions(rs), (QStringList{QStringLiteral("two"), QStringLiteral("three"),
                                             QStringLiteral("five"), QStringLiteral("nine"),
                                             QStringLiteral("ten")}));
        QCOMPARE(rs->keys(), (QVector<qint64>{2, 3, 5, 9, 10}));

        rs->setAbsolutePosition(2);
        rs->Edit();
        QCOMPARE(rs->EditMode(), int(dbEditInProgress));
        rs->setValue(QStringLiteral("Answer"), QStringLiteral("changed"));
        QCOMPARE(rs->value(QStringLiteral("Answer")).toString(), QStringLiteral("changed"));
        rs->CancelUpdate();
        QVERIFY(rs->value(QStringLiteral("Answer")).isNull());
        rs->Edit();
        rs->setValue(QStringLiteral("Answer"), QStringLiteral("changed"));
        rs->Update();
        QCOMPARE(DbTestFiles::sqliteValue(m_path,
                                          QStringLiteral("SELECT Answer FROM Topic WHERE ID=5;")),
                 QStringLiteral("changed"));

        rs->Delete();
        QCOMPARE(errorOf([&] { rs->value(0); }), int(ErrRecordDeleted));
        QCOMPARE(rs->AbsolutePosition(), -1);
        rs->MoveNext();
        QCOMPARE(rs->value(QStringLiteral("Question")).toString(), QStringLiteral("nine"));
        QCOMPARE(rs->RecordCount(), 4);
        QCOMPARE(questions(rs), (QStringList{QStringLiteral("two"), QStringLiteral("three"),
                                             QStringLiteral("nine"), QStringLiteral("ten")}));
        QCOMPARE(errorOf([&] { rs->setBookmark(five); }), int(ErrNotValidBookmark));
        QCOMPARE(
            DbTestFiles::sqliteValue(
                m_path,
                QStringLiteral("SELECT group_concat(ID) FROM (SELECT ID FROM Topic ORDER BY ID);")),
            QStringLiteral("2,3,9,10"));
    }

    void deletingTheLastRecords()
    {
        auto rs = m_db->OpenRecordset(QStringLiteral("Topic"));
        rs->MoveLast();
        rs->Delete();
        QVERIFY(!rs->Eof());
        rs->MoveNext();
        QVERIFY(rs->Eof());
        rs->MoveLast();
        QCOMPARE(rs->value(QStringLiteral("Question")).toString(), QStringLiteral("five"));
        rs->MoveFirst();
        rs->Delete();
        rs->MoveNext();
        rs->Delete();
        QCOMPARE(rs->RecordCount(), 0);
        rs->MoveNext();
        QVERIFY(rs->Eof());
        QVERIFY(rs->Bof());
    }

    void duplicateQuestionIsRefused()
    {
        auto rs = m_db->OpenRecordset(QStringLiteral("Topic"));
        rs->AddNew();
        rs->setValue(QStringLiteral("Question"), QStringLiteral("TWO"));
        QCOMPARE(errorOf([&] { rs->Update(); }), int(ErrDuplicateKey));
        // The edit stays open so the user can correct it.
        QCOMPARE(rs->EditMode(), int(dbEditAdd));
        rs->CancelUpdate();
        QCOMPARE(rs->RecordCount(), 3);
        rs->MoveLast();
        rs->Edit();
        rs->setValue(QStringLiteral("Question"), QStringLiteral("five"));
        QCOMPARE(errorOf([&] { rs->Update(); }), int(ErrDuplicateKey));
    }

    void snapshotsAndQueriesNeverWrite()
    {
        QCOMPARE(errorOf([&] {
                     m_db->OpenRecordset(QStringLiteral("DELETE FROM Topic"), dbOpenSnapshot);
                 }),
                 int(ErrInvalidOperation));
        QCOMPARE(errorOf([&] {
                     m_db->OpenRecordset(QStringLiteral("SELECT 1; DELETE FROM Topic"),
                                         dbOpenSnapshot);
                 }),
                 int(ErrInvalidOperation));
        QCOMPARE(DbTestFiles::sqliteValue(m_path, QStringLiteral("SELECT count(*) FROM Topic;")),
                 QStringLiteral("3"));
        auto snapshot = m_db->OpenRecordset(QStringLiteral("Topic"), dbOpenSnapshot);
        QCOMPARE(errorOf([&] { snapshot->AddNew(); }), int(ErrReadOnly));
        QCOMPARE(errorOf([&] { snapshot->Delete(); }), int(ErrReadOnly));
        auto query = m_db->OpenRecordset(QStringLiteral(
            "  select Question, length(Question) AS n FROM Topic ORDER BY Question DESC"));
        QCOMPARE(query->RecordCount(), 3);
        QCOMPARE(query->value(QStringLiteral("N")).toLongLong(), 3);
        query->MoveLast();
        QCOMPARE(query->value(0).toString(), QStringLiteral("five"));
        QCOMPARE(errorOf([&] { query->Edit(); }), int(ErrReadOnly));
        QCOMPARE(errorOf([&] { m_db->OpenRecordset(QStringLiteral("SELECT * FROM Nowhere")); }),
                 int(ErrInputTableNotFound));
    }

    void longBinaryInChunks()
    {
        m_db->Execute(
            QStringLiteral("CREATE TABLE \"Zipped Examples\" (ID INTEGER PRIMARY KEY "
                           "AUTOINCREMENT, Question LONGTEXT, Answer LONGTEXT, Ziped LONGBLOB)"));
        auto rs = m_db->OpenRecordset(QStringLiteral("Zipped Examples"));
        QByteArray zip;
        for (int i = 0; i < 20000; ++i)
            zip.append(char(i % 251));
        rs->AddNew();
        rs->setValue(QStringLiteral("Question"), QStringLiteral("zip"));
        for (qsizetype at = 0; at < zip.size(); at += 8192)
            rs->AppendChunk(QStringLiteral("Ziped"), zip.mid(at, 8192));
        rs->Update();
        rs->MoveFirst();
        QCOMPARE(rs->FieldSize(QStringLiteral("Ziped")), zip.size());
        QByteArray read;
        for (qint64 at = 0; at < rs->FieldSize(QStringLiteral("Ziped")); at += 8192)
            read += rs->GetChunk(QStringLiteral("Ziped"), at, 8192);
        QCOMPARE(read, zip);
        // Read in order through one reader: an odd first piece, then whole ones, then nothing.
        const auto readAll = [&] {
            const auto reader = rs->readChunks(QStringLiteral("Ziped"));
            QByteArray pieces = reader->next(zip.size() % 8192);
            for (QByteArray piece = reader->next(8192); !piece.isEmpty();
                 piece = reader->next(8192))
                pieces += piece;
            return std::make_pair(reader->size(), pieces);
        };
        QCOMPARE(readAll(), std::make_pair(qint64(zip.size()), zip));
        // A record being added is read from what was appended so far; a value never given
        // reads as nothing.
        rs->AddNew();
        rs->AppendChunk(QStringLiteral("Ziped"), zip.left(100));
        QCOMPARE(readAll(), std::make_pair(qint64(100), zip.left(100)));
        rs->CancelUpdate();
        rs->AddNew();
        rs->setValue(QStringLiteral("Question"), QStringLiteral("without"));
        rs->Update();
        rs->MoveLast();
        QCOMPARE(readAll(), std::make_pair(qint64(0), QByteArray()));
        rs->MoveFirst();
        // The first chunk after Edit replaces the old value.
        rs->Edit();
        rs->AppendChunk(QStringLiteral("Ziped"), QByteArray("PK"));
        rs->Update();
        QCOMPARE(rs->GetChunk(QStringLiteral("Ziped"), 0, 100), QByteArray("PK"));
        QCOMPARE(DbTestFiles::sqliteValue(
                     m_path, QStringLiteral("SELECT typeof(Ziped) FROM \"Zipped Examples\";")),
                 QStringLiteral("blob"));
    }

    void textSizeInBytesAndEditConflicts()
    {
        // Text in a long binary field is measured in the bytes its chunks return.
        const QString text = QStringLiteral("caf\u00e9 na\u00efve \u00fcber r\u00e9sum\u00e9");
        auto rs = m_db->OpenRecordset(QStringLiteral("Topic"));
        rs->MoveFirst();
        rs->Edit();
        rs->setValue(QStringLiteral("Answer"), text);
        rs->Update();
        QCOMPARE(rs->FieldSize(QStringLiteral("Answer")), text.toUtf8().size());
        QCOMPARE(rs->GetChunk(QStringLiteral("Answer"), 0, 1000), text.toUtf8());

        // Another process saves the record between this one's Edit and Update.
        rs->Edit();
        rs->setValue(QStringLiteral("Answer"), QStringLiteral("mine"));
        DbTestFiles::sqlite(m_path, QStringLiteral("UPDATE Topic SET Answer='theirs' WHERE ID=2;"));
        QCOMPARE(errorOf([&] { rs->Update(); }), int(ErrDataChanged));
        QCOMPARE(DbTestFiles::sqliteValue(m_path,
                                          QStringLiteral("SELECT Answer FROM Topic WHERE ID=2;")),
                 QStringLiteral("theirs"));
        // The typed value is still there to keep or drop.
        QCOMPARE(rs->EditMode(), int(dbEditInProgress));
        QCOMPARE(rs->value(QStringLiteral("Answer")).toString(), QStringLiteral("mine"));
        rs->CancelUpdate();
        // An unchanged row saves as before.
        rs->Edit();
        rs->setValue(QStringLiteral("Answer"), QStringLiteral("mine"));
        rs->Update();
        QCOMPARE(DbTestFiles::sqliteValue(m_path,
                                          QStringLiteral("SELECT Answer FROM Topic WHERE ID=2;")),
                 QStringLiteral("mine"));
    }

    void readOnlyFileRefusesEdit()
    {
        // A file its user may only read opens read-only: Edit says so at once.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ReadOnly.mdb"));
        DbTestFiles::createKnowledgeBase(path, {QStringLiteral("Topic")}, 1);
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
        ::chmod(QFile::encodeName(path).constData(), 0444);
        const pid_t child = fork();
        if (child == 0) {
            // Root may write anything: read as an ordinary user.
            if (geteuid() == 0 && setuid(65534) != 0)
                _exit(3);
            int code = 1;
            try {
                auto db = DBEngine::OpenDatabase(path);
                auto rs = db->OpenRecordset(QStringLiteral("Topic"));
                rs->MoveFirst();
                code = errorOf([&] { rs->Edit(); }) == ErrReadOnly ? 0 : 2;
            } catch (...) {
                code = 4;
            }
            _exit(code);
        }
        int status = -1;
        QVERIFY(waitpid(child, &status, 0) == child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    void closedDatabaseInvalidatesRecordsets()
    {
        auto rs = m_db->OpenRecordset(QStringLiteral("Topic"));
        m_db->Close();
        QCOMPARE(errorOf([&] { rs->MoveNext(); }), int(ErrObjectInvalid));
    }

    void dataControlOpensItsSource()
    {
        DataControl control;
        QSignalSpy changed(&control, &DataControl::recordsetChanged);
        control.setDatabaseName(m_dir.path() + QStringLiteral("/Rs%1").arg(m_counter));
        control.setRecordSource(QStringLiteral("Topic"));
        control.Refresh();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(control.recordset()->RecordCount(), 3);
        control.setRecordSource(QStringLiteral("Empty"));
        control.Refresh();
        QVERIFY(control.recordset()->Eof());
        control.setDatabaseName(m_dir.filePath(QStringLiteral("Missing")));
        QCOMPARE(errorOf([&] { control.Refresh(); }), int(ErrFileNotFound));
        control.setConnect(QStringLiteral("Excel 8.0;"));
        QCOMPARE(errorOf([&] { control.Refresh(); }), int(ErrNoInstallableIsam));
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_counter = 0;
    std::shared_ptr<Database> m_db;
};

QTEST_GUILESS_MAIN(TestDbRecordset)
#include "tst_dbrecordset.moc"
