#pragma once

class QWidget;

// Windows of a fixed dialog border: the window manager is asked for a title bar with a close
// button only, no minimise or maximise, and such a window never stays minimised.
namespace FixedDialog {

// Sets the window's flags (keeping a stays-on-top request) and watches it.
void apply(QWidget *window, bool closeButton = true);
// Widens the window through one of its children (its main field) so that its caption shows
// whole in the title bar beside the bar's buttons.
void fitToCaption(QWidget *window, QWidget *widened);
// A modal window that the window manager minimises comes straight back with the windows it
// belongs to: waiting for an answer, it must not hide the program with no way back. So does a
// fixed dialog minimised on its own. Installed once for the whole program; apply() installs it
// too.
void installRestoreGuard();

} // namespace FixedDialog
