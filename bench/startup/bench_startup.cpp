// Start to the main window on screen, next to a bare MDI program started the same way:
// the time from starting the process to the X server mapping a top-level window that
// carries the main window's title and fills the screen. Run it on a display without a
// window manager, e.g. xvfb-run -a -s "-screen 0 1280x1024x24" bench_startup.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QVector>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <poll.h>
#include <xcb/xcb.h>

namespace {

constexpr int Rounds = 7;
constexpr int TimeoutMs = 20000;

struct Display
{
    xcb_connection_t *connection = nullptr;
    xcb_window_t root = 0;
    int width = 0;
    QVector<QPair<int, int>> spots;
};

QString title(xcb_connection_t *c, xcb_window_t window)
{
    const auto cookie =
        xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, cookie, nullptr), &std::free);
    if (!reply)
        return {};
    return QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(reply.get())),
                             xcb_get_property_value_length(reply.get()));
}

int width(xcb_connection_t *c, xcb_window_t window)
{
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> reply(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr), &std::free);
    return reply ? reply->width : 0;
}

// Pixels of the root window away from the centre, where the splash and message boxes
// appear; the main window covers them once it has painted.
QVector<quint32> spots(const Display &display)
{
    QVector<quint32> values;
    for (const auto &[x, y] : display.spots) {
        std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
            xcb_get_image_reply(display.connection,
                                xcb_get_image(display.connection, XCB_IMAGE_FORMAT_Z_PIXMAP,
                                              display.root, x, y, 1, 1, ~0u),
                                nullptr),
            &std::free);
        quint32 value = 0;
        if (reply && xcb_get_image_data_length(reply.get()) >= 4)
            std::memcpy(&value, xcb_get_image_data(reply.get()), 4);
        values.append(value);
    }
    return values;
}

struct Times
{
    double mapped = -1;
    double painted = -1;
};

// Milliseconds from the start of the program to its main window being mapped and then
// painted; -1 when that never happens.
Times startOnce(const Display &display, const QString &program, const QString &home,
                const QString &runtime)
{
    // Each start is a fresh one: the lock a terminated run leaves behind is cleared.
    QDir(runtime).removeRecursively();
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MARLUX_HOME"), home);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    xcb_connection_t *c = display.connection;
    while (xcb_generic_event_t *stale = xcb_poll_for_event(c))
        std::free(stale);

    const QVector<quint32> before = spots(display);

    QElapsedTimer timer;
    timer.start();
    process.start(program, {});
    Times times;
    double &elapsed = times.mapped;
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (times.painted < 0 && timer.elapsed() < TimeoutMs) {
        if (elapsed >= 0) {
            if (spots(display) != before)
                times.painted = timer.nsecsElapsed() / 1e6;
            else
                poll(&fd, 1, 1);
            continue;
        }
        poll(&fd, 1, 50);
        while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
            if ((event->response_type & ~0x80) == XCB_MAP_NOTIFY && elapsed < 0) {
                const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
                const double now = timer.nsecsElapsed() / 1e6;
                if (title(c, map->window) == QLatin1String("Marlux") &&
                    width(c, map->window) * 2 > display.width)
                    elapsed = now;
            }
            std::free(event);
        }
    }
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    return times;
}

struct Spread
{
    double min, median, max;
};

Spread spread(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values.front(), values[values.size() / 2], values.back()};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Display display;
    int screenNumber = 0;
    display.connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(display.connection)) {
        std::fprintf(stderr, "No X display: run under xvfb-run.\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(display.connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    display.root = screens.data->root;
    display.width = screens.data->width_in_pixels;
    const int w = display.width;
    const int h = screens.data->height_in_pixels;
    display.spots = {{w * 7 / 8, h / 4}, {w * 7 / 8, h * 3 / 4}, {w * 5 / 8, h / 8}};
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(display.connection, display.root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(display.connection);

    QTemporaryDir home;
    // A desktop session keeps its runtime folder in memory, as here when /dev/shm exists.
    QTemporaryDir memory(QStringLiteral("/dev/shm/bench_startup-XXXXXX"));
    // The folder is emptied before every start: it must be one of the bench's own.
    const QString runtime =
        (memory.isValid() ? memory.path() : home.path()) + QStringLiteral("/run");
    // Another build of the program can be measured beside the same peer.
    const QString marlux = qEnvironmentVariableIsSet("MARLUX_BINARY")
                               ? qEnvironmentVariable("MARLUX_BINARY")
                               : QStringLiteral(MARLUX_BINARY);
    const QString bare = QStringLiteral(BARE_BINARY);
    // The first start lays out the data folder; it is not counted.
    startOnce(display, marlux, home.path(), runtime);
    startOnce(display, bare, home.path(), runtime);

    std::vector<double> oursMapped, oursPainted, peerMapped, peerPainted;
    for (int round = 0; round < Rounds; ++round) {
        const Times ours = startOnce(display, marlux, home.path(), runtime);
        oursMapped.push_back(ours.mapped);
        oursPainted.push_back(ours.painted);
        const Times peer = startOnce(display, bare, home.path(), runtime);
        peerMapped.push_back(peer.mapped);
        peerPainted.push_back(peer.painted);
    }
    std::printf("%d rounds, each side in turn; ms from start, min / median / max\n", Rounds);
    std::printf("%-22s %-26s %-26s %s\n", "", "marlux", "bare Qt MDI", "ratio of medians");
    const auto row = [](const char *what, const std::vector<double> &ours,
                        const std::vector<double> &peer) {
        const Spread a = spread(ours);
        const Spread b = spread(peer);
        std::printf("%-22s %7.1f / %7.1f / %7.1f  %7.1f / %7.1f / %7.1f  %.2f\n", what, a.min,
                    a.median, a.max, b.min, b.median, b.max, a.median / b.median);
        if (a.min < 0 || b.min < 0)
            std::printf("(a negative time: the window never appeared)\n");
    };
    row("main window mapped", oursMapped, peerMapped);
    row("main window painted", oursPainted, peerPainted);
    return 0;
}
