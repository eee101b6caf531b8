#include "xsession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Counts the input the program in this process has taken, to tell input it never got (its
// window not mapped yet, the focus not handed to it) from input it is still working on.
class InputArrivals : public QObject
{
public:
    // Nothing to count without widgets: the program then runs in a process of its own.
    static InputArrivals *instance()
    {
        static QPointer<InputArrivals> arrivals;
        if (!arrivals && qobject_cast<QApplication *>(QCoreApplication::instance())) {
            arrivals = new InputArrivals;
            arrivals->setParent(QCoreApplication::instance());
            QCoreApplication::instance()->installEventFilter(arrivals);
        }
        return arrivals;
    }
    quint64 count() const { return m_count; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Close: // a key the window manager takes, as Alt+F4
            m_count += event->spontaneous() ? 1 : 0;
            break;
        default:
            break;
        }
        return false;
    }

private:
    quint64 m_count = 0;
};

// How long input may take to reach the program on a busy machine before it counts as lost.
constexpr int ArrivalMs = 5000;

} // namespace

// After the arrivals: the X headers name their events as macros.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

namespace {

// Runs a program in a child that dies with this process, its output discarded; keepFd stays
// open in the child.
pid_t spawn(const QStringList &arguments, int keepFd = -1)
{
    QList<QByteArray> bytes;
    for (const QString &argument : arguments)
        bytes.append(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    for (int fd = 3; fd < 1024; ++fd)
        if (fd != keepFd)
            close(fd);
    execvp(argv[0], argv.data());
    _exit(127);
}

// A window listed a moment ago may be gone by the time it is asked about: not an error here.
int ignoreXErrors(Display *, XErrorEvent *)
{
    return 0;
}

void terminate(pid_t &pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        QThread::msleep(20);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

} // namespace

XSession::~XSession()
{
    stop();
}

bool XSession::start(bool withWindowManager)
{
    int fds[2];
    if (pipe(fds) != 0) {
        m_error = QStringLiteral("no pipe");
        return false;
    }
    // The server picks a free display number itself and writes it to the pipe when ready.
    const QString screen = qEnvironmentVariable("MARLUX_E2E_SCREEN", QStringLiteral("1600x1000"));
    m_server =
        spawn({QStringLiteral("Xvfb"), QStringLiteral("-displayfd"), QString::number(fds[1]),
               QStringLiteral("-screen"), QStringLiteral("0"), screen + QStringLiteral("x24"),
               QStringLiteral("-nolisten"), QStringLiteral("tcp")},
              fds[1]);
    close(fds[1]);
    QByteArray number;
    pollfd ready{fds[0], POLLIN, 0};
    while (!number.endsWith('\n') && poll(&ready, 1, 20000) > 0) {
        char c = 0;
        if (read(fds[0], &c, 1) != 1)
            break;
        number.append(c);
    }
    close(fds[0]);
    if (m_server <= 0 || number.trimmed().isEmpty()) {
        m_error = QStringLiteral("Xvfb did not start");
        stop();
        return false;
    }
    m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    qputenv("DISPLAY", m_display.toLocal8Bit());
    if (!withWindowManager)
        return true;
    m_windowManager = spawn({QStringLiteral("openbox"), QStringLiteral("--sm-disable")});
    if (!waitForWindowManager(20000)) {
        m_error = QStringLiteral("openbox did not start on ") + m_display;
        stop();
        return false;
    }
    return true;
}

bool XSession::waitForWindowManager(int timeoutMs)
{
    Display *display = XOpenDisplay(m_display.toLocal8Bit().constData());
    if (!display)
        return false;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    QElapsedTimer clock;
    clock.start();
    bool found = false;
    while (!found && clock.elapsed() < timeoutMs) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW,
                               &type, &format, &items, &after, &data) == Success &&
            items == 1)
            found = true;
        if (data)
            XFree(data);
        if (!found)
            QThread::msleep(50);
    }
    XCloseDisplay(display);
    return found;
}

void XSession::stop()
{
    terminate(m_windowManager);
    terminate(m_server);
}

XInput::XInput()
{
    m_display = XOpenDisplay(nullptr);
    int event = 0, error = 0, major = 0, minor = 0;
    if (m_display && !XTestQueryExtension(m_display, &event, &error, &major, &minor)) {
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
}

XInput::~XInput()
{
    if (m_display)
        XCloseDisplay(m_display);
}

void XInput::flush()
{
    XSync(m_display, False);
}

void XInput::moveTo(const QPoint &global)
{
    XTestFakeMotionEvent(m_display, -1, global.x(), global.y(), CurrentTime);
    flush();
}

void XInput::deliver(const std::function<void()> &send, const std::function<void()> &undo)
{
    InputArrivals *arrivals = InputArrivals::instance();
    for (int attempt = 1;; ++attempt) {
        const quint64 before = arrivals ? arrivals->count() : 0;
        send();
        if (!arrivals || attempt == 3 ||
            QTest::qWaitFor([&] { return arrivals->count() > before; }, ArrivalMs))
            return;
        // The program never got it: again, as a user does when a click or key does nothing.
        qWarning("input not taken by the program, sent again");
        if (undo)
            undo();
    }
}

bool XInput::keyUntil(const QString &name, const QStringList &modifiers,
                      const std::function<bool()> &answered, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        key(name, modifiers);
        if (QTest::qWaitFor(answered, std::min<qint64>(ArrivalMs, timeoutMs - clock.elapsed())))
            return true;
    }
    return answered();
}

void XInput::clickAt(const QPoint &global, int button)
{
    deliver([&] {
        moveTo(global);
        QTest::qWait(30);
        XTestFakeButtonEvent(m_display, unsigned(button), True, CurrentTime);
        QTest::qWait(30);
        XTestFakeButtonEvent(m_display, unsigned(button), False, CurrentTime);
        flush();
    });
    // A person's clicks are apart in time; clicks in one burst would also read as double ones.
    QTest::qWait(150);
}

void XInput::drag(const QPoint &from, const QPoint &to, int button)
{
    deliver([&] {
        moveTo(from);
        QTest::qWait(50);
        XTestFakeButtonEvent(m_display, unsigned(button), True, CurrentTime);
        flush();
        constexpr int Steps = 8;
        for (int step = 1; step <= Steps; ++step) {
            QTest::qWait(30);
            moveTo(from + (to - from) * step / Steps);
        }
        QTest::qWait(50);
        XTestFakeButtonEvent(m_display, unsigned(button), False, CurrentTime);
        flush();
    });
    QTest::qWait(150);
}

void XInput::dragBy(const QPoint &from, const QPoint &by, const std::function<void()> &held,
                    int button)
{
    const auto release = [&] {
        XTestFakeButtonEvent(m_display, unsigned(button), False, CurrentTime);
        flush();
    };
    deliver(
        [&] {
            moveTo(from);
            QTest::qWait(50);
            XTestFakeButtonEvent(m_display, unsigned(button), True, CurrentTime);
            flush();
        },
        release);
    constexpr int Steps = 16;
    for (int step = 1; step <= Steps; ++step) {
        QTest::qWait(30);
        const QPoint next = by * step / Steps - by * (step - 1) / Steps;
        XTestFakeRelativeMotionEvent(m_display, next.x(), next.y(), CurrentTime);
        flush();
    }
    QTest::qWait(50);
    if (held)
        held();
    release();
    QTest::qWait(150);
}

void XInput::click(const QWidget *widget, QPoint local, int button)
{
    if (local == QPoint(-1, -1))
        local = widget->rect().center();
    clickAt(widget->mapToGlobal(local), button);
}

void XInput::keySym(unsigned long sym, const QStringList &modifiers)
{
    deliver([&] { sendKeySym(sym, modifiers); });
}

void XInput::sendKeySym(unsigned long sym, const QStringList &modifiers)
{
    QList<KeyCode> held;
    for (const QString &modifier : modifiers) {
        const KeyCode code =
            XKeysymToKeycode(m_display, XStringToKeysym(modifier.toLatin1().constData()));
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        held.prepend(code);
    }
    const KeyCode code = XKeysymToKeycode(m_display, sym);
    // A symbol on the key's second level needs Shift.
    const bool shift = XkbKeycodeToKeysym(m_display, code, 0, 0) != sym &&
                       XkbKeycodeToKeysym(m_display, code, 0, 1) == sym;
    const KeyCode shiftCode = XKeysymToKeycode(m_display, XK_Shift_L);
    if (shift)
        XTestFakeKeyEvent(m_display, shiftCode, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    if (shift)
        XTestFakeKeyEvent(m_display, shiftCode, False, CurrentTime);
    for (KeyCode modifier : held)
        XTestFakeKeyEvent(m_display, modifier, False, CurrentTime);
    flush();
    QTest::qWait(20);
}

void XInput::key(const QString &name, const QStringList &modifiers)
{
    keySym(XStringToKeysym(name.toLatin1().constData()), modifiers);
}

void XInput::type(const QString &text)
{
    for (const char32_t c : text.toUcs4()) {
        if (c == U'\n') {
            keySym(XK_Return, {});
            continue;
        }
        // Printable Latin-1 symbols are their own codes, the rest Unicode's plus 0x1000000.
        const unsigned long sym = c < 0x100 ? c : 0x1000000 | c;
        if (XKeysymToKeycode(m_display, sym) != 0)
            keySym(sym, {});
        else
            typeUnmapped(sym);
    }
}

void XInput::typeUnmapped(unsigned long sym)
{
    // A key the keymap leaves empty is lent the symbol for one press, as a user's own
    // keyboard layout would have it; the program hears of the change before the press.
    int first = 0, last = 0, perCode = 0;
    XDisplayKeycodes(m_display, &first, &last);
    KeySym *map = XGetKeyboardMapping(m_display, KeyCode(first), last - first + 1, &perCode);
    KeyCode spare = 0;
    for (int code = last; code >= first && spare == 0; --code) {
        bool empty = true;
        for (int i = 0; i < perCode; ++i)
            empty = empty && map[(code - first) * perCode + i] == NoSymbol;
        if (empty)
            spare = KeyCode(code);
    }
    XFree(map);
    if (spare == 0)
        return;
    KeySym lent[2] = {KeySym(sym), KeySym(sym)};
    XChangeKeyboardMapping(m_display, spare, 2, lent, 1);
    flush();
    QTest::qWait(200);
    deliver([&] {
        XTestFakeKeyEvent(m_display, spare, True, CurrentTime);
        XTestFakeKeyEvent(m_display, spare, False, CurrentTime);
        flush();
    });
    QTest::qWait(200);
    KeySym none[2] = {NoSymbol, NoSymbol};
    XChangeKeyboardMapping(m_display, spare, 2, none, 1);
    flush();
    QTest::qWait(100);
}

QString XInput::title(unsigned long window)
{
    const Atom name = XInternAtom(m_display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(m_display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long length = 0, after = 0;
    unsigned char *text = nullptr;
    QString title;
    XSync(m_display, False);
    const XErrorHandler previous = XSetErrorHandler(ignoreXErrors);
    if (XGetWindowProperty(m_display, window, name, 0, 1024, False, utf8, &type, &format, &length,
                           &after, &text) == Success &&
        text)
        title = QString::fromUtf8(reinterpret_cast<const char *>(text), int(length));
    if (text)
        XFree(text);
    XSync(m_display, False);
    XSetErrorHandler(previous);
    return title;
}

QStringList XInput::windowTitles()
{
    QStringList titles;
    for (const unsigned long window : property(DefaultRootWindow(m_display), "_NET_CLIENT_LIST"))
        titles.append(title(window));
    return titles;
}

QString XInput::activeWindowTitle()
{
    const QList<unsigned long> active =
        property(DefaultRootWindow(m_display), "_NET_ACTIVE_WINDOW");
    return active.isEmpty() || active.first() == 0 ? QString() : title(active.first());
}

bool XInput::menuOpen()
{
    const Atom dropDown = XInternAtom(m_display, "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", False);
    const Atom popup = XInternAtom(m_display, "_NET_WM_WINDOW_TYPE_POPUP_MENU", False);
    Window root = 0, parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    bool open = false;
    XSync(m_display, False);
    const XErrorHandler previous = XSetErrorHandler(ignoreXErrors);
    if (XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !open; ++i) {
            XWindowAttributes attributes{};
            if (!XGetWindowAttributes(m_display, children[i], &attributes) ||
                attributes.map_state != IsViewable)
                continue;
            for (const unsigned long type : property(children[i], "_NET_WM_WINDOW_TYPE"))
                open = open || type == dropDown || type == popup;
        }
    }
    if (children)
        XFree(children);
    XSync(m_display, False);
    XSetErrorHandler(previous);
    return open;
}

unsigned long XInput::trayOwner()
{
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(DefaultScreen(m_display));
    return XGetSelectionOwner(m_display, XInternAtom(m_display, name.constData(), False));
}

QRect XInput::dockedGeometry(unsigned long window)
{
    XSync(m_display, False);
    const XErrorHandler previous = XSetErrorHandler(ignoreXErrors);
    QRect geometry;
    Window root = 0, parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    XWindowAttributes attributes{};
    if (XQueryTree(m_display, window, &root, &parent, &children, &count) && parent != root &&
        XGetWindowAttributes(m_display, window, &attributes) &&
        attributes.map_state == IsViewable) {
        int x = 0, y = 0;
        Window child = 0;
        if (XTranslateCoordinates(m_display, window, root, 0, 0, &x, &y, &child))
            geometry = QRect(x, y, attributes.width, attributes.height);
    }
    if (children)
        XFree(children);
    XSync(m_display, False);
    XSetErrorHandler(previous);
    return geometry;
}

QList<unsigned long> XInput::property(unsigned long window, const char *name)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    XGetWindowProperty(m_display, window, XInternAtom(m_display, name, False), 0, 1024, False,
                       AnyPropertyType, &type, &format, &count, &after, &data);
    const auto *items = reinterpret_cast<const unsigned long *>(data);
    const QList<unsigned long> values(items, format == 32 ? items + count : items);
    XFree(data);
    return values;
}

void XInput::iconify(unsigned long window)
{
    XIconifyWindow(m_display, window, DefaultScreen(m_display));
    flush();
}

QRegion XInput::shape(unsigned long window)
{
    int count = 0, ordering = 0;
    XRectangle *parts = XShapeGetRectangles(m_display, window, ShapeBounding, &count, &ordering);
    QRegion shown;
    for (int i = 0; i < count; ++i)
        shown += QRect(parts[i].x, parts[i].y, parts[i].width, parts[i].height);
    XFree(parts);
    return shown;
}
