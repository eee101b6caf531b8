#include "TelnetdPeer.h"

#include "testsupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

TelnetdPeer::TelnetdPeer() = default;

TelnetdPeer::~TelnetdPeer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
}

quint16 TelnetdPeer::closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

bool TelnetdPeer::start(const QString &options)
{
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    const QString telnetd = QStringLiteral("/usr/sbin/telnetd");
    if (socat.isEmpty() || !QFileInfo(telnetd).isExecutable()) {
        m_failure = QStringLiteral("socat or telnetd is not installed");
        return false;
    }
    m_port = closedPort();
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    TestSupport::endWithThisProcess(m_process);
    m_process.start(socat,
                    {QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr,fork").arg(m_port),
                     QStringLiteral("EXEC:\"%1 %2\",nofork").arg(telnetd, options)});
    if (!m_process.waitForStarted(3000)) {
        m_failure = QStringLiteral("socat did not start");
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        if (probe.waitForConnected(200)) {
            probe.abort();
            return true;
        }
        if (m_process.state() == QProcess::NotRunning)
            break;
        QThread::msleep(20);
    }
    m_failure = QStringLiteral("telnet server did not come up on port %1").arg(m_port);
    return false;
}
