// The installed program itself on a real X display: started with a data root of its own,
// used through the window manager and quit through its own question.
#include "xsession.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

constexpr int Patience = 30000;

QByteArray digest(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// The direct children of a process whose command name starts with `name`.
QList<qint64> childrenNamed(qint64 parent, const QByteArray &name)
{
    QList<qint64> children;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ...": the name may hold blanks, so go by its last bracket.
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (rest.size() > 1 && rest.at(1).toLongLong() == parent &&
            line.mid(open + 1, close - open - 1).startsWith(name))
            children.append(pid);
    }
    return children;
}

// Whether a process has a library of that name loaded.
bool mapsLibrary(qint64 pid, const QByteArray &name)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(name);
}

} // namespace

class E2eProgram : public QObject
{
    Q_OBJECT

private slots:
    // A new, empty data root gets the shipped knowledge bases; a file already there stays.
    void freshDataRootIsSeeded()
    {
        XInput input;
        QVERIFY(input.isOpen());
        const QString build = qEnvironmentVariable("MARLUX_BUILD_DIR");
        const QDir shipped(build + QStringLiteral("/bin/Database"));
        QVERIFY(shipped.exists(QStringLiteral("Java.mdb")));
        QTemporaryDir home;
        QTemporaryDir runtime;
        QVERIFY(home.isValid() && runtime.isValid());
        const QString root = home.filePath(QStringLiteral("new/root"));
        const QString own = root + QStringLiteral("/Database/User Own.mdb");
        QVERIFY(QDir().mkpath(QFileInfo(own).absolutePath()));
        {
            QFile mine(own);
            QVERIFY(mine.open(QIODevice::WriteOnly));
            mine.write("mine");
        }

        QProcess program;
        startProgram(program, root, runtime.path());
        QVERIFY(mainWindowActive(input));

        for (const QString &name : shipped.entryList({QStringLiteral("*.mdb")}, QDir::Files)) {
            if (name == QLatin1String("User Own.mdb"))
                continue;
            QCOMPARE(digest(root + QStringLiteral("/Database/") + name),
                     digest(shipped.filePath(name)));
        }
        QFile mine(own);
        QVERIFY(mine.open(QIODevice::ReadOnly));
        QCOMPARE(mine.readAll(), QByteArray("mine"));

        quit(input, program);
    }

    // As root the web engine cannot have its sandbox; opening the Internet tool through the
    // Tools menu must not end the program.
    void internetToolOpens()
    {
        XInput input;
        QVERIFY(input.isOpen());
        QTemporaryDir home;
        QTemporaryDir runtime;
        QVERIFY(home.isValid() && runtime.isValid());
        QProcess program;
        startProgram(program, home.filePath(QStringLiteral("root")), runtime.path());
        QVERIFY(mainWindowActive(input));

        // Tools, its third item, once the menu is open.
        QVERIFY(input.keyUntil(
            QStringLiteral("t"), {QStringLiteral("Alt_L")}, [&input] { return input.menuOpen(); },
            Patience));
        input.key(QStringLiteral("Down"));
        input.key(QStringLiteral("Down"));
        input.key(QStringLiteral("Return"));
        // The browser's empty page fills the main window, whose title then names it.
        const QString browsing = QStringLiteral("Marlux - [about:blank]");
        const qint64 pid = program.processId();
        QTRY_VERIFY_WITH_TIMEOUT(input.windowTitles().contains(browsing) ||
                                     program.state() != QProcess::Running,
                                 Patience);
        QVERIFY2(
            program.state() == QProcess::Running,
            qPrintable(QStringLiteral("the program ended with status %1").arg(program.exitCode())));
        QVERIFY(mapsLibrary(pid, "marlux_webtool"));
        QVERIFY(!childrenNamed(pid, "QtWebEngineProc").isEmpty());
        // The engine gets to work; the program stays.
        QTest::qWait(3000);
        QCOMPARE(program.state(), QProcess::Running);
        QVERIFY2(input.windowTitles().contains(browsing),
                 qPrintable(input.windowTitles().join(QLatin1Char(','))));

        quit(input, program);
    }

private:
    // The program on this display with a data root of its own.
    void startProgram(QProcess &program, const QString &root, const QString &runtime)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MARLUX_HOME"), root);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        // What the program does about the web engine's sandbox is its own business.
        env.remove(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"));
        env.remove(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(qEnvironmentVariable("MARLUX_BUILD_DIR") + QStringLiteral("/bin/marlux"), {});
        QVERIFY(program.waitForStarted());
    }

    // Keys go to the main window once the window manager has made it active; the splash
    // before it has the same title but never takes the keyboard.
    static bool mainWindowActive(XInput &input)
    {
        return QTest::qWaitFor(
            [&input] { return input.activeWindowTitle() == QLatin1String("Marlux"); }, Patience);
    }

    // Quits through the window manager and the program's own question, each key pressed
    // again while nothing answers it, as a user would.
    void quit(XInput &input, QProcess &program)
    {
        const auto asking = [&input] {
            return input.windowTitles().contains(QStringLiteral("EXIT"));
        };
        QVERIFY(input.keyUntil(QStringLiteral("F4"), {QStringLiteral("Alt_L")}, asking, Patience));
        QVERIFY(input.keyUntil(
            QStringLiteral("Return"), {},
            [&] { return program.state() == QProcess::NotRunning || !asking(); }, Patience));
        QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(Patience));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }
};

int main(int argc, char *argv[])
{
    XSession session;
    if (!session.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(session.error()));
        return 1;
    }
    int result = 0;
    {
        QCoreApplication app(argc, argv);
        E2eProgram test;
        result = QTest::qExec(&test, argc, argv);
    }
    session.stop();
    return result;
}

#include "e2e_program.moc"
