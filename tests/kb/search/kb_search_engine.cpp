#include "kb/keywordsearch.h"
#include "kb_searchfixture.h"

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
               Record{QStringLiteral("xay marks"), QStringLiteral("l")}}}});
        SearchFixture::createSearchDatabase(m_dir.path());
    }

    void topics()
    {
        QCOMPARE(KeywordSearch::topicTables(kbPath()),
                 QStringList({QStringLiteral("Basics"), QStringLiteral("Words")}));
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
        // Letter case does not matter.
        QCOMPARE(found(QStringLiteral("o'brien")).size(), 1);
    }

    void matchExactly()
    {
        const QStringList loose = found(QStringLiteral("win"));
        QCOMPARE(loose.size(), 4);
        const QStringList exact = found(QStringLiteral("win"), true);
        // At the start, in the middle and at the end of a question; "wins" is not a match.
        QCOMPARE(exact, QStringList({QStringLiteral("win the game"), QStringLiteral("how to win"),
                                     QStringLiteral("a WIN in capitals")}));
    }

    void resultsAreStored()
    {
        const SearchOutcome outcome =
            KeywordSearch::run(kbPath(), KeywordSearch::topicTables(kbPath()),
                               QStringLiteral("win"), true, searchPath());
        QVERIFY(outcome.error.isEmpty());
        const QStringList rows = SearchFixture::searchRows(m_dir.path());
        QCOMPARE(rows, QStringList({QStringLiteral("win the game|1|Words"),
                                    QStringLiteral("how to win|3|Words"),
                                    QStringLiteral("a WIN in capitals|4|Words")}));
        // Each hit knows its own stored row.
        QSet<qint64> ids;
        for (const SearchHit &hit : outcome.hits)
            ids.insert(hit.resultId);
        QCOMPARE(ids.size(), 3);
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
