#pragma once

#include <QString>

// Opens a folder of the user's mail client. There is no common interface for that here,
// so each folder has a command of its own in the settings ("RavodovirEZ", section
// "Mail Client", keys "Inbox", "Outbox", "Contacts"), started without a shell.
namespace WebMailFolders {

QString sectionName(); // "Mail Client"

// folder is "Inbox", "Outbox" or "Contacts" in any letter case; other names open nothing
// and succeed. Returns false with *error set when no command is set up or it cannot start.
bool openFolder(const QString &folder, QString *error);

} // namespace WebMailFolders
