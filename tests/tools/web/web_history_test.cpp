#include "platform/base/settingsstore.h"
#include "testsupport.h"
#include "tools/web/WebAddressHistory.h"
#include "tools/web/WebEngineSandbox.h"

#include <QFile>
#include <QTest>

using namespace WebAddressHistory;

namespace {

QString key(const SettingsStore &store, int n)
{
    return store.value(appName(), sectionName(), historyKey(n), QString()).toString();
}

void setKey(SettingsStore &store, int n, const QString &value)
{
    store.setValue(appName(), sectionName(), historyKey(n), value);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestWebHistory : public QObject
{
    Q_OBJECT

private slots:
    void blankAddressIsNotRecorded()
    {
        MemorySettingsStore store;
        WriteRecentURLs(store, QStringLiteral("   "));
        WriteRecentURLs(store, QString());
        QVERIFY(key(store, 1).isEmpty());
        QVERIFY(ReadRecentURLs(store).isEmpty());
        // The address itself is stored as typed, blanks included.
        WriteRecentURLs(store, QStringLiteral(" a.html "));
        QCOMPARE(key(store, 1), QStringLiteral(" a.html "));
    }

    void fullHistoryDropsTheOldest()
    {
        MemorySettingsStore store;
        for (int i = 1; i <= 10; ++i)
            setKey(store, i, QStringLiteral("u%1").arg(i));
        WriteRecentURLs(store, QStringLiteral("new"));
        QCOMPARE(key(store, 1), QStringLiteral("new"));
        QCOMPARE(key(store, 2), QStringLiteral("u1"));
        QCOMPARE(key(store, 10), QStringLiteral("u9"));
        QVERIFY(key(store, 11).isEmpty());
        const QStringList urls = ReadRecentURLs(store);
        QCOMPARE(urls.size(), 10);
        QCOMPARE(urls.first(), QStringLiteral("new"));
        QVERIFY(!urls.contains(QStringLiteral("u10")));
    }

    void freeKeyIsNotMoved()
    {
        MemorySettingsStore store;
        setKey(store, 1, QStringLiteral("one"));
        setKey(store, 2, QStringLiteral("two"));
        setKey(store, 4, QStringLiteral("four"));
        WriteRecentURLs(store, QStringLiteral("new"));
        QCOMPARE(key(store, 5), QStringLiteral("four"));
        QCOMPARE(key(store, 4), QStringLiteral("four"));
        QCOMPARE(key(store, 3), QStringLiteral("two"));
        QCOMPARE(key(store, 2), QStringLiteral("one"));
        QCOMPARE(key(store, 1), QStringLiteral("new"));
    }

    void sameAddressTwiceStandsTwice()
    {
        MemorySettingsStore store;
        WriteRecentURLs(store, QStringLiteral("x"));
        WriteRecentURLs(store, QStringLiteral("x"));
        QCOMPARE(key(store, 1), QStringLiteral("x"));
        QCOMPARE(key(store, 2), QStringLiteral("x"));
        QCOMPARE(ReadRecentURLs(store), QStringList({"x", "x"}));
    }

    void historyIsReadOnlyWhenTheNewestKeyIsSet()
    {
        MemorySettingsStore store;
        setKey(store, 2, QStringLiteral("two"));
        QVERIFY(ReadRecentURLs(store).isEmpty());
    }

    void historyLandsInTheIniStore()
    {
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        WriteRecentURLs(store, QStringLiteral("http://127.0.0.1/a.html"));
        IniSettingsStore again(dir.path());
        QCOMPARE(ReadRecentURLs(again), QStringList({"http://127.0.0.1/a.html"}));
        QVERIFY(QFile::exists(store.fileName(appName())));
    }

    void favoritesFileIsCreatedAndKept()
    {
        TestSupport::TempDataRoot root;
        const QString path = WebFavorites::favoritesPath();
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("Favorites.txt"));
        QVERIFY(!path.contains(QStringLiteral("//")));
        QVERIFY(!QFile::exists(path));
        QVERIFY(WebFavorites::createFavoritesFile(path));
        QCOMPARE(readAll(path), QByteArray());

        // Addresses added to the list survive the next creation step.
        writeAll(path, "http://127.0.0.1/a.html\r\n");
        QVERIFY(WebFavorites::createFavoritesFile(path));
        QCOMPARE(readAll(path), QByteArray("http://127.0.0.1/a.html\r\n"));
        QVERIFY(!WebFavorites::createFavoritesFile(root.filePath("no/such/folder/Favorites.txt")));
    }

    void sortingFavorites()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Favorites.txt"));
        QString error;
        // Nothing to sort is an error to report, not a file to make.
        QVERIFY(!WebFavorites::SortFavorites(path, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(path));

        writeAll(path, "");
        QVERIFY(WebFavorites::SortFavorites(path));
        QCOMPARE(readAll(path), QByteArray());

        writeAll(path, "beta\r\nAlpha\r\n\r\n  gamma  \r\n");
        QVERIFY(WebFavorites::SortFavorites(path));
        QCOMPARE(readAll(path), QByteArray("Alpha\r\nbeta\r\ngamma\r\n"));

        // Plain line feeds, no final line end, a single-byte name.
        writeAll(path, "\xe9t\xe9\nEta");
        QVERIFY(WebFavorites::SortFavorites(path));
        QCOMPARE(readAll(path), QByteArray("Eta\r\n\xc3\xa9t\xc3\xa9\r\n"));
    }

    void webEngineRunsWithoutSandboxForRootOnly()
    {
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
        PrepareWebEngineSandbox(false);
        QVERIFY(!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"));
        QCOMPARE(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), QByteArray("--disable-gpu"));
        // Root: the engine would refuse its sandbox and end the program.
        PrepareWebEngineSandbox(true);
        PrepareWebEngineSandbox(true);
        QCOMPARE(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), QByteArray("1"));
        QCOMPARE(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), QByteArray("--disable-gpu --no-sandbox"));
        qunsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        PrepareWebEngineSandbox(true);
        QCOMPARE(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), QByteArray("--no-sandbox"));
    }

    void sortByNameSortsTheRangeOnly()
    {
        QStringList list = {"d", "C", "b", "A", "e"};
        WebFavorites::SortByName(list, 1, 3);
        QCOMPARE(list, QStringList({"d", "A", "b", "C", "e"}));
        QStringList one = {"x"};
        WebFavorites::SortByName(one, 0, 0);
        QCOMPARE(one, QStringList({"x"}));
    }
};

QTEST_GUILESS_MAIN(TestWebHistory)
#include "web_history_test.moc"
