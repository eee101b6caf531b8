// The flite voice through the text-to-speech engines.
#include "shell/media/mediamodule.h"

#include <QTextToSpeech>

#include <memory>

namespace {

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

} // namespace

extern "C" Q_DECL_EXPORT SpeechService *marluxCreateSpeech()
{
    if (!QTextToSpeech::availableEngines().contains(EngineName))
        return nullptr;
    auto flite = std::make_unique<FliteSpeech>();
    return flite->broken() ? nullptr : flite.release();
}
