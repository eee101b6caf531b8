#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <functional>

class SingleInstance;

// What the splash asks of the machine; tests replace each probe.
struct SplashProbes
{
    std::function<qint64(const QString &folder)> freeBytes;
    std::function<bool()> safeMode;
    std::function<bool()> previousInstance; // true: another instance runs and was raised
    std::function<int()> audioOutputs;

    static SplashProbes system(SingleInstance *instance);
};

// The borderless start-up picture; its load runs the three start-up checks.
class FrmSplash : public QWidget
{
    Q_OBJECT

public:
    static constexpr qint64 MinimumFreeBytes = 104857600;

    explicit FrmSplash(QWidget *parent = nullptr);
    FrmSplash(SplashProbes probes, QWidget *parent = nullptr);
    ~FrmSplash() override;

    // Runs every check to its end, then decides; true when start-up may go on.
    bool runChecks();
    bool CheckDiskSpace();
    bool CheckSafeMode();
    bool CheckPrevInstance();
    void DetectSoundDevice();

    // Asks for the audio devices once the window has painted: the answer matters only
    // for the first sound, and the question is no part of start-up.
    void detectSoundDeviceOnceShown(QWidget *window) const;

    void showCentred();
    SingleInstance *singleInstance() const { return m_instance; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage drawArtwork(const QSize &pixels) const;

    QPixmap m_artwork;
    SingleInstance *m_instance = nullptr;
    SplashProbes m_probes;
};
