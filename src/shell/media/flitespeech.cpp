// The flite voice through the text-to-speech engines.
#include "shell/media/mediamodule.h"

#include <QTextToSpeech>

#include <memory>
#include <optional>
#include <utility>

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
        if (busy()) {
            // A sentence said over one still playing can free the engine's audio output
            // twice: stop, and say the new one once the engine has settled.
            m_pending = text;
            m_speech->stop();
            return;
        }
        m_speech->say(text);
    }

    void stop() override
    {
        m_pending.reset();
        if (busy())
            m_speech->stop();
    }

    bool isSpeaking() const override
    {
        return m_pending || m_speech->state() == QTextToSpeech::Speaking;
    }
    bool broken() const { return m_speech->state() == QTextToSpeech::Error; }

private:
    bool busy() const
    {
        return m_speech->state() == QTextToSpeech::Speaking ||
               m_speech->state() == QTextToSpeech::Paused;
    }

    void recreate()
    {
        // flite crashes when a second engine is made while the first still exists.
        m_speech.reset();
        m_speech = std::make_unique<QTextToSpeech>(EngineName);
        QObject::connect(m_speech.get(), &QTextToSpeech::stateChanged, m_speech.get(),
                         [this](QTextToSpeech::State state) {
                             if (!m_pending || state == QTextToSpeech::Speaking ||
                                 state == QTextToSpeech::Paused)
                                 return;
                             const QString text = *std::exchange(m_pending, std::nullopt);
                             // queued: not from inside the engine's own signal
                             QMetaObject::invokeMethod(
                                 m_speech.get(), [this, text] { speak(text); },
                                 Qt::QueuedConnection);
                         });
    }

    std::unique_ptr<QTextToSpeech> m_speech;
    std::optional<QString> m_pending; // to be said once the engine has stopped
};

} // namespace

extern "C" Q_DECL_EXPORT SpeechService *marluxCreateSpeech()
{
    if (!QTextToSpeech::availableEngines().contains(EngineName))
        return nullptr;
    auto flite = std::make_unique<FliteSpeech>();
    return flite->broken() ? nullptr : flite.release();
}
