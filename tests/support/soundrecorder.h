#pragma once

// Test doubles for the interface sounds and speech (header only: include it from tests
// that link the shell library).

#include "shell/nsnd.h"
#include "shell/shellglobals.h"
#include "shell/shellspeech.h"

#include <QStringList>

#include <memory>

namespace TestSupport {

// Installs itself as the sound player and records what it is asked to do:
// "stop" for a stop, the sound's name for a play.
class SoundRecorder : public SoundPlayer
{
public:
    SoundRecorder() { Sounds::setPlayer(this); }
    ~SoundRecorder() override { Sounds::setPlayer(nullptr); }

    void play(const QString &name) override
    {
        events.append(name);
        played.append(name);
    }
    void stop() override { events.append(QStringLiteral("stop")); }

    QStringList events;
    QStringList played;
};

// Sets the sound gate for one test and puts the old value back.
class SoundGate
{
public:
    explicit SoundGate(bool present) : m_previous(SoundDevicePresent)
    {
        SoundDevicePresent = present;
    }
    ~SoundGate() { SoundDevicePresent = m_previous; }

private:
    bool m_previous;
};

// A speech engine that records; "speaking" stays true until stopped or finish()ed.
class RecordingSpeech : public SpeechService
{
public:
    void speak(const QString &text) override
    {
        spoken.append(text);
        speaking = true;
    }
    void stop() override
    {
        ++stops;
        speaking = false;
    }
    bool isSpeaking() const override { return speaking; }
    void finish() { speaking = false; }

    QStringList spoken;
    int stops = 0;
    bool speaking = false;
};

// Installs a RecordingSpeech as SpeechEngine for one test and removes it afterwards.
class SpeechRecording
{
public:
    SpeechRecording()
    {
        auto engine = std::make_unique<RecordingSpeech>();
        m_engine = engine.get();
        SetSpeechEngine(std::move(engine));
    }
    ~SpeechRecording() { ReleaseSpeech(); }
    RecordingSpeech *operator->() const { return m_engine; }
    RecordingSpeech &engine() const { return *m_engine; }

private:
    RecordingSpeech *m_engine;
};

} // namespace TestSupport
