#include "testsupport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Two real program processes: the second start raises the first and ends silently.
class TestInstance : public QObject
{
    Q_OBJECT

private slots:
    // A start in another runtime folder (another session, a parallel test) is its own instance
    // and must not take the first one's requests.
    void secondStartRaisesFirst()
    {
        QTemporaryDir home;
        QTemporaryDir runtime;
        QTemporaryDir otherHome;
        QTemporaryDir otherRuntime;
        QProcess first;
        QProcess other;
        QByteArray firstOutput;
        QByteArray otherOutput;
        startListening(first, firstOutput, home.path(), runtime.path());
        startListening(other, otherOutput, otherHome.path(), otherRuntime.path());

        QProcess second;
        second.setProcessEnvironment(environment(home.path(), runtime.path()));
        second.setProcessChannelMode(QProcess::MergedChannels);
        second.start(program());
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!second.readAll().contains("listening on"));

        // The first takes the request once its start-up reaches the event loop, which on a busy
        // machine can be many seconds after it began listening.
        QTRY_VERIFY_WITH_TIMEOUT((firstOutput += first.readAll()).contains("activation requested"),
                                 60000);
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(!(otherOutput += other.readAll()).contains("activation requested"));
        for (QProcess *process : {&first, &other}) {
            process->kill();
            process->waitForFinished();
        }
    }

private:
    static QString program() { return TestSupport::buildDir() + QStringLiteral("/bin/marlux"); }

    static QProcessEnvironment environment(const QString &home, const QString &runtime)
    {
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MARLUX_HOME"), home);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("marlux.instance.info=true"));
        return env;
    }

    static void startListening(QProcess &process, QByteArray &output, const QString &home,
                               const QString &runtime)
    {
        process.setProcessEnvironment(environment(home, runtime));
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program());
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT((output += process.readAll()).contains("listening on"), 20000);
    }
};

QTEST_GUILESS_MAIN(TestInstance)
#include "shell_instance.moc"
