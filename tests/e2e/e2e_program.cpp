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
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MARLUX_HOME"), root);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(build + QStringLiteral("/bin/marlux"), {});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(input.windowTitles().contains(QStringLiteral("Marlux")), Patience);

        for (const QString &name : shipped.entryList({QStringLiteral("*.mdb")}, QDir::Files)) {
            if (name == QLatin1String("User Own.mdb"))
                continue;
            QCOMPARE(digest(root + QStringLiteral("/Database/") + name),
                     digest(shipped.filePath(name)));
        }
        QFile mine(own);
        QVERIFY(mine.open(QIODevice::ReadOnly));
        QCOMPARE(mine.readAll(), QByteArray("mine"));

        // Quit through the window manager and the program's own question.
        QTest::qWait(500);
        input.key(QStringLiteral("F4"), {QStringLiteral("Alt_L")});
        QTRY_VERIFY_WITH_TIMEOUT(input.windowTitles().contains(QStringLiteral("EXIT")), Patience);
        QTest::qWait(300);
        input.key(QStringLiteral("Return"));
        QVERIFY(program.waitForFinished(Patience));
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
