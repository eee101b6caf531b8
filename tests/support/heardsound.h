#pragma once

// What a listener hears: a PulseAudio server with a null sink of its own, and recordings of
// that sink's monitor.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace TestSupport {

// A sound server with one null sink, in a runtime folder of its own. While it runs,
// PULSE_SERVER points this process and the programs it starts at it, so start it before
// anything in the process has touched audio.
class PulseServer
{
public:
    ~PulseServer() { stop(); }
    // pulseaudio and its command-line clients are installed.
    static bool available();
    bool start(QString *failure = nullptr);
    void stop();
    // The streams playing into the sink now.
    int playing() const;

private:
    QTemporaryDir m_runtime;
    bool m_running = false;
};

// Records the sink's monitor from start() to heard(), at 22050 Hz mono.
class MonitorRecording
{
public:
    ~MonitorRecording();
    // True once the monitor delivers.
    bool start();
    // Waits until nothing plays into the sink and the recording has caught up, stops, and
    // returns the milliseconds of samples above the noise floor (-1 when the recorder failed).
    int heard(const PulseServer &server);

private:
    QProcess m_recorder;
    QByteArray m_samples;
};

// How much of a sound (a file or a resource) is heard when paplay plays it into the sink.
int heardFromPaplay(const PulseServer &server, const QString &sound);

} // namespace TestSupport
