#include "kb/keywordsearch.h"
#include "kb_searchfixture.h"

#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"

#include "dbtestfiles.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <atomic>

using SearchFixture::Record;

class TestSearchEngine : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString kbPath() const { return m_dir.path() + QStringLiteral("/Notes.mdb"); }
    QString searchPath() const { return m_dir.path() + QStringLiteral("/Search.mdb"); }

    QStringList found(const QString &keyword, bool exact = false)
    {
        const SearchOutcome outcome = KeywordSearch::run(
            kbPath(), KeywordSearch::topicTables(kbPath()), keyword, exact, searchPath());
        if (!outcome.error.isEmpty())
            qWarning() << outcome.error;
        QStringList questions;
        for (const SearchHit &hit : outcome.hits)
            questions.append(hit.question);
        return questions;
    }

private slots:
    void initTestCase()
    {
        SearchFixture::createKnowledgeBase(
            m_dir.path(), QStringLiteral("Notes"),
            {{QStringLiteral("Basics"),
              {Record{QStringLiteral("Who is O'Brien?"), QStringLiteral("a")},
               Record{QStringLiteral("What is C# used for?"), QStringLiteral("b")},
               Record{QStringLiteral("Why is 50% of memory free?"), QStringLiteral("c")},
               Record{QStringLiteral("What does a*b mean?"), QStringLiteral("d")},
               Record{QStringLiteral("Index with [x in brackets"), QStringLiteral("e")},
               Record{QStringLiteral("What is 500 percent?"), QStringLiteral("f")}}},
             {QStringLiteral("Words"),
              {Record{QStringLiteral("win the game"), QStringLiteral("g")},
               Record{QStringLiteral("everybody wins"), QStringLiteral("h")},
               Record{QStringLiteral("how to win"), QStringLiteral("i")},
               Record{QStringLiteral("a WIN in capitals"), QStringLiteral("j")},
               Record{QStringLiteral("ab_cd underscore"), QStringLiteral("k")},
               Record{QStringLiteral("xay marks"), QStringLiteral("l")},
               Record{QStringLiteral("ÉCLAIR au café"), QStringLiteral("m")}}},
             {QStringLiteral("Secret"),
              {Record{QStringLiteral("a hidden win"), QStringLiteral("n")}}}});
        // A hidden table is no topic in the lists, but the search reads it; a table of the
        // system's own (its name begins with "MSys") is never read.
        {
            const auto database = db::DBEngine::OpenDatabase(kbPath());
            database->setTableHidden(QStringLiteral("Secret"), true);
            database->Execute(QStringLiteral("CREATE TABLE \"MSysNotes\" (ID INTEGER PRIMARY KEY, "
                                             "Question LONGTEXT, Answer LONGTEXT)"));
            database->Execute(QStringLiteral("INSERT INTO \"MSysNotes\" (Question, Answer) "
                                             "VALUES ('a system win', 'o')"));
            QVERIFY(!database->tableNames(true).contains(QStringLiteral("Secret")));
            database->Close();
        }
        SearchFixture::createSearchDatabase(m_dir.path());
    }

    void topics()
    {
        QCOMPARE(KeywordSearch::topicTables(kbPath()),
                 QStringList({QStringLiteral("Basics"), QStringLiteral("Secret"),
                              QStringLiteral("Words")}));
        QVERIFY(KeywordSearch::topicTables(m_dir.path() + QStringLiteral("/None.mdb")).isEmpty());
    }

    void keywordsAreLiteral()
    {
        QCOMPARE(found(QStringLiteral("O'Brien")), QStringList{QStringLiteral("Who is O'Brien?")});
        QCOMPARE(found(QStringLiteral("C#")), QStringList{QStringLiteral("What is C# used for?")});
        QCOMPARE(found(QStringLiteral("50%")),
                 QStringList{QStringLiteral("Why is 50% of memory free?")});
        QCOMPARE(found(QStringLiteral("a*b")), QStringList{QStringLiteral("What does a*b mean?")});
        QCOMPARE(found(QStringLiteral("[x")),
                 QStringList{QStringLiteral("Index with [x in brackets")});
        QCOMPARE(found(QStringLiteral("x_y")), QStringList());
        QCOMPARE(found(QStringLiteral("b_cd")), QStringList{QStringLiteral("ab_cd underscore")});
        // Letter case does not matter, in any script.
        QCOMPARE(found(QStringLiteral("o'brien")).size(), 1);
        QCOMPARE(found(QStringLiteral("éclair")), QStringList{QStringLiteral("ÉCLAIR au café")});
        QCOMPARE(found(QStringLiteral("CAFÉ"), true),
                 QStringList{QStringLiteral("ÉCLAIR au café")});
        QCOMPARE(found(QStringLiteral("clair")).size(), 1);
    }

    void matchExactly()
    {
        const QStringList loose = found(QStringLiteral("win"));
        QCOMPARE(loose.size(), 5);
        const QStringList exact = found(QStringLiteral("win"), true);
        // At the start, in the middle and at the end of a question; "wins" is not a match.
        QCOMPARE(exact,
                 QStringList({QStringLiteral("a hidden win"), QStringLiteral("win the game"),
                              QStringLiteral("how to win"), QStringLiteral("a WIN in capitals")}));
    }

    void withoutQuestionIndex()
    {
        // A file whose topics lost their question index still finds the same records.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Notes.mdb"));
        QVERIFY(QFile::copy(kbPath(), path));
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        QStringList indexes;
        sqlite3_stmt *list = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT name FROM sqlite_schema WHERE type = 'index' AND "
                           "tbl_name = 'Words' AND sql IS NOT NULL",
                           -1, &list, nullptr);
        while (sqlite3_step(list) == SQLITE_ROW)
            indexes.append(
                QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(list, 0))));
        sqlite3_finalize(list);
        QVERIFY(!indexes.isEmpty());
        for (const QString &index : std::as_const(indexes))
            sqlite3_exec(db, ("DROP INDEX \"" + index.toUtf8() + "\"").constData(), nullptr,
                         nullptr, nullptr);
        sqlite3_close(db);
        const SearchOutcome outcome = KeywordSearch::run(path, KeywordSearch::topicTables(path),
                                                         QStringLiteral("Win"), true, searchPath());
        QVERIFY2(outcome.error.isEmpty(), qPrintable(outcome.error));
        QStringList questions;
        for (const SearchHit &hit : outcome.hits)
            questions.append(hit.question);
        QCOMPARE(questions,
                 QStringList({QStringLiteral("a hidden win"), QStringLiteral("win the game"),
                              QStringLiteral("how to win"), QStringLiteral("a WIN in capitals")}));
    }

    void resultsAreStored()
    {
        const SearchOutcome outcome =
            KeywordSearch::run(kbPath(), KeywordSearch::topicTables(kbPath()),
                               QStringLiteral("win"), true, searchPath());
        QVERIFY(outcome.error.isEmpty());
        const QStringList rows = SearchFixture::searchRows(m_dir.path());
        QCOMPARE(rows, QStringList({QStringLiteral("a hidden win|1|Secret"),
                                    QStringLiteral("win the game|1|Words"),
                                    QStringLiteral("how to win|3|Words"),
                                    QStringLiteral("a WIN in capitals|4|Words")}));
        // Each hit knows its own stored row.
        QSet<qint64> ids;
        for (const SearchHit &hit : outcome.hits)
            ids.insert(hit.resultId);
        QCOMPARE(ids.size(), 4);
    }

    void failedClearKeepsPreviousResults()
    {
        found(QStringLiteral("C#"));
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(searchPath().toUtf8().constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db,
                              "CREATE TRIGGER keep BEFORE DELETE ON SrhResult "
                              "BEGIN SELECT RAISE(ABORT, 'locked'); END",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        const SearchOutcome outcome =
            KeywordSearch::run(kbPath(), KeywordSearch::topicTables(kbPath()),
                               QStringLiteral("win"), false, searchPath());
        QVERIFY(!outcome.error.isEmpty());
        QVERIFY(outcome.hits.isEmpty());
        QCOMPARE(SearchFixture::searchRows(m_dir.path()).size(), 1); // the C# hit, alone
        sqlite3_exec(db, "DROP TRIGGER keep", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }

    void damagedFileIsNotANoMatch()
    {
        // A cut-off file lists no topics, yet a search must not answer "nothing found".
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Cut.mdb"));
        DbTestFiles::createKnowledgeBase(path, {QStringLiteral("A"), QStringLiteral("B")}, 500);
        QVERIFY(QFile::resize(path, QFileInfo(path).size() / 2));
        QVERIFY(KeywordSearch::topicTables(path).isEmpty());
        const SearchOutcome outcome =
            KeywordSearch::run(path, {}, QStringLiteral("question"), false, searchPath());
        QCOMPARE(outcome.errorNumber, 3049);
        QCOMPARE(outcome.error, QStringLiteral("The database file '%1' is damaged.")
                                    .arg(QFileInfo(path).absoluteFilePath()));
    }

    void cancelledSearchKeepsPreviousResults()
    {
        found(QStringLiteral("C#"));
        const std::atomic_bool cancelled(true);
        const SearchOutcome outcome = KeywordSearch::run(
            kbPath(), KeywordSearch::topicTables(kbPath()), QStringLiteral("nothing like this"),
            false, searchPath(), &cancelled);
        QVERIFY(!outcome.error.isEmpty());
        QCOMPARE(SearchFixture::searchRows(m_dir.path()).size(), 1); // the C# hit, alone
    }

    void manyHitsInOneTopic()
    {
        QTemporaryDir dir;
        QList<Record> records;
        for (int i = 0; i < 33000; ++i)
            records.append({QStringLiteral("note %1 about pointers").arg(i), QStringLiteral("x")});
        SearchFixture::createKnowledgeBase(dir.path(), QStringLiteral("Big"),
                                           {{QStringLiteral("Pointers"), records}});
        SearchFixture::createSearchDatabase(dir.path());
        const SearchOutcome outcome = KeywordSearch::run(
            dir.path() + QStringLiteral("/Big.mdb"), {QStringLiteral("Pointers")},
            QStringLiteral("pointers"), false, dir.path() + QStringLiteral("/Search.mdb"));
        QVERIFY(outcome.error.isEmpty());
        QCOMPARE(outcome.hits.size(), 33000);
        QCOMPARE(SearchFixture::searchRows(dir.path()).size(), 33000);
    }
};

QTEST_GUILESS_MAIN(TestSearchEngine)
#include "kb_search_engine.moc"
