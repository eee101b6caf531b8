#include "diskfull.h"
#include "platform/base/apppaths.h"
#include "platform/base/checkedwrite.h"
#include "platform/base/colors.h"
#include "platform/base/settingsstore.h"
#include "testsupport.h"

#include <QSettings>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

// The second processes of settingsFromTwoProcesses: folder, key prefix, count.
const QString SettingsHelper = QStringLiteral("--write-settings");
constexpr int SettingsWrites = 150;

class TestPlatformBase : public QObject
{
    Q_OBJECT

private slots:
    void colours()
    {
        // &HBBGGRR: &HFFC0C0 is a light blue, not a pink.
        QCOMPARE(Colors::fromBgr(0xFFC0C0), QColor(0xC0, 0xC0, 0xFF));
        QCOMPARE(Colors::fromBgr(0x400040), QColor(0x40, 0x00, 0x40));
        QCOMPARE(Colors::toBgr(QColor(0x12, 0x34, 0x56)), 0x563412u);
        for (quint32 value : {0x000000u, 0xFFFFFFu, 0x8000u, 0xFF0000u})
            QCOMPARE(Colors::toBgr(Colors::fromBgr(value)), value);

        QPalette palette;
        palette.setColor(QPalette::Button, QColor(1, 2, 3));
        QVERIFY(Colors::isSystemColor(0x8000000F));
        QVERIFY(!Colors::isSystemColor(0x00FFFFFF));
        QCOMPARE(Colors::fromBgr(0x8000000F, palette), QColor(1, 2, 3));
        QCOMPARE(Twips::toPixels(3495), 233);
        QCOMPARE(Twips::fromPixels(2), 30);
    }

    void settingsStores()
    {
        QTemporaryDir dir;
        IniSettingsStore ini(dir.path());
        const QString app = QStringLiteral("RavodovirEZ");
        const QString section = QStringLiteral("URL History");
        QCOMPARE(ini.value(app, section, QStringLiteral("URL1"), 7).toInt(), 7);
        ini.setValue(app, section, QStringLiteral("URL1"), QStringLiteral("http://127.0.0.1/"));
        IniSettingsStore again(dir.path());
        QCOMPARE(again.value(app, section, QStringLiteral("URL1")).toString(),
                 QStringLiteral("http://127.0.0.1/"));
        again.remove(app, section, QStringLiteral("URL1"));
        QVERIFY(!ini.value(app, section, QStringLiteral("URL1")).isValid());

        MemorySettingsStore memory;
        SettingsStore::setInstance(&memory);
        SettingsStore::instance().setValue(app, section, QStringLiteral("k"), 1);
        QCOMPARE(memory.value(app, section, QStringLiteral("k")).toInt(), 1);
        QVERIFY(!memory.value(app, QStringLiteral("other"), QStringLiteral("k")).isValid());
        SettingsStore::setInstance(nullptr);
    }

    void fullDiskKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("notes.txt"));
        QVERIFY(writeWholeFile(path, "old text"));
        QString error;
        {
            // A write small enough to stay buffered until the file is closed.
            DiskFull full(4);
            QVERIFY(!writeWholeFile(path, "a longer new text", &error));
        }
        QVERIFY(!error.isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("old text"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("notes.txt")});

        // The settings file likewise, and the caller hears of it.
        IniSettingsStore ini(dir.path());
        const QString app = QStringLiteral("RavodovirEZ");
        const QString section = QStringLiteral("URL History");
        QVERIFY(ini.setValue(app, section, QStringLiteral("URLHistory1"), QStringLiteral("a")));
        {
            DiskFull full;
            QVERIFY(
                !ini.setValue(app, section, QStringLiteral("URLHistory2"), QStringLiteral("b")));
        }
        QCOMPARE(ini.value(app, section, QStringLiteral("URLHistory1")).toString(),
                 QStringLiteral("a"));
        QVERIFY(!ini.value(app, section, QStringLiteral("URLHistory2")).isValid());
    }

    void settingsFromTwoProcesses()
    {
        // Each process puts only its own keys into what is on disk: nothing is lost.
        QTemporaryDir dir;
        IniSettingsStore ini(dir.path());
        QVERIFY(ini.setValue(QStringLiteral("App"), QStringLiteral("S"), QStringLiteral("first"),
                             QStringLiteral("1")));
        const QString count = QString::number(SettingsWrites);
        QString failure;
        QVERIFY2(
            TestSupport::runSideBySide({{SettingsHelper, dir.path(), QStringLiteral("a"), count},
                                        {SettingsHelper, dir.path(), QStringLiteral("b"), count}},
                                       &failure),
            qPrintable(failure));
        QSettings back(ini.fileName(QStringLiteral("App")), QSettings::IniFormat);
        QCOMPARE(back.allKeys().size(), 2 * SettingsWrites + 1);
    }

    void settingsFilesReadAsBefore()
    {
        // Files written by earlier versions keep reading, and ours read back the same way.
        QTemporaryDir dir;
        const QString app = QStringLiteral("App");
        const QStringList values{QStringLiteral("plain"),
                                 QStringLiteral(" padded "),
                                 QStringLiteral("a, b; c=d"),
                                 QStringLiteral("@at"),
                                 QStringLiteral("quote \" \\ back"),
                                 QStringLiteral("line\nbreak\t1"),
                                 QStringLiteral("caf\u00e9 \u4e2d")};
        {
            QSettings old(dir.filePath(app + QStringLiteral(".ini")), QSettings::IniFormat);
            for (int i = 0; i < values.size(); ++i)
                old.setValue(QStringLiteral("Odd Section/key %1").arg(i), values.at(i));
        }
        IniSettingsStore ini(dir.path());
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(ini.value(app, QStringLiteral("Odd Section"), QStringLiteral("key %1").arg(i))
                         .toString(),
                     values.at(i));
        IniSettingsStore other(dir.filePath(QStringLiteral("new")));
        for (int i = 0; i < values.size(); ++i)
            QVERIFY(other.setValue(app, QStringLiteral("Sect\u00e9"), QStringLiteral("k/%1").arg(i),
                                   values.at(i)));
        QSettings back(other.fileName(app), QSettings::IniFormat);
        for (int i = 0; i < values.size(); ++i) {
            const QString key = QStringLiteral("Sect\u00e9/k/%1").arg(i);
            QCOMPARE(back.value(key).toString(), values.at(i));
            QCOMPARE(other.value(app, QStringLiteral("Sect\u00e9"), QStringLiteral("k/%1").arg(i))
                         .toString(),
                     values.at(i));
        }
    }

    void settingsLiveInTheDataFolder()
    {
        TestSupport::TempDataRoot root;
        QTemporaryDir config;
        const QByteArray previousConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        const QString app = QStringLiteral("RavodovirEZ");
        const QString section = QStringLiteral("URL History");
        // A file an earlier version kept in the configuration folder comes along once.
        QVERIFY(QDir(config.path()).mkpath(QStringLiteral("marlux")));
        {
            QSettings earlier(config.filePath(QStringLiteral("marlux/RavodovirEZ.ini")),
                              QSettings::IniFormat);
            earlier.setValue(QStringLiteral("URL History/URLHistory1"), QStringLiteral("old"));
        }
        IniSettingsStore store;
        QCOMPARE(store.fileName(app), root.filePath(QStringLiteral("Settings/RavodovirEZ.ini")));
        QCOMPARE(store.value(app, section, QStringLiteral("URLHistory1")).toString(),
                 QStringLiteral("old"));
        QVERIFY(store.setValue(app, section, QStringLiteral("URLHistory1"), QStringLiteral("new")));
        QCOMPARE(IniSettingsStore().value(app, section, QStringLiteral("URLHistory1")).toString(),
                 QStringLiteral("new"));
        qputenv("XDG_CONFIG_HOME", previousConfig);
    }

    void dataRootAndSeeding()
    {
        TestSupport::TempDataRoot root;
        QCOMPARE(AppPaths::dataRoot(), QDir(root.path()).absolutePath());
        QCOMPARE(AppPaths::databaseFolder(), root.path() + QStringLiteral("/Database/"));

        QTemporaryDir shipped;
        QDir(shipped.path()).mkpath(QStringLiteral("Database"));
        for (const char *name : {"Database/C++.mdb", "Database/Search.mdb"}) {
            QFile file(shipped.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("shipped");
        }
        // A file the user already has is never overwritten.
        QDir(root.path()).mkpath(QStringLiteral("Database"));
        QFile own(root.filePath(QStringLiteral("Database/C++.mdb")));
        QVERIFY(own.open(QIODevice::WriteOnly));
        own.write("mine");
        own.close();
        AppPaths::seedDataRoot(root.path(), shipped.path());
        QFile mine(root.filePath(QStringLiteral("Database/C++.mdb")));
        QVERIFY(mine.open(QIODevice::ReadOnly));
        QCOMPARE(mine.readAll(), QByteArray("mine"));
        QVERIFY(QFile::exists(root.filePath(QStringLiteral("Database/Search.mdb"))));
    }
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 5 && arguments.at(1) == SettingsHelper) {
        IniSettingsStore ini(arguments.at(2));
        for (int i = 0; i < arguments.at(4).toInt(); ++i)
            if (!ini.setValue(QStringLiteral("App"), QStringLiteral("S"),
                              arguments.at(3) + QString::number(i), QString::number(i)))
                return 1;
        return 0;
    }
    TestPlatformBase test;
    return QTest::qExec(&test, argc, argv);
}
#include "platform_base.moc"
