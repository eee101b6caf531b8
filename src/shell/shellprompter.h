#pragma once

#include "platform/prompt/widgetprompter.h"

// The program's interactive prompter: message boxes are the shaped FrmMsgBox,
// everything else as WidgetPrompter has it.
class ShellPrompter : public WidgetPrompter
{
public:
    QString messageBox(const QString &prompt, int icon, int buttonSet,
                       const QString &title) override;
};
