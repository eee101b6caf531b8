#include "shell/shellprompter.h"

#include "shell/frmmsgbox.h"

QString ShellPrompter::messageBox(const QString &prompt, int icon, int buttonSet,
                                  const QString &title)
{
    FrmMsgBox box;
    box.ShowIt(prompt, icon, buttonSet, title);
    box.exec();
    return box.answer();
}
