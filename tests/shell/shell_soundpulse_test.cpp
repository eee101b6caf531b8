// Plays real sounds (and speech) into a PulseAudio null sink that the test starts in a
// runtime folder of its own, so it neither needs nor disturbs any other sound server.
#include "shell/nsnd.h"
#include "shell/shellspeech.h"

#include "heardsound.h"
#include "soundrecorder.h"

#include <QTextToSpeech>
#include <QtTest>

using TestSupport::MonitorRecording;
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
    void burstsOfPlaysAndStops();
    void releasingWhilePlayingDoesNotAbort();
    void speechIsNeverAnError();
    void serverGoingAwayIsSilence();

private:
    int sinkInputs() const { return m_server.playing(); }
    // How long paplay makes the sound heard.
    int heardWhole(const QString &name);

    TestSupport::PulseServer m_server;
};

void SoundPulseTest::initTestCase()
{
    if (!TestSupport::PulseServer::available())
        QSKIP("pulseaudio and its clients are needed");
    // Nothing has touched audio yet, so the sound layer will find this server.
    QString failure;
    QVERIFY2(m_server.start(&failure), qPrintable(failure));
}

void SoundPulseTest::cleanupTestCase()
{
    Sounds::release();
    ReleaseSpeech();
    m_server.stop();
}

int SoundPulseTest::heardWhole(const QString &name)
{
    return TestSupport::heardFromPaplay(m_server, Sounds::resourcePath(name));
}

void SoundPulseTest::countsTheSink()
{
    QTRY_VERIFY_WITH_TIMEOUT(Sounds::audioOutputCount() >= 1, 5000);
}

void SoundPulseTest::playsIntoTheSinkAndFinishes()
{
    SoundGate gate(true);
    // Long and short ones, each heard as long as the server's own player makes it heard.
    for (const QString name : {"104", "106", "CLICKUP", "MENU"}) {
        const int whole = heardWhole(name);
        QVERIFY2(whole > 5, qPrintable(name));
        MonitorRecording recording;
        QVERIFY(recording.start());
        SetSndName(name);
        PlaySnd();
        // Played to the end, the stream is let go of by itself.
        const int heard = recording.heard(m_server);
        QVERIFY2(
            qAbs(heard - whole) <= std::max(3, whole / 20),
            qPrintable(QStringLiteral("%1: heard %2 of %3 ms").arg(name).arg(heard).arg(whole)));
        QCOMPARE(sinkInputs(), 0);
    }
    // A busy moment of the program runs the server dry halfway: the rest follows after it.
    const int whole = heardWhole(QStringLiteral("104"));
    MonitorRecording recording;
    QVERIFY(recording.start());
    SetSndName(QStringLiteral("104"));
    PlaySnd();
    QTest::qWait(50);
    QThread::msleep(400);
    const int heard = recording.heard(m_server);
    QVERIFY2(qAbs(heard - whole) <= whole / 20,
             qPrintable(QStringLiteral("heard %1 of %2 ms").arg(heard).arg(whole)));
}

void SoundPulseTest::secondSoundStopsTheFirst()
{
    SoundGate gate(true);
    const int menu = heardWhole(QStringLiteral("MENU"));
    MonitorRecording recording;
    QVERIFY(recording.start());
    SetSndName(QStringLiteral("105"));
    PlaySnd();
    SetSndName(QStringLiteral("CLICKUP"));
    PlaySnd();
    SetSndName(QStringLiteral("MENU"));
    PlaySnd();
    QVERIFY(sinkInputs() <= 1); // never two sounds at once
    // The last one whole, hardly anything of the others.
    const int heard = recording.heard(m_server);
    QVERIFY2(
        heard >= menu - 3 && heard < menu + heardWhole(QStringLiteral("CLICKUP")) + 40,
        qPrintable(QStringLiteral("heard %1 ms, the last sound alone %2").arg(heard).arg(menu)));
}

void SoundPulseTest::burstsOfPlaysAndStops()
{
    // Queued closer than a sink takes to go, plays and stops arrive while one is torn down:
    // no crash, the last one heard whole, nothing left playing.
    SoundGate gate(true);
    const int last = heardWhole(QStringLiteral("104"));
    for (const int gap : {0, 1, 5}) {
        MonitorRecording recording;
        QVERIFY(recording.start());
        for (int i = 0; i < 30; ++i)
            QTimer::singleShot(i * gap, [i] {
                if (i % 7 == 3)
                    Sounds::player().stop();
                SetSndName(QLatin1String(i == 29 ? "104" : "KEYPRESS"));
                PlaySnd();
            });
        QTest::qWait(30 * gap + 50);
        const int heard = recording.heard(m_server);
        QVERIFY2(
            heard >= last - 3,
            qPrintable(
                QStringLiteral("%1 ms apart: heard %2 of %3 ms").arg(gap).arg(heard).arg(last)));
        QCOMPARE(sinkInputs(), 0);
    }
}

void SoundPulseTest::releasingWhilePlayingDoesNotAbort()
{
    SoundGate gate(true);
    SetSndName(QStringLiteral("103"));
    PlaySnd();
    QTRY_COMPARE_WITH_TIMEOUT(sinkInputs(), 1, 5000);
    Sounds::release();
    QTRY_COMPARE_WITH_TIMEOUT(sinkInputs(), 0, 5000);
    PlaySnd(); // a fresh player after the release
    QTRY_COMPARE_WITH_TIMEOUT(sinkInputs(), 1, 5000);
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
    m_server.stop();
    QTest::qWait(300);
    PlaySnd();
    SetSndName(QStringLiteral("KEYPRESS"));
    PlaySnd();
    Sounds::release();
}

QTEST_GUILESS_MAIN(SoundPulseTest)
#include "shell_soundpulse_test.moc"
