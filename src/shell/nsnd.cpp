#include "shell/nsnd.h"

#include "shell/shellglobals.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include <memory>

QString SoundName;

namespace {

// One preloaded effect per sound name, created on first use.
class EffectPlayer : public SoundPlayer
{
public:
    ~EffectPlayer() override
    {
        // A playing effect destroyed without a device can abort the process: stop first.
        for (QSoundEffect *effect : std::as_const(m_effects))
            effect->stop();
        qDeleteAll(m_effects);
    }

    void play(const QString &name) override
    {
        QSoundEffect *effect = m_effects.value(name);
        if (!effect) {
            effect = new QSoundEffect;
            effect->setSource(QUrl(QStringLiteral("qrc") + Sounds::resourcePath(name)));
            m_effects.insert(name, effect);
        }
        m_current = effect;
        effect->play();
    }

    void stop() override
    {
        if (m_current)
            m_current->stop();
    }

private:
    QHash<QString, QSoundEffect *> m_effects;
    QSoundEffect *m_current = nullptr;
};

std::unique_ptr<EffectPlayer> realPlayer;
SoundPlayer *installedPlayer = nullptr;

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
    SoundPlayer &player = Sounds::player();
    player.stop();
    player.play(SoundName);
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
    return int(QMediaDevices::audioOutputs().size());
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
        realPlayer = std::make_unique<EffectPlayer>();
        // Effects must go before the application's multimedia state does.
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
    realPlayer.reset();
}

} // namespace Sounds
