#include "shell/mainfunctions.h"

#include "platform/base/afterfirstpaint.h"
#include "platform/base/apperror.h"
#include "platform/base/apppaths.h"
#include "platform/base/checkedwrite.h"
#include "platform/prompt/prompter.h"
#include "shell/frmsplash.h"
#include "shell/shellglobals.h"
#include "shell/shellspeech.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>

#include <memory>
#include <utility>

bool DirExists(const QString &path)
{
    const QString stripped = StripBackslash(path);
    return !stripped.isEmpty() && QFileInfo(stripped).isDir();
}

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'))) {
        const QDir dir = info.absoluteDir();
        return !dir.entryList({name}, QDir::Files | QDir::NoDotAndDotDot).isEmpty();
    }
    return info.isFile() && !info.isHidden();
}

void LockWindow(QWidget *window, bool lock)
{
    // Only one window can be locked at a time: a new lock releases the previous one.
    static QPointer<QWidget> locked;
    if (locked && (lock || locked != window))
        locked->setUpdatesEnabled(true);
    locked = nullptr;
    if (!window)
        return;
    window->setUpdatesEnabled(!lock);
    if (lock)
        locked = window;
}

void SetTopMost(QWidget *window, bool onTop)
{
    if (!window)
        return;
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible)
        window->show();
}

QByteArray LoadResData(const QString &id, const QString &type)
{
    QFile file(QStringLiteral(":/%1/%2").arg(type.toLower(), id));
    if (!file.open(QIODevice::ReadOnly))
        throw AppException(326, QStringLiteral("Resource with identifier '%1' not found").arg(id));
    return file.readAll();
}

void SaveResToFile(const QString &id, const QString &type, const QString &filePath)
{
    const QByteArray bytes = LoadResData(id, type);
    // Replace the file whole, so a shorter resource never leaves an old tail behind.
    if (!writeWholeFile(filePath, bytes))
        throw AppException(75, QStringLiteral("Path/File access error: %1").arg(filePath));
}

void SelectAllText(QWidget *control)
{
    if (auto *edit = qobject_cast<QLineEdit *>(control))
        edit->selectAll();
    else if (auto *combo = qobject_cast<QComboBox *>(control); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
    else if (auto *text = qobject_cast<QTextEdit *>(control))
        text->selectAll();
    else if (auto *spin = qobject_cast<QAbstractSpinBox *>(control))
        spin->selectAll();
}

bool IsFormLoaded(const QString &caption, int n)
{
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget *widget : widgets) {
        if (!widget->isWindow() && !qobject_cast<QMdiSubWindow *>(widget))
            continue;
        const QString title = widget->windowTitle();
        if (n == 0 ? title == caption : title.left(n) == caption.left(n))
            return true;
    }
    return false;
}

std::optional<ScreenModeRequest> RequiredScreenMode(int width, int height, int depth)
{
    const bool small = width < 800 || height < 600;
    if (depth >= 16) {
        if (small)
            return ScreenModeRequest{800, 600, 0};
        return std::nullopt;
    }
    if (small)
        return ScreenModeRequest{800, 600, 16};
    return ScreenModeRequest{width, height, 16};
}

long SetScreenMode(double, double, long)
{
    return -1; // refused: the desktop's mode belongs to the user
}

void CheckScreenMode()
{
    try {
        const QScreen *screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QSize size = screen->size();
        if (const auto mode = RequiredScreenMode(size.width(), size.height(), screen->depth()))
            SetScreenMode(mode->width, mode->height, mode->bits);
    } catch (const std::exception &) {
        Prompter::instance().messageBox(
            AppPaths::applicationTitle() +
                QStringLiteral(" cannot change the screen resolution, please change it by "
                               "yourself to  800*600 with 16 bit color at least (larger makes "
                               "better view)!"),
            105, 4, QStringLiteral("FAILED"));
    }
}

namespace {

void fatal(QWidget *splash)
{
    delete splash;
    QApplication::restoreOverrideCursor();
    Prompter::instance().plainMessage(QStringLiteral("Fatal Error, program will stop."),
                                      QStringLiteral("ERROR"), Prompter::PlainIcon::Critical);
    QApplication::exit(1);
}

} // namespace

int Main(QApplication &app, const std::function<QWidget *()> &createMainWindow)
{
    QPointer<FrmSplash> splash;
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        splash = new FrmSplash;
        if (!splash->runChecks()) {
            delete splash;
            QApplication::restoreOverrideCursor();
            return 0;
        }
        CheckScreenMode();
        splash->showCentred();
    } catch (const std::exception &) {
        fatal(splash);
        return 1;
    }

    // The rest runs from the event loop, so the splash paints while the main window loads.
    QTimer::singleShot(0, &app, [splash, createMainWindow] {
        try {
            InitSpeech();
            if (splash)
                splash->repaint();
            QWidget *main = createMainWindow();
            if (splash)
                splash->detectSoundDeviceOnceShown(main);
            main->show();
            // The splash and the hourglass go once the main window is on screen: taking a
            // window down and reading the arrow's picture would only delay its first paint.
            auto done = std::make_shared<bool>(false);
            auto finish = [splash, done] {
                if (std::exchange(*done, true))
                    return;
                delete splash;
                QApplication::restoreOverrideCursor();
            };
            AfterFirstPaint(main, finish);
            // nor stay when the window is never painted (started minimised) or goes first
            QTimer::singleShot(2000, qApp, finish);
            QObject::connect(main, &QObject::destroyed, qApp, finish);
        } catch (const std::exception &) {
            fatal(splash);
        }
    });
    return app.exec();
}
