#include "kb/kbglobals.h"

QString DatabaseFolder;
QString WindowsUserName;
