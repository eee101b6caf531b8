#include "shell/nsnd.h"

#include "platform/base/lazymodule.h"
#include "shell/media/mediamodule.h"
#include "shell/shellglobals.h"

#include <QCoreApplication>
#include <QFile>

#include <memory>

QString SoundName;

namespace {

// Used when the audio module cannot be loaded: there is nothing to play through.
class SilentPlayer : public SoundPlayer
{
public:
    void play(const QString &) override {}
    void stop() override {}
};

std::unique_ptr<SoundPlayer> realPlayer;
SoundPlayer *installedPlayer = nullptr;
// A player call can run the event loop, and a sound asked for from there is newer than the
// one whose call is still under way; a release asked for from there waits for the call to end.
quint64 playGeneration = 0;
int playerCalls = 0;
bool releaseWaiting = false;

void releaseAtExit()
{
    realPlayer.reset();
}

} // namespace

// The resources live in a static library, so they are registered by hand (and
// Q_INIT_RESOURCE must not be used inside a namespace).
static void initSoundResources()
{
    Q_INIT_RESOURCE(marlux_sounds);
}

void SetSndName(const QString &name)
{
    SoundName = name;
}

void PlaySnd()
{
    if (!SoundDevicePresent || !Sounds::exists(SoundName))
        return;
    const QString name = SoundName;
    const quint64 generation = ++playGeneration;
    SoundPlayer &player = Sounds::player();
    ++playerCalls;
    player.stop();
    if (generation == playGeneration)
        player.play(name);
    if (--playerCalls == 0 && releaseWaiting)
        Sounds::release();
}

namespace Sounds {

void init()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    initSoundResources();
}

QString resourcePath(const QString &name)
{
    return QStringLiteral(":/sounds/") + name + QStringLiteral(".wav");
}

bool exists(const QString &name)
{
    init();
    // A name with a path separator could reach another resource folder.
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return false;
    return QFile::exists(resourcePath(name));
}

int audioOutputCount()
{
    // Without the audio module there is no sound device to speak of.
    const auto count = LazyModule::function<MediaModule::AudioOutputCount>(
        MediaModule::name(), MediaModule::AudioOutputCountSymbol);
    return count ? count() : 0;
}

void setPlayer(SoundPlayer *player)
{
    installedPlayer = player;
}

SoundPlayer &player()
{
    if (installedPlayer)
        return *installedPlayer;
    if (!realPlayer) {
        init();
        const auto create = LazyModule::function<MediaModule::CreateSoundPlayer>(
            MediaModule::name(), MediaModule::CreateSoundPlayerSymbol);
        realPlayer.reset(create ? create(&resourcePath) : nullptr);
        if (!realPlayer)
            realPlayer = std::make_unique<SilentPlayer>();
        // The sink must go before the application's multimedia state does.
        static bool hooked = false;
        if (!hooked && QCoreApplication::instance()) {
            qAddPostRoutine(releaseAtExit);
            hooked = true;
        }
    }
    return *realPlayer;
}

void release()
{
    releaseWaiting = playerCalls > 0;
    if (!releaseWaiting)
        realPlayer.reset();
}

} // namespace Sounds
