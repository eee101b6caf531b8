// Interface sounds through an audio sink, and the count of audio outputs.
#include "shell/media/mediamodule.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QMediaDevices>
#include <QTimer>
#include <QtEndian>

#include <memory>
#include <utility>

namespace {

// A sound resource decoded once: its PCM samples and their format.
struct Clip
{
    QAudioFormat format;
    QByteArray samples;
};

quint32 le32(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

quint16 le16(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
}

// Reads a RIFF WAVE file of 8- or 16-bit PCM; anything else gives an empty clip.
Clip decodeWave(const QByteArray &data)
{
    Clip clip;
    if (data.size() < 12 || !data.startsWith("RIFF") || data.mid(8, 4) != "WAVE")
        return clip;
    QAudioFormat format;
    bool haveFormat = false;
    qsizetype at = 12;
    while (at + 8 <= data.size()) {
        const QByteArray id = data.mid(at, 4);
        const qsizetype size = le32(data, at + 4);
        const qsizetype body = at + 8;
        if (size > data.size() - body)
            break;
        if (id == "fmt " && size >= 16) {
            const int bits = le16(data, body + 14);
            if (le16(data, body) != 1 || (bits != 8 && bits != 16))
                return clip;
            format.setChannelCount(le16(data, body + 2));
            format.setSampleRate(int(le32(data, body + 4)));
            format.setSampleFormat(bits == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
            haveFormat = format.isValid();
        } else if (id == "data" && haveFormat) {
            clip.format = format;
            clip.samples = data.mid(body, size);
            return clip;
        }
        at = body + size + (size & 1);
    }
    return clip;
}

QByteArray silence(const QAudioFormat &format, qint64 us)
{
    return QByteArray(format.bytesForDuration(us),
                      format.sampleFormat() == QAudioFormat::UInt8 ? '\x80' : '\0');
}

// Plays decoded clips straight from memory through an audio sink. Making, starting, stopping
// and destroying a sink can run the event loop, and a play or stop queued behind the current
// one then arrives in the middle of it: such calls are only recorded, and the call already
// under way carries them out once the sink is safe to touch. The latest call wins.
class SinkPlayer : public SoundPlayer
{
    // Enough to ride out a busy moment of the program without running the server dry.
    static constexpr qint64 BufferUs = 200000;

    enum class Request { None, Stop, Play };

public:
    explicit SinkPlayer(QString (*resourcePath)(const QString &)) : m_resourcePath(resourcePath) {}
    // Its owner never destroys it from inside one of its own calls.
    ~SinkPlayer() override { release(); }

    void play(const QString &name) override
    {
        m_request = Request::Play;
        m_wanted = name;
        serve();
    }

    void stop() override
    {
        m_request = Request::Stop;
        serve();
    }

private:
    void serve()
    {
        if (m_busy)
            return; // the call under way sees the request when the sink is safe again
        m_busy = true;
        while (m_request != Request::None) {
            const bool playNext = m_request == Request::Play;
            const QString name = m_wanted;
            m_request = Request::None;
            release();
            // A request made while the old sink went is newer than this one.
            if (playNext && m_request == Request::None)
                start(name);
        }
        m_busy = false;
    }

    // Lets go of the current sink; the members are clear before anything can call back.
    void release()
    {
        std::unique_ptr<QAudioSink> sink(std::exchange(m_sink, nullptr));
        std::unique_ptr<QBuffer> buffer(std::exchange(m_buffer, nullptr));
        if (!sink)
            return;
        sink->disconnect();
        // Stopped before it goes: destroying a playing sink can abort without a device.
        sink->stop();
        sink.reset();
    }

    void start(const QString &name)
    {
        const Clip clip = this->clip(name);
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (clip.samples.isEmpty() || device.isNull())
            return;
        // The sink turns idle once the server has all the samples, when up to its buffer and
        // latency of them are still unheard: silence behind the clip covers that, so letting
        // go at idle cuts nothing the user would hear.
        m_sink = new QAudioSink(device, clip.format);
        m_sink->setBufferSize(clip.format.bytesForDuration(BufferUs));
        m_buffer = new QBuffer;
        m_buffer->setData(clip.samples + silence(clip.format, BufferUs * 2));
        m_buffer->open(QIODevice::ReadOnly);
        QAudioSink *sink = m_sink;
        QObject::connect(sink, &QAudioSink::stateChanged, sink, [this, sink](QAudio::State state) {
            // Played to the end: let go of it once its signal has returned. A sink runs idle
            // too when the program was too busy to feed it; the rest of the clip follows then.
            if (state == QAudio::IdleState && sink == m_sink)
                QTimer::singleShot(0, sink, [this, sink] {
                    if (sink != m_sink || !m_buffer->atEnd())
                        return;
                    if (m_request == Request::None)
                        m_request = Request::Stop;
                    serve();
                });
        });
        m_sink->start(m_buffer);
        // The server may grant a larger buffer than asked for.
        const qint64 granted = clip.format.durationForBytes(int(m_sink->bufferSize()));
        if (granted > BufferUs)
            m_buffer->buffer().append(silence(clip.format, (granted - BufferUs) * 2));
    }

    const Clip &clip(const QString &name)
    {
        auto it = m_clips.find(name);
        if (it == m_clips.end()) {
            QFile file(m_resourcePath(name));
            Clip decoded;
            if (file.open(QIODevice::ReadOnly))
                decoded = decodeWave(file.readAll());
            it = m_clips.insert(name, decoded);
        }
        return *it;
    }

    QString (*m_resourcePath)(const QString &);
    QHash<QString, Clip> m_clips;
    QAudioSink *m_sink = nullptr;
    QBuffer *m_buffer = nullptr;
    Request m_request = Request::None;
    QString m_wanted;
    bool m_busy = false;
};

} // namespace

extern "C" Q_DECL_EXPORT int marluxAudioOutputCount()
{
    return int(QMediaDevices::audioOutputs().size());
}

extern "C" Q_DECL_EXPORT SoundPlayer *
marluxCreateSoundPlayer(QString (*resourcePath)(const QString &name))
{
    return resourcePath ? new SinkPlayer(resourcePath) : nullptr;
}
