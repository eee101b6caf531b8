#pragma once

class QWidget;

// The gate of every sound and of speech; fixed once by the splash checks.
extern bool SoundDevicePresent;

// The one main window, set before it loads and never replaced.
extern QWidget *MainForm;
