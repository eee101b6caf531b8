#include "FtpTestServers.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include "testsupport.h"

FtpTestServer::FtpTestServer()
{
    // Servers that drop privileges must still reach the served tree.
    QFile::setPermissions(m_root.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                             QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                             QFileDevice::ExeOther);
}

FtpTestServer::~FtpTestServer()
{
    stop();
}

void FtpTestServer::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

bool PyFtpServer::start()
{
    const QString script =
        TestSupport::sourceDir() + QStringLiteral("/tests/tools/ftp/ftpfixture.py");
    m_process.setStandardErrorFile(QProcess::nullDevice());
    QStringList arguments{script, QStringLiteral("--root"), root()};
    arguments += m_options;
    TestSupport::endWithThisProcess(m_process);
    m_process.start(QStringLiteral("/usr/bin/python3"), arguments);
    if (!m_process.waitForStarted(5000)) {
        m_error = m_process.errorString();
        return false;
    }
    QDeadlineTimer deadline(10000);
    QByteArray output;
    while (!deadline.hasExpired() && !output.contains('\n')) {
        if (!m_process.waitForReadyRead(int(deadline.remainingTime())))
            break;
        output += m_process.readAllStandardOutput();
    }
    if (!output.startsWith("PORT ")) {
        m_error = QStringLiteral("pyftpdlib did not start: ") + QString::fromLocal8Bit(output);
        return false;
    }
    m_port = quint16(output.mid(5).trimmed().toUInt());
    return m_port != 0;
}

bool VsftpdServer::start()
{
    QDir(root()).mkdir(QStringLiteral("incoming"));
    QFile::setPermissions(root() + QStringLiteral("/incoming"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                              QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                              QFileDevice::ExeGroup | QFileDevice::ReadOther |
                              QFileDevice::WriteOther | QFileDevice::ExeOther);
    QDir(m_work.path()).mkdir(QStringLiteral("empty"));
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = freeLocalPort();
        const quint32 passiveBase = 20000 + QRandomGenerator::global()->bounded(40000);
        QFile config(m_work.filePath(QStringLiteral("vsftpd.conf")));
        if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        config.write(QStringLiteral("listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\n"
                                    "listen_port=%1\nbackground=NO\nanonymous_enable=YES\n"
                                    "local_enable=NO\nanon_root=%2\nno_anon_password=YES\n"
                                    "write_enable=YES\nanon_upload_enable=YES\n"
                                    "anon_mkdir_write_enable=YES\nanon_other_write_enable=YES\n"
                                    "anon_umask=022\nallow_writeable_chroot=YES\n"
                                    "pasv_enable=YES\npasv_min_port=%3\npasv_max_port=%4\n"
                                    "port_enable=YES\nseccomp_sandbox=NO\nisolate=NO\n"
                                    "isolate_network=NO\nsecure_chroot_dir=%5\n"
                                    "xferlog_enable=NO\nascii_upload_enable=YES\n"
                                    "ascii_download_enable=YES\nmax_per_ip=50\n")
                         .arg(m_port)
                         .arg(root())
                         .arg(passiveBase)
                         .arg(passiveBase + 199)
                         .arg(m_work.filePath(QStringLiteral("empty")))
                         .toUtf8());
        config.close();
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        TestSupport::endWithThisProcess(m_process);
        m_process.start(QStringLiteral("/usr/sbin/vsftpd"), {config.fileName()});
        if (!m_process.waitForStarted(5000)) {
            m_error = m_process.errorString();
            return false;
        }
        if (waitForListener(m_port, 5000))
            return true;
        stop();
    }
    m_error = QStringLiteral("vsftpd did not start");
    return false;
}

quint16 freeLocalPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

bool waitForListener(quint16 port, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(500)) {
            probe.abort();
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

QByteArray writeRandomFile(const QString &path, qint64 size, quint32 seed)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QByteArray();
    QRandomGenerator generator(seed);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray block(1 << 20, Qt::Uninitialized);
    qint64 left = size;
    while (left > 0) {
        const qsizetype count = qsizetype(qMin<qint64>(left, block.size()));
        generator.fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
        file.write(block.constData(), count);
        hash.addData(QByteArrayView(block.constData(), count));
        left -= count;
    }
    return hash.result().toHex();
}

QByteArray fileSha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}
