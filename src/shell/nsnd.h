#pragma once

#include <QString>

// Interface sounds: short WAVE resources (":/sounds/NAME.wav") played from memory.
// Every procedure here is silent on failure; sound never stops an operation.

// What actually makes the noise; tests install a recording fake.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // Starts the named sound and returns at once.
    virtual void play(const QString &name) = 0;
    // Stops whatever sound is playing; harmless when idle.
    virtual void stop() = 0;
};

// The name of the sound the next PlaySnd plays.
extern QString SoundName;

void SetSndName(const QString &name);
// Plays SoundName asynchronously when SoundDevicePresent; a sound still playing is
// stopped first, and a name without a resource plays nothing.
void PlaySnd();

namespace Sounds {

// Registers the compiled-in sounds; safe to call more than once.
void init();
// True when the program carries a sound of that name.
bool exists(const QString &name);
QString resourcePath(const QString &name);
// The number of audio outputs the system offers (the sound gate's input).
int audioOutputCount();
// Installs the player (nullptr restores the real one); the caller keeps ownership.
void setPlayer(SoundPlayer *player);
SoundPlayer &player();
// Stops and frees the real player; the next sound creates it again.
void release();

} // namespace Sounds
