#include "kb/frmmain.h"
#include "kb/lazystyle.h"
#include "platform/base/fontsubstitutes.h"
#include "platform/base/lazymodule.h"
#include "platform/controls/controlhost.h"
#include "platform/prompt/prompter.h"
#include "shell/mainfunctions.h"
#include "shell/shellprompter.h"
#include "tools/web/WebEngineSandbox.h"
#include "windowfactories.h"

#include <QApplication>
#include <QOpenGLContext>
#include <QScreen>

#include <fontconfig/fontconfig.h>

#include <thread>

// The GUI library's own setter of the context every OpenGL user shares.
void qt_gl_set_global_share_context(QOpenGLContext *context);

namespace {

// The web engine wants a shared OpenGL context, and making one costs a good part of
// start-up. It gets an empty one now, made real when the first browser opens.
QOpenGLContext *webShareContext = nullptr;

void prepareWebShareContext()
{
    if (webShareContext->isValid())
        return;
    webShareContext->setScreen(QGuiApplication::primaryScreen());
    webShareContext->setFormat(QSurfaceFormat::defaultFormat());
    webShareContext->create();
}

// The browser and the web engine under it load when the first browser opens.
QWidget *createWebBrowser(FrmMain *main)
{
    prepareWebShareContext();
    QString error;
    const auto create = LazyModule::function<QWidget *(*)(FrmMain *)>(
        QStringLiteral("marlux_webtool"), "marluxCreateWebBrowser", &error);
    if (!create) {
        Prompter::instance().plainMessage(error, QStringLiteral("ERROR"),
                                          Prompter::PlainIcon::Critical);
        return nullptr;
    }
    return create(main);
}

} // namespace

int main(int argc, char *argv[])
{
    PrepareWebEngineSandbox(); // before anything can start the web engine
    // Reading the font configuration takes a few milliseconds the first window would wait
    // for; it is read beside the connection to the display instead.
    std::thread fontConfig([] { FcInit(); });
    webShareContext = new QOpenGLContext;
    qt_gl_set_global_share_context(webShareContext);
    QApplication app(argc, argv);
    QApplication::setStyle(new LazyPictureStyle);
    QApplication::setApplicationName(QStringLiteral("Marlux"));
    QApplication::setOrganizationName(QStringLiteral("Marlux"));
    InstallFontSubstitutes();
    fontConfig.join();
    ShellPrompter prompter;
    Prompter::setInstance(&prompter);
    InstallWindowFactories(&createWebBrowser);
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
