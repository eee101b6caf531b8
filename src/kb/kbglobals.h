#pragma once

#include <QString>

// The program folder plus "Database/"; set last in the main window's load.
extern QString DatabaseFolder;

// The user's login name, "" when it cannot be read.
extern QString WindowsUserName;
