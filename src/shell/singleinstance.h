#pragma once

#include <QLockFile>
#include <QObject>

#include <memory>

class QLocalServer;

// One running instance per user: a lock file plus a local socket on which a second
// start asks the first to restore and raise its main window.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString &key, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the instance; false when another one runs
    // (which has then been asked to show itself).
    bool claim();

    QString serverName() const { return m_serverName; }

signals:
    void activationRequested();

private:
    bool askRunningInstance();

    QString m_serverName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};

// Restores and raises the main window; connected to activationRequested.
void ActivateMainWindow();
