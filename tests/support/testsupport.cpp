#include "testsupport.h"

#include <QDir>

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

QString sourceDir()
{
    return qEnvironmentVariable("MARLUX_SOURCE_DIR");
}

QString buildDir()
{
    return qEnvironmentVariable("MARLUX_BUILD_DIR");
}

} // namespace TestSupport
