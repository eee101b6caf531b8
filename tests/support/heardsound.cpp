#include "heardsound.h"

#include "testsupport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

namespace TestSupport {

namespace {

constexpr int Rate = 22050;
// Generous: the machine may be busy.
constexpr int Patience = 20000;
// Quieter samples are taken for silence (about -50 dB).
constexpr int NoiseFloor = 100;

qsizetype bytesFor(int ms)
{
    return qsizetype(Rate) * ms / 1000 * 2;
}

} // namespace

bool PulseServer::available()
{
    for (const char *name : {"pulseaudio", "pactl", "parec", "paplay"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty())
            return false;
    return true;
}

bool PulseServer::start(QString *failure)
{
    const auto fail = [failure](const QString &why) {
        if (failure)
            *failure = why;
        return false;
    };
    if (!m_runtime.isValid())
        return fail(QStringLiteral("no runtime folder"));
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    environment.remove(QStringLiteral("PULSE_SERVER"));
    QProcess server;
    server.setProcessEnvironment(environment);
    // Without rewinds the monitor gets every sample a stream plays: a rewind when a stream
    // starts would leave its first milliseconds out of the recording.
    server.start(QStringLiteral("pulseaudio"),
                 {"-D", "--exit-idle-time=-1", "-n", "-L", "module-null-sink norewinds=1", "-L",
                  "module-native-protocol-unix"});
    if (!server.waitForFinished(Patience) || server.exitCode() != 0)
        return fail(QStringLiteral("pulseaudio: ") + server.readAllStandardError());
    m_running = true;
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(m_runtime.filePath("pulse/native")));
    const bool answers = QTest::qWaitFor(
        [] {
            QProcess pactl;
            pactl.start(QStringLiteral("pactl"), {"info"});
            return pactl.waitForFinished(Patience) && pactl.exitCode() == 0;
        },
        Patience);
    return answers || fail(QStringLiteral("pulseaudio does not answer"));
}

void PulseServer::stop()
{
    if (!m_running)
        return;
    m_running = false;
    // PULSE_SERVER keeps the dead address, so nothing reaches another server instead.
    QProcess kill;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    kill.setProcessEnvironment(environment);
    kill.start(QStringLiteral("pulseaudio"), {"--kill"});
    kill.waitForFinished(Patience);
}

int PulseServer::playing() const
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {"list", "short", "sink-inputs"});
    if (!pactl.waitForFinished(Patience))
        return -1;
    return int(pactl.readAllStandardOutput().count('\n'));
}

MonitorRecording::~MonitorRecording()
{
    if (m_recorder.state() != QProcess::NotRunning) {
        m_recorder.kill();
        m_recorder.waitForFinished(Patience);
    }
}

bool MonitorRecording::start()
{
    TestSupport::endWithThisProcess(m_recorder);
    m_recorder.start(QStringLiteral("parec"),
                     {"--device=@DEFAULT_MONITOR@", "--raw", "--format=s16le",
                      "--rate=" + QString::number(Rate), "--channels=1", "--latency-msec=20"});
    if (!m_recorder.waitForStarted(Patience))
        return false;
    // Live once the monitor's silence comes in.
    const bool live = QTest::qWaitFor(
        [this] {
            m_samples += m_recorder.readAll();
            return m_samples.size() > bytesFor(50);
        },
        Patience);
    m_samples.clear();
    return live;
}

int MonitorRecording::heard(const PulseServer &server)
{
    const QDeadlineTimer deadline(Patience);
    while (server.playing() != 0 && !deadline.hasExpired()) {
        QTest::qWait(50);
        m_samples += m_recorder.readAll();
    }
    // What the sink played last reaches the monitor a little later.
    const qsizetype caughtUp = m_samples.size() + bytesFor(300);
    const bool caughtUpInTime = QTest::qWaitFor(
        [&] {
            m_samples += m_recorder.readAll();
            return m_samples.size() >= caughtUp;
        },
        Patience);
    if (!caughtUpInTime)
        return -1;
    m_recorder.terminate();
    m_recorder.waitForFinished(Patience);
    int loud = 0;
    for (qsizetype at = 0; at + 1 < m_samples.size(); at += 2)
        loud += std::abs(qFromLittleEndian<qint16>(m_samples.constData() + at)) > NoiseFloor;
    return int(qint64(loud) * 1000 / Rate);
}

int heardFromPaplay(const PulseServer &server, const QString &sound)
{
    // paplay reads files only, not the program's resources.
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("sound.wav"));
    MonitorRecording recording;
    if (!QFile::copy(sound, file) || !recording.start() ||
        QProcess::execute(QStringLiteral("paplay"), {file}) != 0)
        return -1;
    return recording.heard(server);
}

} // namespace TestSupport
