#include "kb/frmmain.h"
#include "shell/mainfunctions.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marlux"));
    QApplication::setOrganizationName(QStringLiteral("Marlux"));
    return Main(app, [] {
        auto *main = new FrmMain;
        main->MDIForm_Load();
        main->showMaximized();
        return main;
    });
}
