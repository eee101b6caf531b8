#include "shell/shellspeech.h"

#include "shell/shellglobals.h"

#include <QCoreApplication>
#include <QTextToSpeech>

SpeechService *SpeechEngine = nullptr;

namespace {

std::unique_ptr<SpeechService> ownedEngine;

// Used when no speech engine exists: says nothing, is never speaking.
class SilentSpeech : public SpeechService
{
public:
    void speak(const QString &) override {}
    void stop() override {}
    bool isSpeaking() const override { return false; }
};

const QString EngineName = QStringLiteral("flite");

// QTextToSpeech with a named engine (the engine order changes between runs).
class FliteSpeech : public SpeechService
{
public:
    FliteSpeech() { recreate(); }

    void speak(const QString &text) override
    {
        // The engine stays in its error state after a failed sentence; start afresh.
        if (m_speech->state() == QTextToSpeech::Error)
            recreate();
        m_speech->say(text);
    }

    void stop() override
    {
        if (m_speech->state() == QTextToSpeech::Speaking ||
            m_speech->state() == QTextToSpeech::Paused)
            m_speech->stop();
    }

    bool isSpeaking() const override { return m_speech->state() == QTextToSpeech::Speaking; }
    bool broken() const { return m_speech->state() == QTextToSpeech::Error; }

private:
    void recreate()
    {
        // flite crashes when a second engine is made while the first still exists.
        m_speech.reset();
        m_speech = std::make_unique<QTextToSpeech>(EngineName);
    }

    std::unique_ptr<QTextToSpeech> m_speech;
};

std::unique_ptr<SpeechService> makeEngine()
{
    if (QTextToSpeech::availableEngines().contains(EngineName)) {
        auto flite = std::make_unique<FliteSpeech>();
        if (!flite->broken())
            return flite;
    }
    return std::make_unique<SilentSpeech>();
}

// Loading the speech engine is no part of start-up: it is made for the first sentence.
class DeferredSpeech : public SpeechService
{
public:
    void speak(const QString &text) override
    {
        if (!m_engine)
            m_engine = makeEngine();
        m_engine->speak(text);
    }
    void stop() override
    {
        if (m_engine)
            m_engine->stop();
    }
    bool isSpeaking() const override { return m_engine && m_engine->isSpeaking(); }

private:
    std::unique_ptr<SpeechService> m_engine;
};

void releaseAtExit()
{
    ReleaseSpeech();
}

} // namespace

void InitSpeech()
{
    SetSpeechEngine(std::make_unique<DeferredSpeech>());
}

void ReleaseSpeech()
{
    SetSpeechEngine(nullptr);
}

void SetSpeechEngine(std::unique_ptr<SpeechService> engine)
{
    // The engine must go before the application does, not at static destruction.
    static bool hooked = false;
    if (engine && !hooked && QCoreApplication::instance()) {
        qAddPostRoutine(releaseAtExit);
        hooked = true;
    }
    if (ownedEngine)
        ownedEngine->stop();
    ownedEngine = std::move(engine);
    SpeechEngine = ownedEngine.get();
}

void SpeakText(const QString &text)
{
    if (!SoundDevicePresent || !SpeechEngine)
        return;
    if (SpeechEngine->isSpeaking())
        SpeechEngine->stop();
    SpeechEngine->speak(text);
}

void StopSpeaking()
{
    if (SpeechEngine)
        SpeechEngine->stop();
}

bool IsSpeaking()
{
    return SpeechEngine && SpeechEngine->isSpeaking();
}
