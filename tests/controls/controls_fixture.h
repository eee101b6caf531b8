#pragma once

#include "platform/controls/controlhost.h"

#include <QTemporaryDir>

#include <memory>

// A private registration store and a host that finds the freshly built libraries.
class ControlsFixture
{
public:
    explicit ControlsFixture(bool registerNow = true);
    ~ControlsFixture();

    QString registryFile() const { return m_dir.filePath(QStringLiteral("controls.ini")); }
    QString tempPath() const { return m_dir.path(); }
    static QString binFolder();
    ControlHost &host() { return *m_host; }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious = false;
    std::unique_ptr<ControlHost> m_host;
};
