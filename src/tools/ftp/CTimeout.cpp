#include "tools/ftp/CTimeout.h"

CTimeout::CTimeout(int intervalMs)
{
    m_timer.setInterval(intervalMs);
    m_timer.setTimerType(Qt::CoarseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { ++m_count; });
}

CTimeout::~CTimeout()
{
    stopTimer();
}

void CTimeout::startTimer()
{
    m_count = 0;
    m_timer.start(); // restarts a running timer, so only one runs
}

void CTimeout::stopTimer()
{
    m_count = 0;
    m_timer.stop();
}

bool CTimeout::timeout()
{
    if (m_count > m_limit) {
        stopTimer();
        return true;
    }
    return false;
}
