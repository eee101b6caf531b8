#pragma once

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QStringList>

#include <functional>
#include <sys/types.h>

class QWidget;
typedef struct _XDisplay Display;

// A private X display for one test program: a virtual frame buffer with a window manager, so
// activation and focus behave as on a desktop. Started before the application object exists,
// stopped by process id when the test program ends.
class XSession
{
public:
    XSession() = default;
    ~XSession();
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;

    // Starts the server, and the window manager unless told otherwise, and points DISPLAY at
    // them; false on failure (the reason in error()).
    bool start(bool withWindowManager = true);
    void stop();
    QString display() const { return m_display; }
    QString error() const { return m_error; }

private:
    bool waitForWindowManager(int timeoutMs);

    pid_t m_server = -1;
    pid_t m_windowManager = -1;
    QString m_display;
    QString m_error;
};

// Real input through the X server's test extension: the events take the same path as a user's
// mouse and keyboard, window manager, focus and input methods included.
class XInput
{
public:
    XInput();
    ~XInput();
    XInput(const XInput &) = delete;
    XInput &operator=(const XInput &) = delete;

    bool isOpen() const { return m_display != nullptr; }

    void moveTo(const QPoint &global);
    // Clicks a widget at a point of its own (its centre when none is given).
    void click(const QWidget *widget, QPoint local = QPoint(-1, -1), int button = 1);
    void clickAt(const QPoint &global, int button = 1);
    // Presses at one point, moves the pointer to another in steps and releases there.
    void drag(const QPoint &from, const QPoint &to, int button = 1);
    // As a mouse drags: presses at one point and moves by `by` in steps relative to where the
    // pointer is (which the server may stop short); `held` runs before the release.
    void dragBy(const QPoint &from, const QPoint &by, const std::function<void()> &held = {},
                int button = 1);
    // A key by its X name ("Return", "Tab", "F4", "a"), with optional modifiers by X name
    // ("Control_L", "Alt_L", "Shift_L").
    void key(const QString &name, const QStringList &modifiers = {});
    // A key for a program in a process of its own, pressed again while nothing has answered
    // (the window not ready for the first); false when nothing answered in timeoutMs.
    bool keyUntil(const QString &name, const QStringList &modifiers,
                  const std::function<bool()> &answered, int timeoutMs);
    // Types text, shifting where the keymap needs it; a character the keymap lacks is typed
    // through a spare key lent that character for the press.
    void type(const QString &text);
    // The titles of the top-level windows the window manager manages, any program's.
    QStringList windowTitles();
    // Whether a drop-down or popup menu of any program is on the screen.
    bool menuOpen();
    // The title of the window the window manager has made active (the one keys go to), empty
    // when none is.
    QString activeWindowTitle();
    // The window owning the desktop's tray (the tray selection of the screen), 0 when no tray
    // host runs.
    unsigned long trayOwner();
    // Where a window shows on the screen while it sits inside another program's window, as a
    // docked tray icon does: mapped, viewable and not a child of the root. Empty otherwise.
    QRect dockedGeometry(unsigned long window);
    // The 32-bit items of a window's property as the server holds it.
    QList<unsigned long> property(unsigned long window, const char *name);
    // Asks the window manager to minimise a window, as a taskbar or a key binding does.
    void iconify(unsigned long window);
    // The part of a window the server shows (its shape), in the window's coordinates.
    QRegion shape(unsigned long window);

private:
    // Sends input to a program in this process, and again while it never reaches it (a
    // window not mapped yet, the focus not yet handed over); once it has arrived, however
    // slowly the program answers, it is not sent again.
    // `undo` takes back what a send not taken left (a button held down).
    void deliver(const std::function<void()> &send, const std::function<void()> &undo = {});
    QString title(unsigned long window);
    void sendKeySym(unsigned long sym, const QStringList &modifiers);
    void keySym(unsigned long sym, const QStringList &modifiers);
    void typeUnmapped(unsigned long sym);
    void flush();

    Display *m_display = nullptr;
};
