#include "editor/frmfindandreplace.h"
#include "editor/frmrecord.h"
#include "kb/frmmain.h"
#include "platform/base/fontsubstitutes.h"
#include "platform/controls/controlhost.h"
#include "platform/prompt/prompter.h"
#include "shell/mainfunctions.h"
#include "shell/shellprompter.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char *argv[])
{
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
    FrmMain::setFindWindowOpener(&FrmFindAndReplace::open);
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
