// The Edit menu's Find and Replace and the main toolbar's Search: they open the find window,
// which the program registers at start-up.

#include "kb/frmmain.h"

#include <QMdiArea>

namespace {

FrmMain::FindWindowOpener &findWindowOpener()
{
    static FrmMain::FindWindowOpener opener;
    return opener;
}

void openFindWindow(FrmMain *main, FrmMain::FindCommand command)
{
    // Like the other record commands, nothing happens without a child window.
    if (!main->mdiArea()->currentSubWindow() || !findWindowOpener())
        return;
    findWindowOpener()(main, command);
}

} // namespace

void FrmMain::setFindWindowOpener(FindWindowOpener opener)
{
    findWindowOpener() = std::move(opener);
}

void FrmMain::mnuFindWord_Click()
{
    openFindWindow(this, FindCommand::Find);
}

void FrmMain::mnuReplace_Click()
{
    openFindWindow(this, FindCommand::Replace);
}

void FrmMain::ShowFindAndReplace()
{
    openFindWindow(this, FindCommand::Search);
}
