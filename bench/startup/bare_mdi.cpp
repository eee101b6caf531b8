// The peer of the start-up bench: a bare MDI main window, shown the way the program
// shows its own (filling the screen, as there is no window manager to maximise it).
#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Marlux"));
    window.setCentralWidget(new QMdiArea);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    return app.exec();
}
