#pragma once

#include <QProcess>
#include <QString>

// A real telnet server for one test: telnetd behind socat on 127.0.0.1 and a free high
// port, stopped when the object goes.
class TelnetdPeer
{
public:
    TelnetdPeer();
    ~TelnetdPeer();

    // Starts the server with these telnetd options and waits until it accepts connections;
    // false with a reason if the machine cannot run one.
    bool start(const QString &options = QStringLiteral("-h"));
    quint16 port() const { return m_port; }
    QString failure() const { return m_failure; }

    // A port on 127.0.0.1 where nothing listens.
    static quint16 closedPort();

private:
    QProcess m_process;
    quint16 m_port = 0;
    QString m_failure;
};
