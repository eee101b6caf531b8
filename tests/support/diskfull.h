#pragma once

#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/mount.h>
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

// A real, small disk of its own (a tmpfs) for every process, gone with the object. Mounting
// takes root: elsewhere isMounted() is false and the test skips.
class SmallDisk
{
public:
    explicit SmallDisk(qint64 bytes)
        : m_mounted(::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                            ("size=" + QByteArray::number(bytes)).constData()) == 0)
    {}
    ~SmallDisk() { ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH); }
    bool isMounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    const bool m_mounted;
};
