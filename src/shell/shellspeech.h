#pragma once

#include <QString>

#include <memory>

// Text to speech as the program uses it: speaking returns at once, and no failure
// ever reaches the caller (a failed utterance is silence).
class SpeechService
{
public:
    virtual ~SpeechService() = default;
    virtual void speak(const QString &text) = 0;
    virtual void stop() = 0;
    virtual bool isSpeaking() const = 0;
};

// The program's one speech object; null before InitSpeech and after ReleaseSpeech.
extern SpeechService *SpeechEngine;

// Creates the speech object: the flite voice when the system has it, otherwise a
// silent engine.
void InitSpeech();
// Frees the speech object (the main window does this as it unloads).
void ReleaseSpeech();
// Installs an engine of the caller's choosing (tests); the program owns it from then on.
void SetSpeechEngine(std::unique_ptr<SpeechService> engine);

// Speaks the text, stopping speech in progress; nothing when SoundDevicePresent is false.
void SpeakText(const QString &text);
void StopSpeaking();
bool IsSpeaking();
