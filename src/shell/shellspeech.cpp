#include "shell/shellspeech.h"

#include "platform/base/lazymodule.h"
#include "shell/media/mediamodule.h"
#include "shell/shellglobals.h"

#include <QCoreApplication>

#include <optional>
#include <utility>

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
        if (!m_engine) {
            // Making the engine can run the event loop; a sentence asked for meanwhile is
            // newer, and a second engine must not be made beside the first.
            m_pending = text;
            if (m_making)
                return;
            m_making = true;
            std::unique_ptr<SpeechService> engine = makeEngine();
            m_making = false;
            m_engine = std::move(engine);
            if (!m_pending)
                return; // stopped while the engine was made
        }
        m_engine->speak(m_pending ? *std::exchange(m_pending, std::nullopt) : text);
    }
    void stop() override
    {
        m_pending.reset();
        if (m_engine)
            m_engine->stop();
    }
    bool isSpeaking() const override { return m_pending || (m_engine && m_engine->isSpeaking()); }

private:
    std::unique_ptr<SpeechService> m_engine;
    std::optional<QString> m_pending;
    bool m_making = false;
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
    // The old engine's stop and teardown can run the event loop: it is out of reach of
    // callers first, and an engine installed from there is the newer one and stays.
    static quint64 generation = 0;
    const quint64 mine = ++generation;
    std::unique_ptr<SpeechService> old = std::exchange(ownedEngine, nullptr);
    SpeechEngine = nullptr;
    if (old) {
        old->stop();
        old.reset();
    }
    if (mine != generation)
        return;
    ownedEngine = std::move(engine);
    SpeechEngine = ownedEngine.get();
}

void SpeakText(const QString &text)
{
    if (!SoundDevicePresent || !SpeechEngine)
        return;
    // Stopping can run the event loop: a newer sentence or a release may come from there.
    static quint64 generation = 0;
    const quint64 mine = ++generation;
    if (SpeechEngine->isSpeaking())
        SpeechEngine->stop();
    if (mine == generation && SpeechEngine)
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
