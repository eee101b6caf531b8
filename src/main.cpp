#include "dbtools/frmadvance.h"
#include "dbtools/frmconvert.h"
#include "dbtools/frmtrans.h"
#include "editor/frmdocpreview.h"
#include "editor/frmfindandreplace.h"
#include "editor/frmrecord.h"
#include "kb/frmmain.h"
#include "platform/base/fontsubstitutes.h"
#include "platform/controls/controlhost.h"
#include "platform/prompt/prompter.h"
#include "shell/mainfunctions.h"
#include "shell/shellprompter.h"
#include "tools/ftp/FrmFTP.h"
#include "tools/imagenav/FrmImageNavi.h"
#include "tools/telnet/frmTelnet.h"
#include "tools/web/WebEngineSandbox.h"
#include "tools/web/frmWebBrowser.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char *argv[])
{
    PrepareWebEngineSandbox(); // before anything can start the web engine
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marlux"));
    QApplication::setOrganizationName(QStringLiteral("Marlux"));
    InstallFontSubstitutes();
    ShellPrompter prompter;
    Prompter::setInstance(&prompter);
    FrmMain::setRecordWindowFactory([](FrmMain *main, bool searchMode) -> QWidget * {
        return new FrmRecord(main, searchMode);
    });
    FrmMain::setPreviewWindowFactory(&frmDocPreview::Preview);
    FrmMain::setDataViewFactory(&FrmAdvance::createDataView);
    FrmMain::setDbMaintenanceFactory(&openDbMaintenanceWindow);
    FrmMain::setToolWindowFactory(QStringLiteral("FTP"), [](FrmMain *m) { return new FrmFTP(m); });
    FrmMain::setToolWindowFactory(QStringLiteral("Telnet"),
                                  [](FrmMain *m) { return new frmTelnet(m); });
    FrmMain::setToolWindowFactory(QStringLiteral("Internet"), [](FrmMain *main) -> QWidget * {
        return new frmWebBrowser(main);
    });
    FrmMain::setToolWindowFactory(
        QStringLiteral("Image Navigator"),
        [](FrmMain *main) -> QWidget * { return new FrmImageNavi(main); });
    FrmMain::setFindWindowOpener(&FrmFindAndReplace::open);
    FrmMain::setConvertWindowFactory(&FrmConvert::DBConvert);
    return Main(app, [] {
        const QString missing = ControlHost::instance().registerControls();
        if (!missing.isEmpty())
            Prompter::instance().plainMessage(missing, QStringLiteral("ERROR"),
                                              Prompter::PlainIcon::Critical);
        auto *main = new FrmMain;
        main->MDIForm_Load();
        // Without a window manager "maximised" means nothing: fill the screen instead.
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            main->setGeometry(screen->availableGeometry());
        main->showMaximized();
        return main;
    });
}
