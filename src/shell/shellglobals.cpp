#include "shell/shellglobals.h"

bool SoundDevicePresent = false;
QWidget *MainForm = nullptr;
