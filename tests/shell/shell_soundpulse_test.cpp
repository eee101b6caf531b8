// Plays real sounds (and speech) into a PulseAudio null sink that the test starts in a
// runtime folder of its own, so it neither needs nor disturbs any other sound server.
#include "shell/nsnd.h"
#include "shell/shellspeech.h"

#include "soundrecorder.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextToSpeech>
#include <QtTest>

using TestSupport::SoundGate;

class SoundPulseTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void countsTheSink();
    void playsIntoTheSinkAndFinishes();
    void secondSoundStopsTheFirst();
    void releasingWhilePlayingDoesNotAbort();
    void speechIsNeverAnError();
    void serverGoingAwayIsSilence();

private:
    QStringList sinkInputs() const;
    void startServer();
    void stopServer();

    QTemporaryDir m_runtime;
    bool m_running = false;
};

void SoundPulseTest::startServer()
{
    QProcess server;
    server.start(QStringLiteral("pulseaudio"),
                 {"-D", "--exit-idle-time=-1", "-n", "-L", "module-null-sink", "-L",
                  "module-native-protocol-unix"});
    QVERIFY(server.waitForFinished(20000));
    QCOMPARE(server.exitCode(), 0);
    m_running = true;
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_runtime.filePath("pulse/native")), 10000);
}

void SoundPulseTest::stopServer()
{
    if (!m_running)
        return;
    m_running = false;
    QProcess::execute(QStringLiteral("pulseaudio"), {"--kill"});
}

QStringList SoundPulseTest::sinkInputs() const
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {"list", "short", "sink-inputs"});
    if (!pactl.waitForFinished(5000))
        return {};
    return QString::fromUtf8(pactl.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

void SoundPulseTest::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty())
        QSKIP("pulseaudio and pactl are needed");
    QVERIFY(m_runtime.isValid());
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Nothing has touched audio yet, so the sound layer will find this server.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    qunsetenv("PULSE_SERVER");
    startServer();
}

void SoundPulseTest::cleanupTestCase()
{
    Sounds::release();
    ReleaseSpeech();
    stopServer();
}

void SoundPulseTest::countsTheSink()
{
    QTRY_VERIFY_WITH_TIMEOUT(Sounds::audioOutputCount() >= 1, 5000);
}

void SoundPulseTest::playsIntoTheSinkAndFinishes()
{
    SoundGate gate(true);
    SetSndName(QStringLiteral("104"));
    PlaySnd();
    QTRY_COMPARE_WITH_TIMEOUT(sinkInputs().size(), 1, 5000);
    // Played to the end, the stream is let go of by itself.
    QTRY_COMPARE_WITH_TIMEOUT(sinkInputs().size(), 0, 5000);
}

void SoundPulseTest::secondSoundStopsTheFirst()
{
    SoundGate gate(true);
    SetSndName(QStringLiteral("105"));
    PlaySnd();
    SetSndName(QStringLiteral("CLICKUP"));
    PlaySnd();
    SetSndName(QStringLiteral("MENU"));
    PlaySnd();
    QVERIFY(sinkInputs().size() <= 1); // never two sounds at once
    QTRY_COMPARE_WITH_TIMEOUT(sinkInputs().size(), 0, 5000);
}

void SoundPulseTest::releasingWhilePlayingDoesNotAbort()
{
    SoundGate gate(true);
    SetSndName(QStringLiteral("103"));
    PlaySnd();
    QTRY_COMPARE_WITH_TIMEOUT(sinkInputs().size(), 1, 5000);
    Sounds::release();
    QTRY_COMPARE_WITH_TIMEOUT(sinkInputs().size(), 0, 5000);
    PlaySnd(); // a fresh player after the release
    QTRY_COMPARE_WITH_TIMEOUT(sinkInputs().size(), 1, 5000);
}

void SoundPulseTest::speechIsNeverAnError()
{
    SoundGate gate(true);
    InitSpeech();
    QVERIFY(SpeechEngine);
    SpeakText(QStringLiteral("The record was saved."));
    if (QTextToSpeech::availableEngines().contains(QStringLiteral("flite")))
        QTRY_VERIFY_WITH_TIMEOUT(IsSpeaking(), 5000);
    SpeakText(QStringLiteral("1/0 & <b>?</b> ...")); // interrupts; flite fails on it
    QTest::qWait(300);
    StopSpeaking();
    QTRY_VERIFY_WITH_TIMEOUT(!IsSpeaking(), 5000);
    ReleaseSpeech();
}

void SoundPulseTest::serverGoingAwayIsSilence()
{
    SoundGate gate(true);
    SetSndName(QStringLiteral("106"));
    PlaySnd();
    stopServer();
    QTest::qWait(300);
    PlaySnd();
    SetSndName(QStringLiteral("KEYPRESS"));
    PlaySnd();
    Sounds::release();
}

QTEST_GUILESS_MAIN(SoundPulseTest)
#include "shell_soundpulse_test.moc"
