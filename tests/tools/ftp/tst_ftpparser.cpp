#include "platform/base/apperror.h"
#include "tools/ftp/CFtpFiles.h"
#include "tools/ftp/FtpErrors.h"
#include "tools/ftp/FtpListingParser.h"
#include "tools/ftp/FtpReplyParser.h"

#include <QtTest>

class TestFtpParser : public QObject
{
    Q_OBJECT

private slots:
    void replyFraming_data();
    void replyFraming();
    void replyInPieces();
    void unixLines();
    void dosLines();
    void skippedLines();
    void recentDates();
    void collection();
    void errorTable();
};

void TestFtpParser::replyFraming_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("rest");
    QTest::newRow("single") << QByteArray("220 ready\r\n331 next\r\n") << 220
                            << QByteArray("220 ready\r\n") << QByteArray("331 next\r\n");
    QTest::newRow("multi") << QByteArray("220-hello\r\n220 there\r\n") << 220
                           << QByteArray("220-hello\r\n220 there\r\n") << QByteArray();
    QTest::newRow("other code inside")
        << QByteArray("230-a\r\n230b\r\n 230 indented\r\n221 not it\r\n230 end\r\nx") << 230
        << QByteArray("230-a\r\n230b\r\n 230 indented\r\n221 not it\r\n230 end\r\n")
        << QByteArray("x");
    QTest::newRow("bare end line")
        << QByteArray("211-x\r\n211\r\n") << 211 << QByteArray("211-x\r\n211\r\n") << QByteArray();
    QTest::newRow("lf only") << QByteArray("250 ok\n") << 250 << QByteArray("250 ok\n")
                             << QByteArray();
    QTest::newRow("no code") << QByteArray("hello\r\n") << 0 << QByteArray("hello\r\n")
                             << QByteArray();
    QTest::newRow("four digits") << QByteArray("3310 no\r\n") << 0 << QByteArray("3310 no\r\n")
                                 << QByteArray();
}

void TestFtpParser::replyFraming()
{
    QFETCH(QByteArray, buffer);
    QFETCH(int, code);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, rest);
    FtpReply reply;
    QVERIFY(takeFtpReply(buffer, reply));
    QCOMPARE(reply.code, code);
    QCOMPARE(reply.text, text);
    QCOMPARE(buffer, rest);
}

void TestFtpParser::replyInPieces()
{
    // A reply is complete only with its last line end, however the bytes arrive.
    const QByteArray whole("220-first\r\n220 last\r\n");
    QByteArray buffer;
    FtpReply reply;
    for (qsizetype i = 0; i < whole.size() - 1; ++i) {
        buffer += whole.at(i);
        QVERIFY(!takeFtpReply(buffer, reply));
    }
    buffer += whole.back();
    QVERIFY(takeFtpReply(buffer, reply));
    QCOMPARE(reply.code, 220);
    QCOMPARE(reply.firstLine(), QByteArray("220-first"));
    QVERIFY(buffer.isEmpty());
}

void TestFtpParser::unixLines()
{
    const QDate today(2026, 12, 8);
    const QByteArray listing =
        "total 12\r\n"
        "drwxr-xr-x   2 owner    group        4096 Mar  5 14:20 pub\r\n"
        "lrwxrwxrwx 1 o g 7 Jan 1 2001 lib -> usr/lib\r\n"
        "lrwxrwxrwx 1 o g 7 Jan 1 2001 libso -> usr/lib.so\r\n"
        "-rw-r--r--   1 0        0      3221225472 Dec 01  2020 sparse file.bin\r\n"
        "-rw-r--r--   1 0        0               5 Feb 29 10:00 two  blanks\r\n"
        "lrwxrwxrwx   1 0        0               5 Dec 01 10:00 my link -> my target\r\n"
        "-rw-r--r--   1 0        0               1 Dec 01 10:00 \xc3\xa9t\xc3\xa9\r\n"
        "-rw-r--r--   1 0        0               1 Dec 01 10:00 caf\xe9\r\n"
        "-rw-r--r--   1 0        0               1 Dec 01 10:00 dup\r\n"
        "-rw-r--r--   1 0        0               2 Dec 01 10:00 dup\r\n";
    const CFtpFiles files = parseListing(listing, today);
    QCOMPARE(files.count(), 10);
    const CFtpFile &pub = files.item(1);
    QCOMPARE(pub.filename, QStringLiteral("pub"));
    QVERIFY(pub.isDirectory);
    QCOMPARE(pub.fileSize, 4096);
    QCOMPARE(pub.owner, QStringLiteral("owner"));
    QCOMPARE(pub.group, QStringLiteral("group"));
    QCOMPARE(pub.permissions, QStringLiteral("drwxr-xr-x"));
    QCOMPARE(pub.lastWriteTime, QDateTime(QDate(2026, 3, 5), QTime(0, 0)));
    QCOMPARE(files.item(2).filename, QStringLiteral("lib"));
    QCOMPARE(files.item(2).filePath, QStringLiteral("usr/lib"));
    QVERIFY(files.item(2).isDirectory);
    QCOMPARE(files.item(2).lastWriteTime.date(), QDate(2001, 1, 1));
    QVERIFY(!files.item(3).isDirectory);
    QCOMPARE(files.item(4).filename, QStringLiteral("sparse file.bin"));
    QCOMPARE(files.item(4).fileSize, 3221225472LL);
    QCOMPARE(files.item(5).filename, QStringLiteral("two  blanks"));
    QVERIFY(!files.item(5).lastWriteTime.isValid()); // 29 Feb 2026 does not exist
    QCOMPARE(files.item(6).filename, QStringLiteral("my link"));
    QCOMPARE(files.item(6).filePath, QStringLiteral("my target"));
    QCOMPARE(files.item(7).filename, QString::fromUtf8("\xc3\xa9t\xc3\xa9"));
    QCOMPARE(files.item(8).filename, QString::fromLatin1("caf\xe9"));
    QCOMPARE(files.item(8).rawName, QByteArray("caf\xe9"));
    QCOMPARE(files.item(9).fileSize, 1);
    QCOMPARE(files.item(10).fileSize, 2);
}

void TestFtpParser::dosLines()
{
    const QByteArray listing = "03-15-04  10:30AM       <DIR>          My Docs\r\n"
                               "12-01-20  01:02PM                 1234 file  name.txt\r\n"
                               "12-01-20  01:02PM       <DIR>          .\r\n"
                               "01-02-2021  11:59PM     5000000000 huge.iso\r\n"
                               "11-11-11 11:11AM 100  leading blank.txt\r\n"
                               "11-11-11 11:11AM 99999999999999999999999 beyond.bin\r\n";
    const CFtpFiles files = parseListing(listing, QDate(2026, 12, 8));
    QCOMPARE(files.count(), 5);
    QCOMPARE(files.item(4).filename, QStringLiteral(" leading blank.txt"));
    QCOMPARE(files.item(4).fileSize, 100);
    QCOMPARE(files.item(5).fileSize, -1); // too large to hold: unknown, not 0
    QCOMPARE(files.item(1).filename, QStringLiteral("My Docs"));
    QVERIFY(files.item(1).isDirectory);
    QCOMPARE(files.item(1).lastWriteTime, QDateTime(QDate(2004, 3, 15), QTime(10, 30)));
    QCOMPARE(files.item(2).filename, QStringLiteral("file  name.txt"));
    QCOMPARE(files.item(2).fileSize, 1234);
    QCOMPARE(files.item(2).lastWriteTime, QDateTime(QDate(2020, 12, 1), QTime(13, 2)));
    QVERIFY(files.item(2).permissions.isEmpty());
    QCOMPARE(files.item(3).fileSize, 5000000000LL);
    QCOMPARE(files.item(3).lastWriteTime.date(), QDate(2021, 1, 2));
}

void TestFtpParser::skippedLines()
{
    const QByteArray listing = "\r\nTOTAL 5\r\n"
                               "drwxr-xr-x 2 o g 4096 Mar 5 14:20 .\r\n"
                               "drwxr-xr-x 2 o g 4096 Mar 5 14:20 ..\r\n"
                               "a b c\r\n"
                               "-rw-r--r-- 1 o g 4096 Mar 5 14:20 \r\n";
    QCOMPARE(parseListing(listing, QDate(2026, 12, 8)).count(), 0);
    QCOMPARE(parseListing(QByteArray(), QDate(2026, 12, 8)).count(), 0);
    // Unknown month text: the entry stays, undated.
    const CFtpFiles odd = parseListing("-rw-r--r-- 1 o g 12 mar 5 14:20 x\r\n", QDate(2026, 12, 8));
    QCOMPARE(odd.count(), 1);
    QVERIFY(!odd.item(1).lastWriteTime.isValid());
    QCOMPARE(odd.item(1).fileSize, 12);
}

void TestFtpParser::recentDates()
{
    const QDate today(2026, 3, 10);
    // A time instead of a year: within the last year, never in the future.
    QCOMPARE(parseUnixDate("5", "Mar", "14:20", today).date(), QDate(2026, 3, 5));
    QCOMPARE(parseUnixDate("11", "Mar", "09:00", today).date(), QDate(2026, 3, 11));
    QCOMPARE(parseUnixDate("20", "Nov", "09:00", today).date(), QDate(2025, 11, 20));
    QCOMPARE(parseUnixDate("1", "Jan", "1999", today).date(), QDate(1999, 1, 1));
    QVERIFY(!parseUnixDate("1", "Foo", "1999", today).isValid());
}

void TestFtpParser::collection()
{
    CFtpFile fresh;
    QVERIFY(!fresh.isDirectory);
    QCOMPARE(fresh.fileSize, 0);
    QVERIFY(fresh.lastWriteTime.isNull());
    QVERIFY(fresh.filename.isEmpty() && fresh.filePath.isEmpty() && fresh.owner.isEmpty());
    CFtpFiles files;
    CFtpFile a;
    a.filename = QStringLiteral("a");
    CFtpFile b;
    b.filename = QStringLiteral("b");
    files.add(a, QStringLiteral("same"));
    files.add(b, QStringLiteral("same"));
    QCOMPARE(files.count(), 2);
    QCOMPARE(files.item(1).filename, QStringLiteral("a"));
    files.remove(1);
    QCOMPARE(files.count(), 1);
    QCOMPARE(files.item(1).filename, QStringLiteral("b"));
    // A position outside the entries is error 9, not a crash, in every build.
    for (const int position : {0, 2}) {
        try {
            files.remove(position);
            QFAIL("no error");
        } catch (const AppException &error) {
            QCOMPARE(error.number(), 9);
        }
    }
    QVERIFY_THROWS_EXCEPTION(AppException, files.item(2));
    QCOMPARE(files.count(), 1);
}

void TestFtpParser::errorTable()
{
    const QList<QPair<int, int>> sockets = {
        {10048, 0},  {10049, 1},  {40006, 4},  {10053, 5},  {10061, 6},  {10054, 7},  {11001, 9},
        {10036, 11}, {10055, 20}, {10043, 29}, {10060, 33}, {10035, 35}, {40026, 36}, {1, -1}};
    for (const auto &[number, code] : sockets)
        QCOMPARE(ftpCodeForSocketError(number), code);
    const QList<QPair<int, int>> replies = {{120, 37}, {331, 38}, {421, 41}, {426, 43},
                                            {450, 44}, {452, 46}, {500, 47}, {530, 52},
                                            {550, 54}, {553, 57}, {226, -1}, {0, -1}};
    for (const auto &[reply, code] : replies)
        QCOMPARE(ftpCodeForReply(reply), code);
    QCOMPARE(ftpErrorText(54), QStringLiteral("Requested action not taken. File unavailable "
                                              "(e.g., file not found, no access)."));
    QCOMPARE(ftpErrorText(44), QStringLiteral("Requested file action not taken."));
    QCOMPARE(ftpErrorText(59),
             QStringLiteral("Can't close control connection. Transfer in progress."));
    for (int code = 0; code <= 63; ++code) {
        if (code >= 41 && code != 58 && code != 60 && code != 62)
            QVERIFY2(!ftpErrorText(code).isEmpty(), qPrintable(QString::number(code)));
    }
}

QTEST_GUILESS_MAIN(TestFtpParser)
#include "tst_ftpparser.moc"
