#pragma once

#include "dbtools/frmadvance.h"
#include "dbtools/frmconvert.h"
#include "dbtools/frmtrans.h"
#include "editor/frmdocpreview.h"
#include "editor/frmfindandreplace.h"
#include "editor/frmrecord.h"
#include "kb/frmmain.h"
#include "tools/ftp/FrmFTP.h"
#include "tools/imagenav/FrmImageNavi.h"
#include "tools/telnet/frmTelnet.h"

// The windows the main window opens, wired once: the program and its end-to-end tests both
// use this. The browser comes from the caller, since the program loads it as a module.
inline void InstallWindowFactories(FrmMain::ToolWindowFactory webBrowser)
{
    FrmMain::setRecordWindowFactory([](FrmMain *main, bool searchMode) -> QWidget * {
        return new FrmRecord(main, searchMode);
    });
    FrmMain::setPreviewWindowFactory(&frmDocPreview::Preview);
    FrmMain::setDataViewFactory(&FrmAdvance::createDataView);
    FrmMain::setDbMaintenanceFactory(&openDbMaintenanceWindow);
    FrmMain::setToolWindowFactory(QStringLiteral("FTP"), [](FrmMain *m) { return new FrmFTP(m); });
    FrmMain::setToolWindowFactory(QStringLiteral("Telnet"),
                                  [](FrmMain *m) { return new frmTelnet(m); });
    FrmMain::setToolWindowFactory(QStringLiteral("Internet"), std::move(webBrowser));
    FrmMain::setToolWindowFactory(
        QStringLiteral("Image Navigator"),
        [](FrmMain *main) -> QWidget * { return new FrmImageNavi(main); });
    FrmMain::setFindWindowOpener(&FrmFindAndReplace::open);
    FrmMain::setConvertWindowFactory(&FrmConvert::DBConvert);
}
