#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QTimer;

// A pulse timer without a window: ThatTime fires every Interval milliseconds.
// While it runs, the timer table keeps it alive; writing Interval 0 stops it and lets it go.
class CTimer : public QObject, public std::enable_shared_from_this<CTimer>
{
    Q_OBJECT

public:
    enum ErrorNumber { ErrTooManyTimers = 13651, ErrCantCreateTimer = 13652 };

    // Timers are shared: the table holds a reference while they run.
    static std::shared_ptr<CTimer> create();
    ~CTimer() override;

    int Interval() const { return m_interval; }
    // Starts, restarts or stops the timer; raises 13651 or 13652 on failure.
    void setInterval(int milliseconds);
    void PulseTimer();

    int TimerID() const { return m_timerId; }
    void setTimerID(int id) { m_timerId = id; }
    void ErrRaise(int number);

    // The system timer behind the object; nullptr when stopped.
    QTimer *systemTimer() const { return m_timer; }

signals:
    void ThatTime();

private:
    CTimer() = default;
    friend struct MTimerAccess;

    int m_interval = 0;
    int m_timerId = 0;
    QTimer *m_timer = nullptr;
};

// The table of running timers.
namespace MTimer {

constexpr int Slots = 100;

bool TimerCreate(CTimer *timer);
bool TimerDestroy(CTimer *timer);
// A tick of the system timer with this identifier.
void TimerProc(int idEvent);

// Slot (1 to 100) holding the timer, 0 when none; the highest slot ever used.
int SlotOf(const CTimer *timer);
int HighWaterMark();

// Replaces the system timer start for tests: returns the identifier, 0 when refused.
using SystemTimerStart = std::function<int(QTimer *timer, int interval)>;
void setSystemTimerStart(SystemTimerStart start);

} // namespace MTimer
