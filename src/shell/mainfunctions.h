#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QApplication;
class QWidget;

// Small procedures shared by every part of the program.

bool DirExists(const QString &path);
bool FileExists(const QString &path);
void LockWindow(QWidget *window, bool lock);
void SetTopMost(QWidget *window, bool onTop);
// Writes a resource ("WAVE"/"BACKGROUND" type and id) to a file, replacing it whole.
void SaveResToFile(const QString &id, const QString &type, const QString &filePath);
QByteArray LoadResData(const QString &id, const QString &type);
void SelectAllText(QWidget *control);
bool IsFormLoaded(const QString &caption, int n);

// The display mode the start-up would ask for, or nothing when the screen is fine.
struct ScreenModeRequest
{
    int width = 0;
    int height = 0;
    int bits = 0;
};
std::optional<ScreenModeRequest> RequiredScreenMode(int width, int height, int depth);
// Switching the display is not possible here: always refused, which start-up ignores.
long SetScreenMode(double width, double height, long bits);
void CheckScreenMode();

// The program's entry: checks, splash, speech, main window. createMainWindow builds
// and loads the main window; it runs while the splash is still on screen.
int Main(QApplication &app, const std::function<QWidget *()> &createMainWindow);
