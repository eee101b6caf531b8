#pragma once

#include <QString>

// The answer of the message box that closed last: the caption of its button, or its
// set's Esc value when it was closed any other way.
extern QString MsgBoxResult;

// The program's message box: prompt, icon 101 to 107, button set 1 to 5, title.
// Returns the caption of the pressed button ("Yes", "No", "Cancel", "Retry", "Ok").
// Goes through the installed Prompter, so tests script the answer.
QString MsgBoxEx(const QString &prompt, int icon, int buttons, const QString &title);
