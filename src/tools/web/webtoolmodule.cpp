// The browser as a module the program loads when it is first opened, so the web
// engine's libraries are no part of start-up.
#include "tools/web/frmWebBrowser.h"

extern "C" Q_DECL_EXPORT QWidget *marluxCreateWebBrowser(FrmMain *main)
{
    return new frmWebBrowser(main);
}
