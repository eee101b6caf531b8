#pragma once

#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

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
    {
        const QByteArray options = "size=" + QByteArray::number(bytes);
        m_mounted = m_dir.isValid() && ::geteuid() == 0 &&
                    ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                            options.constData()) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    bool isMounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }

    // Takes up the disk with a file of its own until only `left` bytes are free.
    bool leaveFree(qint64 left)
    {
        const QByteArray filler = QFile::encodeName(m_dir.filePath(QStringLiteral(".filler")));
        ::unlink(filler.constData());
        struct statvfs info
        {
        };
        if (::statvfs(QFile::encodeName(m_dir.path()).constData(), &info) != 0)
            return false;
        const qint64 size = qint64(info.f_bavail) * qint64(info.f_frsize) - left;
        if (size <= 0)
            return true;
        const int fd = ::open(filler.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        const bool ok = ::posix_fallocate(fd, 0, size) == 0;
        ::close(fd);
        return ok;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};
