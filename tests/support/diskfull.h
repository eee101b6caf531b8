#pragma once

#include <csignal>
#include <sys/resource.h>

// Makes every write past `bytes` into a regular file fail (EFBIG) while it lives: a full disk
// for this process only, needing no privileges.
class DiskFull
{
public:
    explicit DiskFull(rlim_t bytes = 0)
    {
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~DiskFull()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldSignal);
    }
    DiskFull(const DiskFull &) = delete;
    DiskFull &operator=(const DiskFull &) = delete;

private:
    rlimit m_old{};
    void (*m_oldSignal)(int) = nullptr;
};
