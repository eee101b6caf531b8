#include "tools/web/WebMailFolders.h"

#include "platform/base/externalprogram.h"
#include "platform/base/settingsstore.h"
#include "tools/web/WebAddressHistory.h"

#include <QStringList>

namespace WebMailFolders {

QString sectionName()
{
    return QStringLiteral("Mail Client");
}

bool openFolder(const QString &folder, QString *error)
{
    static const QStringList known = {QStringLiteral("Inbox"), QStringLiteral("Outbox"),
                                      QStringLiteral("Contacts")};
    QString key;
    for (const QString &name : known) {
        if (name.compare(folder, Qt::CaseInsensitive) == 0)
            key = name;
    }
    if (key.isEmpty())
        return true;

    const QString command = SettingsStore::instance()
                                .value(WebAddressHistory::appName(), sectionName(), key)
                                .toString();
    const ExternalProgram::Candidate client = ExternalProgram::fromCommand(command);
    if (client.program.isEmpty()) {
        *error = QStringLiteral("No mail client is set up to open the %1 folder.").arg(key);
        return false;
    }
    if (!ExternalProgram::start(client.program, client.arguments)) {
        *error = QStringLiteral("The mail client \"%1\" could not be started.").arg(client.program);
        return false;
    }
    return true;
}

} // namespace WebMailFolders
