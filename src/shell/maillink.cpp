#include "shell/maillink.h"

#include "platform/base/externalprogram.h"
#include "shell/messagebox.h"

#include <QCursor>
#include <QGuiApplication>

namespace MailLink {

void open(const QUrl &mailto)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QString address = mailto.path(QUrl::FullyDecoded);
    // The outcome comes with the opener's exit; the message needs no window of ours, so it
    // comes even when the one that asked has closed meanwhile.
    ExternalProgram::openWithDesktop(mailto.toString(QUrl::FullyEncoded), nullptr, [address] {
        MsgBoxEx(QStringLiteral("No mail program could be started for the message.\n"
                                " Please send e-mail manually to ") +
                     address + QStringLiteral("\n                      Thank you!"),
                 105, 4, QStringLiteral("SEND MAIL FAILED"));
    });
    // Only the hourglass set here goes; a caller's own pointer stays.
    QGuiApplication::restoreOverrideCursor();
}

} // namespace MailLink
