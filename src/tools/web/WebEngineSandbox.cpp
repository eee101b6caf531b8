#include "tools/web/WebEngineSandbox.h"

#include <QByteArray>
#include <QByteArrayList>

#include <unistd.h>

void PrepareWebEngineSandbox()
{
    PrepareWebEngineSandbox(::geteuid() == 0);
}

void PrepareWebEngineSandbox(bool superUser)
{
    if (!superUser)
        return;
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.split(' ').contains("--no-sandbox"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --no-sandbox").trimmed());
}
