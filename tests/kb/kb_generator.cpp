#include "dbtestfiles.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Runs the build's database generator on the sample sources beside this test.
class TestKbGenerator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        QProcess generator;
        generator.start(
            QStringLiteral(KBDATAGEN),
            {TestSupport::sourceDir() + QStringLiteral("/tests/kb/data/content"), m_root.path()});
        QVERIFY(generator.waitForFinished(60000));
        m_warnings = QString::fromUtf8(generator.readAllStandardError());
        QCOMPARE(generator.exitCode(), 0);
    }

    void everyFileIsMade()
    {
        QVERIFY(QFileInfo(m_root.filePath(QStringLiteral("DataLog"))).isDir());
        const QStringList files = QDir(m_root.filePath(QStringLiteral("Database")))
                                      .entryList({QStringLiteral("*.mdb")}, QDir::Files);
        QCOMPARE(files.size(), 16);
        for (const QString &name : files) {
            QCOMPARE(DbTestFiles::sqliteValue(database(name.chopped(4)),
                                              QStringLiteral("PRAGMA integrity_check;")),
                     QStringLiteral("ok"));
        }
        // Knowledge bases without sources still open on one empty topic.
        QCOMPARE(tables(QStringLiteral("Java")), QStringLiteral("General"));
        QCOMPARE(DbTestFiles::sqliteValue(database(QStringLiteral("Java")),
                                          QStringLiteral("SELECT count(*) FROM General;")),
                 QStringLiteral("0"));
        QCOMPARE(tables(QStringLiteral("VB Keywords")), QStringLiteral("Reserved"));
        QCOMPARE(DbTestFiles::sqliteValue(database(QStringLiteral("VB Keywords")),
                                          QStringLiteral("SELECT count(*) FROM Reserved;")),
                 QStringLiteral("0"));
    }

    void topicsAndRecords()
    {
        const QString cpp = database(QStringLiteral("C++"));
        QCOMPARE(tables(QStringLiteral("C++")), QStringLiteral("Basics,Zipped Examples"));
        QCOMPARE(tables(QStringLiteral("Linux")), QStringLiteral("Shell v1 0"));
        QCOMPARE(DbTestFiles::sqliteValue(
                     cpp, QStringLiteral("SELECT group_concat(Question, '|') FROM (SELECT Question "
                                         "FROM Basics ORDER BY ID);")),
                 QStringLiteral("What does {braces} and a \\ backslash look like?|How do I print "
                                "hello?|Empty answer?"));
        QVERIFY(m_warnings.contains(QStringLiteral("repeated question")));
        QCOMPARE(DbTestFiles::sqliteValue(
                     cpp, QStringLiteral("SELECT group_concat(name) FROM "
                                         "pragma_index_list('Basics') WHERE \"unique\";")),
                 QStringLiteral("Basics.Question"));
        QCOMPARE(
            DbTestFiles::sqliteValue(
                cpp, QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name LIKE 'MSys%';")),
            QStringLiteral("3"));
    }

    void answersAreRichText()
    {
        const QString cpp = database(QStringLiteral("C++"));
        const QString first =
            DbTestFiles::sqlite(cpp, QStringLiteral("SELECT Answer FROM Basics WHERE ID=1;"))
                .output;
        QVERIFY(first.startsWith(QStringLiteral("{\\rtf1")));
        QVERIFY(first.contains(QStringLiteral(
            "Braces and backslashes must be escaped in the stored rich text.\\par")));
        QVERIFY(first.contains(QStringLiteral("caf\\u233?")));
        QVERIFY(first.contains(QStringLiteral("\\u-10179?\\u-8704?")));
        const QString second =
            DbTestFiles::sqlite(cpp, QStringLiteral("SELECT Answer FROM Basics WHERE ID=2;"))
                .output;
        QVERIFY(second.contains(QStringLiteral("\\f1 #include <iostream>\\f0\\par")));
        QVERIFY(second.contains(
            QStringLiteral("\\f1 int main() \\{ std::cout << \"hello\\\\n\"; \\}\\f0\\par")));
        // An independent reader sees the text.
        QTemporaryDir dir;
        const QString rtf = dir.filePath(QStringLiteral("a.rtf"));
        DbTestFiles::sqlite(
            cpp, QStringLiteral("SELECT writefile('%1', Answer) FROM Basics WHERE ID=2;").arg(rtf));
        QProcess unrtf;
        unrtf.start(QStringLiteral("unrtf"), {QStringLiteral("--text"), rtf});
        if (!unrtf.waitForStarted())
            QSKIP("unrtf is not installed");
        unrtf.waitForFinished();
        const QString text = QString::fromUtf8(unrtf.readAllStandardOutput());
        QVERIFY2(text.contains(QStringLiteral("std::cout << \"hello\\n\"")), qPrintable(text));
    }

    void zippedExamples()
    {
        const QString cpp = database(QStringLiteral("C++"));
        QCOMPARE(DbTestFiles::sqliteValue(
                     cpp, QStringLiteral("SELECT group_concat(typeof(Ziped)) FROM (SELECT Ziped "
                                         "FROM \"Zipped Examples\" ORDER BY ID);")),
                 QStringLiteral("blob,null,blob"));
        QTemporaryDir dir;
        const QString zip = dir.filePath(QStringLiteral("one.zip"));
        DbTestFiles::sqlite(
            cpp,
            QStringLiteral("SELECT writefile('%1', Ziped) FROM \"Zipped Examples\" WHERE ID=1;")
                .arg(zip));
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), zip});
        QVERIFY(unzip.waitForFinished());
        QCOMPARE(QString::fromUtf8(unzip.readAllStandardOutput())
                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 (QStringList{QStringLiteral("README.txt"), QStringLiteral("src/hello.cpp")}));
        QProcess test;
        test.start(QStringLiteral("unzip"), {QStringLiteral("-tq"), zip});
        QVERIFY(test.waitForFinished());
        QCOMPARE(test.exitCode(), 0);
    }

    void listsAndAddresses()
    {
        QCOMPARE(DbTestFiles::sqliteValue(
                     database(QStringLiteral("C Keywords")),
                     QStringLiteral("SELECT group_concat(Keyword, ' ') FROM Reserved;")),
                 QStringLiteral("int for #include while"));
        QCOMPARE(DbTestFiles::sqliteValue(
                     database(QStringLiteral("FTP")),
                     QStringLiteral("SELECT group_concat(substr(Address, 8), ' ') FROM FTP;")),
                 QStringLiteral("ftp.example.org mirror.example.net"));
        QCOMPARE(tables(QStringLiteral("Search")), QStringLiteral("SrhResult"));
        QCOMPARE(tables(QStringLiteral("Template")), QStringLiteral("Template"));
    }

    void generatingAgainReplacesTheFiles()
    {
        QProcess generator;
        generator.start(
            QStringLiteral(KBDATAGEN),
            {TestSupport::sourceDir() + QStringLiteral("/tests/kb/data/content"), m_root.path()});
        QVERIFY(generator.waitForFinished(60000));
        QCOMPARE(generator.exitCode(), 0);
        QCOMPARE(DbTestFiles::sqliteValue(database(QStringLiteral("C++")),
                                          QStringLiteral("SELECT count(*) FROM Basics;")),
                 QStringLiteral("3"));
        QCOMPARE(QDir(m_root.filePath(QStringLiteral("Database")))
                     .entryList(QDir::Files | QDir::Hidden)
                     .size(),
                 16);
    }

private:
    QString database(const QString &name) const
    {
        return m_root.filePath(QStringLiteral("Database/") + name + QStringLiteral(".mdb"));
    }
    QString tables(const QString &name) const
    {
        return DbTestFiles::sqliteValue(
            database(name),
            QStringLiteral("SELECT group_concat(name) FROM (SELECT name FROM sqlite_schema "
                           "WHERE type='table' AND name NOT LIKE 'MSys%' AND "
                           "name NOT LIKE 'sqlite%' ORDER BY name);"));
    }

    QTemporaryDir m_root;
    QString m_warnings;
};

QTEST_GUILESS_MAIN(TestKbGenerator)
#include "kb_generator.moc"
