#include "shell/shellspeech.h"

#include "soundrecorder.h"

#include <QtTest>

using TestSupport::SoundGate;
using TestSupport::SpeechRecording;

class SpeechTest : public QObject
{
    Q_OBJECT

private slots:
    void speakingInterruptsEarlierSpeech();
    void gateOffLeavesRunningSpeechAlone();
    void noEngineIsSilent();
    void realEngineNeverFails();
};

void SpeechTest::speakingInterruptsEarlierSpeech()
{
    SoundGate gate(true);
    SpeechRecording speech;
    SpeakText(QStringLiteral("First record"));
    QVERIFY(IsSpeaking());
    QCOMPARE(speech->stops, 0);
    SpeakText(QStringLiteral("Second record"));
    QCOMPARE(speech->stops, 1);
    QCOMPARE(speech->spoken, (QStringList{"First record", "Second record"}));
    StopSpeaking();
    QVERIFY(!IsSpeaking());
}

void SpeechTest::gateOffLeavesRunningSpeechAlone()
{
    SpeechRecording speech;
    {
        SoundGate on(true);
        SpeakText(QStringLiteral("Running"));
    }
    SoundGate off(false);
    SpeakText(QStringLiteral("Ignored"));
    QCOMPARE(speech->spoken, QStringList{"Running"});
    QVERIFY(IsSpeaking()); // not stopped by the ignored call
    StopSpeaking();        // stopping does not look at the gate
    QVERIFY(!IsSpeaking());
}

void SpeechTest::noEngineIsSilent()
{
    ReleaseSpeech();
    QVERIFY(!SpeechEngine);
    SoundGate gate(true);
    SpeakText(QStringLiteral("Nobody hears this"));
    StopSpeaking();
    QVERIFY(!IsSpeaking());
}

void SpeechTest::realEngineNeverFails()
{
    // flite where installed, a silent engine otherwise; with or without audio, and on
    // sentences flite cannot stream, speech is at worst silence.
    InitSpeech();
    QVERIFY(SpeechEngine);
    SoundGate gate(true);
    SpeakText(QStringLiteral("The record was saved."));
    SpeakText(QStringLiteral("1/0 & <b>?</b> ..."));
    QTest::qWait(200);
    StopSpeaking();
    QTRY_VERIFY_WITH_TIMEOUT(!IsSpeaking(), 3000);
    SpeakText(QStringLiteral("Again after a failure."));
    StopSpeaking();
    ReleaseSpeech();
    QVERIFY(!SpeechEngine);
    QVERIFY(!IsSpeaking());
}

QTEST_GUILESS_MAIN(SpeechTest)
#include "shell_speech_test.moc"
