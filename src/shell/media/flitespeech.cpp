// The flite voice through the text-to-speech engines.
#include "shell/media/mediamodule.h"

#include <QTextToSpeech>

#include <memory>
#include <optional>
#include <utility>

namespace {

const QString EngineName = QStringLiteral("flite");

// QTextToSpeech with a named engine (the engine order changes between runs). The engine's
// calls can run the event loop, and a sentence or stop asked for from there is only recorded:
// the call under way carries it out once the engine is safe to touch. The latest one wins.
class FliteSpeech : public SpeechService
{
public:
    FliteSpeech()
    {
        m_settling = true;
        recreate();
        m_settling = false;
    }
    ~FliteSpeech() override
    {
        // Its teardown can run the event loop; nothing may reach the engine then.
        m_settling = true;
        std::exchange(m_speech, nullptr).reset();
    }

    void speak(const QString &text) override
    {
        m_pending = text;
        settle();
    }

    void stop() override
    {
        m_pending.reset();
        m_stopWanted = true;
        settle();
    }

    bool isSpeaking() const override
    {
        return m_pending || (m_speech && m_speech->state() == QTextToSpeech::Speaking);
    }
    bool broken() const { return !m_speech || m_speech->state() == QTextToSpeech::Error; }

private:
    bool busy() const
    {
        return m_speech && (m_speech->state() == QTextToSpeech::Speaking ||
                            m_speech->state() == QTextToSpeech::Paused);
    }

    void settle()
    {
        if (m_settling)
            return;
        m_settling = true;
        bool again = true;
        while (again) {
            again = false;
            if (busy()) {
                // A sentence said over one still playing can free the engine's audio output
                // twice: stop, and say the new one once the engine has settled.
                if (m_pending || std::exchange(m_stopWanted, false))
                    m_speech->stop();
                continue;
            }
            m_stopWanted = false;
            if (!m_pending)
                continue;
            // The engine stays in its error state after a failed sentence; start afresh.
            if (broken())
                recreate();
            if (m_speech)
                m_speech->say(*std::exchange(m_pending, std::nullopt));
            again = m_pending.has_value();
        }
        m_settling = false;
    }

    void recreate()
    {
        // flite crashes when a second engine is made while the first still exists.
        std::unique_ptr<QTextToSpeech> old = std::exchange(m_speech, nullptr);
        old.reset();
        auto speech = std::make_unique<QTextToSpeech>(EngineName);
        QObject::connect(speech.get(), &QTextToSpeech::stateChanged, &m_context,
                         [this](QTextToSpeech::State state) {
                             if (!m_pending || state == QTextToSpeech::Speaking ||
                                 state == QTextToSpeech::Paused)
                                 return;
                             // queued: not from inside the engine's own signal
                             QMetaObject::invokeMethod(
                                 &m_context, [this] { settle(); }, Qt::QueuedConnection);
                         });
        m_speech = std::move(speech);
    }

    QObject m_context; // outlives every engine, so a queued sentence survives a new one
    std::unique_ptr<QTextToSpeech> m_speech;
    std::optional<QString> m_pending; // to be said once the engine has stopped
    bool m_stopWanted = false;
    bool m_settling = false;
};

} // namespace

extern "C" Q_DECL_EXPORT SpeechService *marluxCreateSpeech()
{
    if (!QTextToSpeech::availableEngines().contains(EngineName))
        return nullptr;
    auto flite = std::make_unique<FliteSpeech>();
    return flite->broken() ? nullptr : flite.release();
}
