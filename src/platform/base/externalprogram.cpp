#include "platform/base/externalprogram.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace ExternalProgram {

namespace {

Starter &installedStarter()
{
    static Starter starter;
    return starter;
}

bool suitsDesktop(const QStringList &desktops)
{
    if (desktops.isEmpty())
        return true;
    const QStringList running =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &desktop : desktops) {
        if (running.contains(desktop, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

Candidate fromCommand(const QString &command)
{
    QStringList words = QProcess::splitCommand(command);
    if (words.isEmpty())
        return {};
    const QString program = words.takeFirst();
    return {program, words};
}

QString resolve(const QString &program)
{
    if (program.trimmed().isEmpty())
        return {};
    // findExecutable takes an absolute path as it is, and checks it too.
    return QStandardPaths::findExecutable(program);
}

bool start(const QString &program, const QStringList &arguments)
{
    if (installedStarter())
        return installedStarter()(program, arguments);
    return QProcess::startDetached(program, arguments);
}

bool startFirst(const QList<Candidate> &candidates)
{
    for (const Candidate &candidate : candidates) {
        if (!suitsDesktop(candidate.desktops))
            continue;
        const QString program = resolve(candidate.program);
        if (!program.isEmpty())
            return start(program, candidate.arguments);
    }
    return false;
}

void setStarter(Starter starter)
{
    installedStarter() = std::move(starter);
}

void openWithDesktop(const QString &target, QObject *context, std::function<void()> failed)
{
    const bool bound = context != nullptr;
    const QPointer<QObject> guard(context);
    const auto report = [bound, guard, failed] {
        if ((!bound || guard) && failed)
            failed();
    };
    const QString opener = resolve(QStringLiteral("xdg-open"));
    if (installedStarter()) {
        if (!start(opener.isEmpty() ? QStringLiteral("xdg-open") : opener, {target}))
            report();
        return;
    }
    if (opener.isEmpty()) {
        // Without the desktop's opener, only whether Qt's own way started can be known.
        const QUrl url = target.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(target)
                                                             : QUrl::fromEncoded(target.toUtf8());
        if (!QDesktopServices::openUrl(url))
            report();
        return;
    }
    // The opener ends with a failure when no program takes the target. It may also wait for
    // the program it starts, so it belongs to no window: closing ours must not end a viewer.
    // Its exit is waited for by the event loop, never by blocking the window.
    auto *process = new QProcess;
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process,
                     [process, report](int exitCode, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || exitCode != 0)
                             report();
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, report](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         report();
                         process->deleteLater();
                     });
    process->start(opener, {target});
}

} // namespace ExternalProgram
