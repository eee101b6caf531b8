// The image navigator's grid for a folder of photos: time from the folder's click to the
// last thumbnail, and the memory above the program's size before the first build at the peak.
//   bench_imagenav_thumbs [photos] [width] [height] [rounds] [folder]
//   (default 150 3000 2000 5, a temporary folder)
// The photos are made once, unless the folder given holds them already; run offscreen.
#include "tools/imagenav/FrmImageNavi.h"
#include "tools/imagenav/cDrives.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Photo-like content: soft shapes over noise, so the coded size is a camera's.
void makePhotos(const QString &folder, int count, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int i = 0; i < count; ++i) {
        for (int y = 0; y < size.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                const int noise = int(random.bounded(24));
                line[x] = qRgb((x * 255 / size.width() + noise + i) & 255,
                               (y * 255 / size.height() + noise) & 255, (noise * 5 + i * 3) & 255);
            }
        }
        QPainter painter(&image);
        painter.setBrush(QColor::fromHsv(i * 7 % 360, 180, 200));
        painter.drawEllipse(QRect(QPoint(size.width() / 4, size.height() / 4), size / 2));
        painter.end();
        image.save(QStringLiteral("%1/photo%2.jpg").arg(folder).arg(i, 4, 10, QLatin1Char('0')),
                   "JPG", 90);
    }
}

// Kilobytes of a line of /proc/self/status ("VmRSS:", "VmHWM:").
long statusKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int photos = args.value(1, QStringLiteral("150")).toInt();
    const QSize size(args.value(2, QStringLiteral("3000")).toInt(),
                     args.value(3, QStringLiteral("2000")).toInt());
    const int rounds = args.value(4, QStringLiteral("5")).toInt();

    QTemporaryDir dir;
    const QString folder = args.value(5, dir.path());
    if (QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files).size() != photos)
        makePhotos(folder, photos, size);
    cDrives::setVolumeSource([folder] {
        return QList<DriveVolume>{{folder, QStringLiteral("PHOTOS"), QStringLiteral("ext4"), true}};
    });

    std::vector<double> times;
    std::vector<long> peaks;
    const long baseline = statusKb("VmRSS:");
    for (int round = 0; round < rounds; ++round) {
        FrmImageNavi navi(nullptr);
        navi.resize(1000, 700);
        navi.show();
        QTreeWidgetItem *drive = navi.Explorer->topLevelItem(0)->child(0);
        QEventLoop settle;
        QTimer::singleShot(50, &settle, &QEventLoop::quit);
        settle.exec();

        resetPeak();
        QElapsedTimer clock;
        clock.start();
        navi.Explorer->setCurrentItem(drive);
        QEventLoop wait;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &wait, [&] {
            if (!navi.isBuilding())
                wait.quit();
        });
        poll.start(1);
        wait.exec();
        times.push_back(clock.nsecsElapsed() / 1e9);
        peaks.push_back((statusKb("VmHWM:") - baseline) / 1024);
        std::printf("round %d: %.3f s, peak memory growth %ld MB\n", round + 1, times.back(),
                    peaks.back());
    }
    std::sort(times.begin(), times.end());
    std::printf("%d photos of %dx%d: median %.3f s (%.3f-%.3f), peak growth at "
                "most %ld MB\n",
                photos, size.width(), size.height(), times[times.size() / 2], times.front(),
                times.back(), *std::max_element(peaks.begin(), peaks.end()));
    return 0;
}
