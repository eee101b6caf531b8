#include "ctimer.h"

#include "msubclass.h"
#include "platform/base/apperror.h"

#include <QTimer>

#include <array>

namespace {

std::array<std::shared_ptr<CTimer>, MTimer::Slots + 1> g_slots; // 0 unused
int g_highWater = 0;
int g_nextId = 0;

int defaultStart(QTimer *timer, int interval)
{
    timer->start(interval);
    if (!timer->isActive())
        return 0;
    // Identifiers stay unique for the program's life, like the system's.
    return ++g_nextId;
}

MTimer::SystemTimerStart &systemStart()
{
    static MTimer::SystemTimerStart start = defaultStart;
    return start;
}

} // namespace

// The system timer may be dropped from inside its own tick.
void dropTimer(QTimer *&timer)
{
    if (timer) {
        timer->stop();
        timer->deleteLater();
    }
    timer = nullptr;
}

struct MTimerAccess
{
    static QTimer *&timer(CTimer *object) { return object->m_timer; }
    static void stopQuietly(CTimer *object)
    {
        object->m_interval = 0;
        object->m_timerId = 0;
        dropTimer(object->m_timer);
    }
};

std::shared_ptr<CTimer> CTimer::create()
{
    return std::shared_ptr<CTimer>(new CTimer);
}

CTimer::~CTimer()
{
    // The table holds running timers, so only a stopped one ever ends here.
    dropTimer(m_timer);
}

void CTimer::setInterval(int milliseconds)
{
    if (milliseconds >= 1) {
        if (milliseconds == m_interval)
            return;
        if (m_interval != 0)
            MTimer::TimerDestroy(this);
        m_interval = milliseconds;
        if (!MTimer::TimerCreate(this))
            ErrRaise(ErrCantCreateTimer);
    } else if (m_interval > 0) {
        m_interval = 0;
        MTimer::TimerDestroy(this);
    }
}

void CTimer::PulseTimer()
{
    emit ThatTime();
}

void CTimer::ErrRaise(int number)
{
    if (number < 1001)
        throw AppException(number, QString());
    QString description;
    if (number == ErrTooManyTimers)
        description = QStringLiteral("No more than 10 timers allowed per class");
    else if (number == ErrCantCreateTimer)
        description = QStringLiteral("Can't create system timer");
    throw AppException(AppErrorBase | number, description, MSubClass::ErrorSource());
}

namespace MTimer {

bool TimerCreate(CTimer *timer)
{
    QTimer *&system = MTimerAccess::timer(timer);
    dropTimer(system);
    system = new QTimer;
    const int id = systemStart()(system, timer->Interval());
    timer->setTimerID(id);
    if (id == 0) {
        MTimerAccess::stopQuietly(timer);
        return false;
    }
    QObject::connect(system, &QTimer::timeout, [id] { TimerProc(id); });
    for (int slot = 1; slot <= Slots; ++slot) {
        if (!g_slots[slot]) {
            g_slots[slot] = timer->shared_from_this();
            g_highWater = std::max(g_highWater, slot);
            return true;
        }
    }
    // A full table leaves nothing running behind the error.
    MTimerAccess::stopQuietly(timer);
    timer->ErrRaise(CTimer::ErrTooManyTimers);
    return false;
}

bool TimerDestroy(CTimer *timer)
{
    for (int slot = 1; slot <= g_highWater; ++slot) {
        if (g_slots[slot] && g_slots[slot]->TimerID() == timer->TimerID()) {
            // Keep the object alive until this call is done with it.
            std::shared_ptr<CTimer> keep = std::move(g_slots[slot]);
            dropTimer(MTimerAccess::timer(keep.get()));
            return true;
        }
    }
    return false;
}

void TimerProc(int idEvent)
{
    for (int slot = 1; slot <= g_highWater; ++slot) {
        if (g_slots[slot] && g_slots[slot]->TimerID() == idEvent) {
            std::shared_ptr<CTimer> keep = g_slots[slot];
            keep->PulseTimer();
            return;
        }
    }
}

int SlotOf(const CTimer *timer)
{
    for (int slot = 1; slot <= g_highWater; ++slot)
        if (g_slots[slot].get() == timer)
            return slot;
    return 0;
}

int HighWaterMark()
{
    return g_highWater;
}

void setSystemTimerStart(SystemTimerStart start)
{
    systemStart() = start ? std::move(start) : SystemTimerStart(defaultStart);
}

} // namespace MTimer
