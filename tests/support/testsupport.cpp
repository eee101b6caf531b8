#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <memory>
#include <signal.h>
#include <sys/prctl.h>
#include <vector>

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
        file.write("#!/bin/sh\nexit " + QByteArray::number(exitCode) + "\n");
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

void endWithThisProcess(QProcess &process)
{
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

bool runSideBySide(const QList<QStringList> &arguments, QString *failure)
{
    std::vector<std::unique_ptr<QProcess>> copies;
    for (const QStringList &list : arguments) {
        auto copy = std::make_unique<QProcess>();
        copy->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        copy->start(QCoreApplication::applicationFilePath(), list);
        copies.push_back(std::move(copy));
    }
    bool ok = true;
    for (const auto &copy : copies) {
        if (!copy->waitForFinished(60000) || copy->exitStatus() != QProcess::NormalExit ||
            copy->exitCode() != 0) {
            ok = false;
            if (failure)
                *failure = copy->arguments().join(QLatin1Char(' ')) + QStringLiteral(": ") +
                           copy->errorString() + QStringLiteral(", exit ") +
                           QString::number(copy->exitCode());
        }
    }
    return ok;
}

} // namespace TestSupport
