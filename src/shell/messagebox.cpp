#include "shell/messagebox.h"

#include "platform/prompt/prompter.h"

QString MsgBoxResult;

QString MsgBoxEx(const QString &prompt, int icon, int buttons, const QString &title)
{
    // The box sets the result as it closes; a scripted prompter has no box, so set it here too.
    MsgBoxResult = Prompter::instance().messageBox(prompt, icon, buttons, title);
    return MsgBoxResult;
}
