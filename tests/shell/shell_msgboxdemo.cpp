// Shows one message box on a real display and saves a picture of the screen:
//   xvfb-run -s "-screen 0 800x600x24" shell_msgboxdemo OUT.png [icon] [set] [prompt] [title]
#include "shell/frmmsgbox.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: %s OUT.png [icon] [set] [prompt] [title]\n", argv[0]);
        return 2;
    }
    const int icon = args.value(2, QStringLiteral("102")).toInt();
    const int set = args.value(3, QStringLiteral("5")).toInt();
    const QString prompt =
        args.value(4, QStringLiteral("Do you want to save the changes to this record?"));
    const QString title = args.value(5, QStringLiteral("SAVE CHANGE"));

    QWidget desktop; // something behind the box, so its outline shows
    desktop.setStyleSheet(QStringLiteral("background: #d8d0c0;"));
    desktop.setGeometry(app.primaryScreen()->geometry());
    desktop.show();

    FrmMsgBox box;
    box.ShowIt(prompt, icon, set, title);
    QTimer::singleShot(800, &app, [&] {
        const bool saved = app.primaryScreen()->grabWindow(0).save(args.at(1));
        box.close();
        app.exit(saved ? 0 : 1);
    });
    box.open();
    return app.exec();
}
