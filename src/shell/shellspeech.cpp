#include "shell/shellspeech.h"

#include "platform/base/lazymodule.h"
#include "shell/media/mediamodule.h"
#include "shell/shellglobals.h"

#include <QCoreApplication>

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

std::unique_ptr<SpeechService> makeEngine()
{
    const auto create = LazyModule::function<MediaModule::CreateSpeech>(
        MediaModule::name(), MediaModule::CreateSpeechSymbol);
    if (SpeechService *flite = create ? create() : nullptr)
        return std::unique_ptr<SpeechService>(flite);
    return std::make_unique<SilentSpeech>();
}

// Loading the speech engine (and its module) is no part of start-up: it is made for the
// first sentence.
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
