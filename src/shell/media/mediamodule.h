#pragma once

// The audio and speech module, marlux_media: everything that needs the system's audio and
// speech libraries, loaded on first use so that starting the program does not load them.
// The module takes nothing from the program; what it needs comes in as arguments.

#include "shell/nsnd.h"
#include "shell/shellspeech.h"

#include <QString>

namespace MediaModule {

inline QString name()
{
    return QStringLiteral("marlux_media");
}

// The number of audio outputs the system offers.
using AudioOutputCount = int (*)();
inline constexpr char AudioOutputCountSymbol[] = "marluxAudioOutputCount";

// A player of the sounds found at resourcePath(name); the caller owns it.
using CreateSoundPlayer = SoundPlayer *(*)(QString (*resourcePath)(const QString &name));
inline constexpr char CreateSoundPlayerSymbol[] = "marluxCreateSoundPlayer";

// The flite voice, or nullptr when the system has none that works; the caller owns it.
using CreateSpeech = SpeechService *(*)();
inline constexpr char CreateSpeechSymbol[] = "marluxCreateSpeech";

} // namespace MediaModule
