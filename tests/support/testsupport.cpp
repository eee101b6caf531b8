#include "testsupport.h"

#include <QDir>
#include <QFile>

namespace TestSupport {

TempDataRoot::TempDataRoot()
{
    m_hadPrevious = qEnvironmentVariableIsSet("MARLUX_HOME");
    m_previous = qgetenv("MARLUX_HOME");
    qputenv("MARLUX_HOME", QDir::toNativeSeparators(m_dir.path()).toUtf8());
}

TempDataRoot::~TempDataRoot()
{
    if (m_hadPrevious)
        qputenv("MARLUX_HOME", m_previous);
    else
        qunsetenv("MARLUX_HOME");
}

FakePrograms::FakePrograms() : m_previous(qgetenv("PATH"))
{
    qputenv("PATH", QFile::encodeName(m_dir.path()));
}

FakePrograms::~FakePrograms()
{
    qputenv("PATH", m_previous);
}

QString FakePrograms::add(const QString &name, int exitCode)
{
    const QString program = m_dir.filePath(name);
    QFile file(program);
    if (file.open(QIODevice::WriteOnly))
        file.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\nexit " +
                   QByteArray::number(exitCode) + "\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return program;
}

QString sourceDir()
{
    return qEnvironmentVariable("MARLUX_SOURCE_DIR");
}

QString buildDir()
{
    return qEnvironmentVariable("MARLUX_BUILD_DIR");
}

} // namespace TestSupport
