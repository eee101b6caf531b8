#include "platform/base/apppaths.h"
#include "shell/mainfunctions.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

class TestMainFunctions : public QObject
{
    Q_OBJECT

private slots:
    void paths()
    {
        QCOMPARE(StripBackslash(QStringLiteral("  /data/kb/  ")), QStringLiteral("/data/kb"));
        QCOMPARE(StripBackslash(QStringLiteral("a//")), QStringLiteral("a/"));
        QCOMPARE(StripBackslash(QStringLiteral("C:\\")), QStringLiteral("C:"));

        TestSupport::TempDataRoot root;
        QCOMPARE(GetAppPath(), root.path() + QLatin1Char('/'));
        QVERIFY(GetAppPath().endsWith(QLatin1Char('/')));
        QVERIFY(!GetAppPath().endsWith(QStringLiteral("//")));
        QVERIFY(DirExists(root.path() + QLatin1Char('/')));
        QVERIFY(!DirExists(root.filePath(QStringLiteral("missing"))));
    }

    void fileExists()
    {
        TestSupport::TempDataRoot root;
        QDir dir(root.path());
        dir.mkdir(QStringLiteral("folder"));
        for (const char *name : {"plain.txt", ".hidden"}) {
            QFile file(root.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(FileExists(root.filePath(QStringLiteral("plain.txt"))));
        QVERIFY(!FileExists(root.filePath(QStringLiteral(".hidden"))));
        QVERIFY(!FileExists(root.filePath(QStringLiteral("folder"))));
        QVERIFY(!FileExists(QString()));
        QVERIFY(!FileExists(QStringLiteral("/no/such/drive/file")));
        QVERIFY(FileExists(root.filePath(QStringLiteral("*.txt"))));
        QVERIFY(!FileExists(root.filePath(QStringLiteral("*.mdb"))));
    }

    void saveResourceReplacesWholeFile()
    {
        TestSupport::TempDataRoot root;
        const QString path = root.filePath(QStringLiteral("Ombrel.bmp"));
        const QByteArray resource =
            LoadResData(QStringLiteral("OMBREL"), QStringLiteral("BACKGROUND"));
        QVERIFY(resource.startsWith("BM"));
        {
            QFile longer(path);
            QVERIFY(longer.open(QIODevice::WriteOnly));
            longer.write(QByteArray(resource.size() + 4096, 'x'));
        }
        SaveResToFile(QStringLiteral("OMBREL"), QStringLiteral("BACKGROUND"), path);
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), resource); // no stale tail behind the new bytes
        QVERIFY_THROWS_EXCEPTION(std::exception,
                                 LoadResData(QStringLiteral("NOPE"), QStringLiteral("WAVE")));
    }

    void formsByCaption()
    {
        QLabel search;
        search.setWindowTitle(QStringLiteral("Searching Results"));
        search.show();
        QVERIFY(IsFormLoaded(QStringLiteral("Searching"), 9));
        QVERIFY(IsFormLoaded(QStringLiteral("Searching Results"), 0));
        QVERIFY(!IsFormLoaded(QStringLiteral("searching results"), 0));
        QVERIFY(!IsFormLoaded(QStringLiteral("Searching"), 0));
        QVERIFY(!IsFormLoaded(QStringLiteral("Data View"), 9));
    }

    void screenModes()
    {
        auto mode = RequiredScreenMode(1024, 768, 8);
        QVERIFY(mode);
        QCOMPARE(mode->width, 1024);
        QCOMPARE(mode->height, 768);
        QCOMPARE(mode->bits, 16);
        mode = RequiredScreenMode(640, 480, 32);
        QVERIFY(mode);
        QCOMPARE(mode->width, 800);
        QCOMPARE(mode->height, 600);
        QCOMPARE(mode->bits, 0);
        QVERIFY(!RequiredScreenMode(800, 600, 16));
        // Switching is always refused, which start-up ignores.
        QVERIFY(SetScreenMode(800, 600, 16) != 0);
    }
};

QTEST_MAIN(TestMainFunctions)
#include "shell_mainfunctions.moc"
