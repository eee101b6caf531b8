#include "controls_fixture.h"

#include "testsupport.h"

#include <QTest>

ControlsFixture::ControlsFixture(bool registerNow)
{
    m_hadPrevious = qEnvironmentVariableIsSet("MARLUX_CONTROL_REGISTRY");
    m_previous = qgetenv("MARLUX_CONTROL_REGISTRY");
    qputenv("MARLUX_CONTROL_REGISTRY", registryFile().toUtf8());
    m_host = std::make_unique<ControlHost>();
    m_host->setLibraryFolder(binFolder());
    if (registerNow) {
        const QString error = m_host->registerControls();
        if (!error.isEmpty())
            qWarning("%s", qPrintable(error));
    }
}

ControlsFixture::~ControlsFixture()
{
    if (m_hadPrevious)
        qputenv("MARLUX_CONTROL_REGISTRY", m_previous);
    else
        qunsetenv("MARLUX_CONTROL_REGISTRY");
}

QString ControlsFixture::binFolder()
{
    return TestSupport::buildDir() + QStringLiteral("/bin");
}
