// Transfer speed of the FTP engine against curl on the same vsftpd server and file, in one warm
// process and as the first download of a fresh process, and the CPU the engine uses while it
// waits on a silent server.
#include "FtpTestServers.h"

#include "tools/ftp/CFtpConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr qint64 fileSize = 256LL << 20;
constexpr int rounds = 3;
constexpr int freshRounds = 7;

double megabytesPerSecond(qint64 bytes, qint64 ms)
{
    return ms > 0 ? double(bytes) / 1e6 / (double(ms) / 1000.0) : 0.0;
}

double curlSpeed(const QStringList &arguments, const char *field)
{
    QProcess curl;
    curl.start(QStringLiteral("curl"),
               QStringList{QStringLiteral("-s"), QStringLiteral("-w"), QString::fromLatin1(field)} +
                   arguments);
    curl.waitForFinished(-1);
    return curl.readAllStandardOutput().toDouble() / 1e6;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// One connect and download in this process, as a user's first after starting the program:
// prints the milliseconds and CPU seconds it took.
int downloadOnce(const QStringList &arguments)
{
    CFtpConnection engine;
    engine.setFtpServer(arguments.value(0));
    engine.setPassiveMode(arguments.value(3) == QLatin1String("passive"));
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    if (!engine.connectToServer() ||
        !engine.downloadFile(arguments.value(1), arguments.value(2), 1)) {
        std::fprintf(stderr, "fresh download: %s\n", qPrintable(engine.getFtpErrorDescription()));
        return 1;
    }
    std::printf("%lld %.3f\n", clock.elapsed(), cpuSeconds() - cpuBefore);
    return 0;
}

struct FreshRun
{
    double speed = 0;
    double cpu = 0;
};

FreshRun freshDownload(const QString &address, const QString &local, bool passive)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--once"), address, QStringLiteral("big.bin"), local,
                 passive ? QStringLiteral("passive") : QStringLiteral("active")});
    child.waitForFinished(-1);
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (child.exitCode() != 0 || fields.size() != 2)
        return {};
    return {megabytesPerSecond(fileSize, fields.at(0).toLongLong()), fields.at(1).toDouble()};
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--once") == 0) {
        QCoreApplication app(argc, argv);
        return downloadOnce(app.arguments().mid(2));
    }
    // Both the served tree and the local copies live in memory when they can, so disk
    // write-back does not blur the figures.
    if (QFile::exists(QStringLiteral("/dev/shm")))
        qputenv("TMPDIR", "/dev/shm");
    QCoreApplication app(argc, argv);
    VsftpdServer server;
    if (!server.start()) {
        std::fprintf(stderr, "vsftpd: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    QTemporaryDir local;
    const QString source = server.root() + QStringLiteral("/big.bin");
    const QByteArray sha = writeRandomFile(source, fileSize, 7);
    const QString url = QStringLiteral("ftp://%1/").arg(server.address());

    CFtpConnection engine;
    engine.setFtpServer(server.address());
    engine.setPassiveMode(true);
    if (!engine.connectToServer()) {
        std::fprintf(stderr, "connect: %s\n", qPrintable(engine.getFtpErrorDescription()));
        return 1;
    }
    double engineDown = 0;
    double engineDownActive = 0;
    double engineUp = 0;
    double curlDown = 0;
    double curlUp = 0;
    bool sameContent = true;
    const QString downloaded = local.filePath(QStringLiteral("engine.bin"));
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer clock;
        for (bool passive : {true, false}) {
            engine.setPassiveMode(passive);
            clock.start();
            if (!engine.downloadFile(QStringLiteral("big.bin"), downloaded, 1, 0)) {
                std::fprintf(stderr, "download: %s\n", qPrintable(engine.getFtpErrorDescription()));
                return 1;
            }
            const double speed = megabytesPerSecond(fileSize, clock.elapsed());
            double &best = passive ? engineDown : engineDownActive;
            best = qMax(best, speed);
            sameContent = sameContent && fileSha256(downloaded) == sha;
        }
        engine.setPassiveMode(true);
        curlDown = qMax(curlDown,
                        curlSpeed({QStringLiteral("-o"), local.filePath(QStringLiteral("curl.bin")),
                                   url + QStringLiteral("big.bin")},
                                  "%{speed_download}"));
        sameContent = sameContent && fileSha256(local.filePath(QStringLiteral("curl.bin"))) == sha;

        clock.start();
        if (!engine.uploadFile(source, QStringLiteral("/incoming/engine.bin"), 1)) {
            std::fprintf(stderr, "upload: %s\n", qPrintable(engine.getFtpErrorDescription()));
            return 1;
        }
        engineUp = qMax(engineUp, megabytesPerSecond(fileSize, clock.elapsed()));
        sameContent = sameContent &&
                      fileSha256(server.root() + QStringLiteral("/incoming/engine.bin")) == sha;
        QFile::remove(server.root() + QStringLiteral("/incoming/engine.bin"));
        curlUp = qMax(curlUp, curlSpeed({QStringLiteral("-T"), source,
                                         url + QStringLiteral("incoming/curl.bin")},
                                        "%{speed_upload}"));
        QFile::remove(server.root() + QStringLiteral("/incoming/curl.bin"));
    }
    engine.closeConnection();

    // The first download of a fresh process, against curl in its own fresh process each time.
    QList<FreshRun> fresh[2];
    QList<double> freshCurl;
    for (int round = 0; round < freshRounds; ++round) {
        for (const bool passive : {true, false}) {
            const FreshRun run = freshDownload(server.address(), downloaded, passive);
            fresh[passive ? 0 : 1] << run;
            sameContent = sameContent && run.speed > 0 && fileSha256(downloaded) == sha;
        }
        freshCurl << curlSpeed({QStringLiteral("-o"), local.filePath(QStringLiteral("curl.bin")),
                                url + QStringLiteral("big.bin")},
                               "%{speed_download}");
    }

    // A server that accepts and then says nothing: the engine waits out its time-out.
    QTcpServer silent;
    silent.listen(QHostAddress::LocalHost);
    CFtpConnection waiting;
    waiting.setFtpServer(QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()));
    waiting.setTimeout(4);
    const double cpuBefore = cpuSeconds();
    QElapsedTimer idle;
    idle.start();
    waiting.connectToServer();
    const double idleCpu = cpuSeconds() - cpuBefore;

    std::printf("FTP transfer of a %lld MiB file, vsftpd on 127.0.0.1, best of %d\n",
                fileSize >> 20, rounds);
    std::printf("download  engine (PASV) %8.1f MB/s   curl %8.1f MB/s   ratio %.2f\n", engineDown,
                curlDown, curlDown > 0 ? engineDown / curlDown : 0.0);
    std::printf("download  engine (PORT) %8.1f MB/s   ratio to curl %.2f\n", engineDownActive,
                curlDown > 0 ? engineDownActive / curlDown : 0.0);
    std::printf("upload    engine (PASV) %8.1f MB/s   curl -T %8.1f MB/s   ratio %.2f\n", engineUp,
                curlUp, curlUp > 0 ? engineUp / curlUp : 0.0);
    std::printf("first download of a fresh process, %d runs each:\n", freshRounds);
    for (int round = 0; round < freshRounds; ++round) {
        const double curl = freshCurl.at(round);
        std::printf("  run %d  engine (PASV) %7.1f MB/s %.2f s CPU  (PORT) %7.1f MB/s %.2f s CPU"
                    "  curl %7.1f MB/s  ratios %.2f %.2f\n",
                    round + 1, fresh[0].at(round).speed, fresh[0].at(round).cpu,
                    fresh[1].at(round).speed, fresh[1].at(round).cpu, curl,
                    curl > 0 ? fresh[0].at(round).speed / curl : 0.0,
                    curl > 0 ? fresh[1].at(round).speed / curl : 0.0);
    }
    const auto median = [](QList<double> values) {
        std::sort(values.begin(), values.end());
        return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
    };
    QList<double> speeds[2];
    for (int mode = 0; mode < 2; ++mode)
        for (const FreshRun &run : fresh[mode])
            speeds[mode] << run.speed;
    const double curlMedian = median(freshCurl);
    std::printf("  median engine (PASV) %7.1f MB/s  (PORT) %7.1f MB/s  curl %7.1f MB/s  ratios "
                "%.2f %.2f\n",
                median(speeds[0]), median(speeds[1]), curlMedian,
                curlMedian > 0 ? median(speeds[0]) / curlMedian : 0.0,
                curlMedian > 0 ? median(speeds[1]) / curlMedian : 0.0);
    std::printf("idle wait on a silent server: %.1f s wall, %.3f s CPU (error %d)\n",
                double(idle.elapsed()) / 1000.0, idleCpu, waiting.ftpGetLastError());
    std::printf("SHA-256 of every copy equal: %s\n", sameContent ? "yes" : "NO");
    return sameContent ? 0 : 1;
}
