#include "shell/frmsplash.h"

#include "platform/base/afterfirstpaint.h"
#include "platform/base/apppaths.h"
#include "platform/base/checkedwrite.h"
#include "platform/prompt/prompter.h"
#include "shell/nsnd.h"
#include "shell/shellglobals.h"
#include "shell/singleinstance.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTimer>

SplashProbes SplashProbes::system(SingleInstance *instance)
{
    SplashProbes probes;
    probes.freeBytes = [](const QString &folder) -> qint64 {
        const QStorageInfo storage(folder);
        if (!storage.isValid() || !storage.isReady())
            return -1; // unmeasurable
        return storage.bytesAvailable();
    };
    probes.safeMode = [] { return false; };
    probes.previousInstance = [instance] { return instance && !instance->claim(); };
    probes.audioOutputs = [] { return Sounds::audioOutputCount(); };
    return probes;
}

FrmSplash::FrmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      m_instance(new SingleInstance(AppPaths::applicationTitle(), qApp))
{
    m_probes = SplashProbes::system(m_instance);
    setFixedSize(480, 300);
}

FrmSplash::FrmSplash(SplashProbes probes, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), m_probes(std::move(probes))
{
    setFixedSize(480, 300);
}

FrmSplash::~FrmSplash() = default;

bool FrmSplash::runChecks()
{
    const bool enoughSpace = CheckDiskSpace();
    const bool safeMode = CheckSafeMode();
    const bool running = CheckPrevInstance();
    return enoughSpace && !safeMode && !running;
}

bool FrmSplash::CheckDiskSpace()
{
    const qint64 free = m_probes.freeBytes(AppPaths::dataRoot());
    // A file system that cannot be measured is not reported as full.
    if (free < 0 || free >= MinimumFreeBytes)
        return true;
    hide();
    Prompter::instance().messageBox(
        QStringLiteral("There is not enough free space in the hard disk! ") +
            AppPaths::applicationTitle() + QStringLiteral(" need at least 100MB free space."),
        103, 4, QStringLiteral("ERROR"));
    return false;
}

bool FrmSplash::CheckSafeMode()
{
    if (!m_probes.safeMode())
        return false;
    Prompter::instance().plainMessage(AppPaths::applicationTitle() +
                                          QStringLiteral(" cannot run under safe mode!"),
                                      QStringLiteral("ERROR"), Prompter::PlainIcon::Critical);
    return true;
}

bool FrmSplash::CheckPrevInstance()
{
    // The running instance raises itself when asked; this one ends without a word.
    return m_probes.previousInstance();
}

void FrmSplash::DetectSoundDevice()
{
    SoundDevicePresent = m_probes.audioOutputs() >= 1;
}

void FrmSplash::detectSoundDeviceOnceShown(QWidget *window) const
{
    // Asking the audio system takes a while: not before the window is on screen.
    AfterFirstPaint(window,
                    [outputs = m_probes.audioOutputs] { SoundDevicePresent = outputs() >= 1; });
}

void FrmSplash::showCentred()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    show();
}

namespace {

// The artwork is drawn once per machine and read back at later starts: its rings and
// large title cost more of the start than reading the finished picture. A change to the
// drawing changes the mark, so an old picture is never shown.
constexpr char ArtworkMagic[] = "MARLUX-SPLASH-1";

QString artworkCacheFile()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/splash.art");
}

QByteArray artworkHeader(const QSize &pixels)
{
    return QByteArray(ArtworkMagic) + ' ' + AppPaths::applicationTitle().toUtf8() + ' ' +
           QByteArray::number(pixels.width()) + 'x' + QByteArray::number(pixels.height()) + '\n';
}

QImage readArtwork(const QSize &pixels)
{
    const QString path = artworkCacheFile();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray header = artworkHeader(pixels);
    const qint64 bytes = qint64(pixels.width()) * pixels.height() * 4;
    // Anything else (another size, a torn or foreign file) is drawn afresh.
    if (file.size() != header.size() + bytes || file.read(header.size()) != header)
        return {};
    QImage image(pixels, QImage::Format_RGB32);
    if (file.read(reinterpret_cast<char *>(image.bits()), bytes) != bytes)
        return {};
    return image;
}

void keepArtwork(const QImage &image)
{
    const QString path = artworkCacheFile();
    if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return;
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    QByteArray bytes = artworkHeader(pixels.size());
    for (int y = 0; y < pixels.height(); ++y)
        bytes.append(reinterpret_cast<const char *>(pixels.constScanLine(y)), pixels.width() * 4);
    writeWholeFile(path, bytes); // only a cache: a failed write means drawing next time
}

} // namespace

void FrmSplash::paintEvent(QPaintEvent *)
{
    // Drawn once: start-up repaints the splash while the main window loads.
    if (m_artwork.size() != size() * devicePixelRatio()) {
        const QSize pixels = size() * devicePixelRatio();
        QImage artwork = readArtwork(pixels);
        const bool kept = !artwork.isNull();
        if (!kept)
            artwork = drawArtwork(pixels);
        m_artwork = QPixmap::fromImage(artwork);
        m_artwork.setDevicePixelRatio(devicePixelRatio());
        if (!kept)
            keepArtwork(artwork);
    }
    QPainter(this).drawPixmap(0, 0, m_artwork);
}

QImage FrmSplash::drawArtwork(const QSize &pixels) const
{
    QImage artwork(pixels, QImage::Format_RGB32);
    artwork.setDevicePixelRatio(devicePixelRatio());
    QPainter painter(&artwork);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, width(), height());
    gradient.setColorAt(0, QColor(0x40, 0x00, 0x40));
    gradient.setColorAt(1, QColor(0xC0, 0xC0, 0xFF));
    painter.fillRect(rect(), gradient);
    painter.setPen(QPen(QColor(0xFF, 0xFF, 0xFF, 0x60), 2));
    for (int i = 0; i < 6; ++i)
        painter.drawEllipse(QPoint(width() - 60, 60), 20 + i * 18, 20 + i * 18);
    QFont title(QStringLiteral("Sans Serif"), 36, QFont::Black);
    painter.setFont(title);
    painter.setPen(QColor(0, 0, 0, 0x80));
    painter.drawText(QRect(32, 92, width(), 80), AppPaths::applicationTitle());
    painter.setPen(Qt::white);
    painter.drawText(QRect(30, 90, width(), 80), AppPaths::applicationTitle());
    QFont sub(QStringLiteral("Sans Serif"), 12);
    painter.setFont(sub);
    painter.drawText(QRect(32, 170, width() - 40, 60),
                     QStringLiteral("A knowledge base of programming notes"));
    painter.drawText(QRect(32, height() - 40, width() - 40, 30), QStringLiteral("Loading..."));
    return artwork;
}
