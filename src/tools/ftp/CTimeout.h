#pragma once

#include <QTimer>

// Counts whole silent intervals (seconds by default) while the FTP engine waits.
// The count is per object; ticks arrive only while an event loop runs.
class CTimeout
{
public:
    explicit CTimeout(int intervalMs = 1000);
    ~CTimeout();

    void startTimer();
    void stopTimer();
    void reset() { m_count = 0; }
    int timeoutValue() const { return m_limit; }
    void setTimeoutValue(int seconds) { m_limit = seconds; }
    // True once more than timeoutValue() ticks passed since the start or the last reset;
    // reading True stops the timer.
    bool timeout();
    bool isRunning() const { return m_timer.isActive(); }
    int ticks() const { return m_count; }

private:
    QTimer m_timer;
    int m_count = 0;
    int m_limit = 0;
};
