#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// Desktop programs started on the user's behalf (system information, printer settings, mail
// folders, a picture's viewer, the mail program): found on PATH, started on their own, never
// through a shell and never waited for. Tests put their own starter in place, so no real desktop
// program starts.
namespace ExternalProgram {

struct Candidate
{
    QString program; // a name looked up on PATH, or a path
    QStringList arguments;
    // Desktops (as XDG_CURRENT_DESKTOP names them) the program works on; empty for any.
    QStringList desktops = {};
};

// A configured command line: program and arguments, quoted as a shell would, run by none.
Candidate fromCommand(const QString &command);

// The program's full path when it is installed and executable, else empty.
QString resolve(const QString &program);

// Starts the program with its arguments; false when it could not be started.
bool start(const QString &program, const QStringList &arguments);

// Starts the first installed candidate that suits the running desktop; false when there is
// none, or when the one found could not be started.
bool startFirst(const QList<Candidate> &candidates);

using Starter = std::function<bool(const QString &program, const QStringList &arguments)>;
// Replaces the real start; an empty starter brings it back.
void setStarter(Starter starter);

// Opens a file, a folder or an address (a file:// or mailto: address) with the desktop's
// handler for it. The desktop's opener reports later, by its exit status, whether a program
// took it: failed then runs, unless a context was given and has gone meanwhile.
void openWithDesktop(const QString &target, QObject *context, std::function<void()> failed);

} // namespace ExternalProgram
