// The Help menu's About command.

#include "kb/frmmain.h"
#include "shell/frmabout.h"

void FrmMain::mnuHelpAbout_Click()
{
    frmAbout::ShowAbout(this);
}
