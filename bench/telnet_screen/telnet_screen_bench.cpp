// Bytes per second through the telnet screen's interpreter and through libvterm, fed the same
// streams in the same 4 KiB reads: 64 MiB of generated text and escape sequences, and the
// recorded output of real programs (a shell, ls, top, vttest) repeated to the same size.
#include "tools/telnet/Telnet.h"

#include <vterm.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <time.h>

namespace {

constexpr size_t StreamSize = 64u << 20;
constexpr size_t ReadSize = 4096;

std::string mixedStream()
{
    std::mt19937 random(1208);
    auto pick = [&](int n) { return static_cast<int>(random() % n); };
    std::string out;
    out.reserve(StreamSize + 512);
    static const char *const names[] = {"notes.txt", "build.sh", "src", "docs", "archive.tar.gz"};
    static const char *const colours[] = {"01;34", "01;32", "01;36", "0", "30;42", "01;31"};
    while (out.size() < StreamSize) {
        switch (pick(8)) {
        case 0:
        case 1:
        case 2: { // plain text lines, as a shell or a log prints them
            const int length = 10 + pick(70);
            for (int i = 0; i < length; ++i)
                out += static_cast<char>(pick(8) == 0 ? ' ' : 'a' + pick(26));
            out += "\r\n";
            break;
        }
        case 3: // a coloured listing line
            out += "drwxr-xr-x 2 root root 4096 Dec  8 20:17 \x1b[0m\x1b[";
            out += colours[pick(6)];
            out += 'm';
            out += names[pick(5)];
            out += "\x1b[0m\r\n";
            break;
        case 4: // a full-screen program placing text
            out +=
                "\x1b[" + std::to_string(1 + pick(25)) + ';' + std::to_string(1 + pick(80)) + 'H';
            out += "\x1b[7m status \x1b[m\x1b[K";
            break;
        case 5: // tabbed columns
            out += "PID\tUSER\tPR\tNI\tVIRT\tRES\r\n";
            break;
        case 6: // scrolling inside a region and back
            out += "\x1b[5;20r\x1b[20;1H\n\n\x1bM\x1b[r\x1b[24;1H";
            break;
        default: // clearing parts of the screen
            out += pick(2) ? "\x1b[H\x1b[J" : "\x1b[1K\x1b[2K\x1b[0J";
            break;
        }
    }
    out.resize(StreamSize);
    return out;
}

std::string recordedStream()
{
    std::string once;
    for (const char *name :
         {"shell.vt", "ls_color.vt", "top.vt", "vttest_cursor.vt", "vttest_screen.vt"}) {
        std::ifstream file(std::string(TELNET_RECORDINGS_DIR "/") + name, std::ios::binary);
        once.append(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    std::string out;
    if (once.empty())
        return out;
    out.reserve(StreamSize + once.size());
    while (out.size() < StreamSize)
        out += once;
    out.resize(StreamSize);
    return out;
}

// The thread's own processor time: the machine is shared, and waiting for a core is not work.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

template <typename Feed> double bytesPerSecond(const std::string &stream, Feed feed)
{
    double best = 0;
    for (int run = 0; run < 3; ++run) {
        const double start = threadSeconds();
        for (size_t i = 0; i < stream.size(); i += ReadSize)
            feed(stream.data() + i, std::min(ReadSize, stream.size() - i));
        best = std::max(best, double(stream.size()) / (threadSeconds() - start));
    }
    return best;
}

void discardOutput(const char *, size_t, void *) {}

void compare(const char *name, const std::string &stream)
{
    Telnet screen;
    const double ours =
        bytesPerSecond(stream, [&](const char *data, size_t size) { screen.write(data, size); });

    VTerm *vt = vterm_new(Telnet::Rows, Telnet::Columns);
    vterm_set_utf8(vt, 0);
    vterm_output_set_callback(vt, discardOutput, nullptr);
    VTermScreen *vtScreen = vterm_obtain_screen(vt);
    vterm_screen_reset(vtScreen, 1);
    const double theirs = bytesPerSecond(
        stream, [&](const char *data, size_t size) { vterm_input_write(vt, data, size); });
    vterm_free(vt);

    std::printf("%s: %zu bytes, %zu-byte reads, best of 3, processor time\n", name, stream.size(),
                ReadSize);
    std::printf("  telnet screen: %8.1f MB/s\n", ours / 1e6);
    std::printf("  libvterm:      %8.1f MB/s\n", theirs / 1e6);
    std::printf("  ratio:         %8.2f\n", ours / theirs);
}

} // namespace

int main()
{
    compare("generated text and escape sequences", mixedStream());
    const std::string recorded = recordedStream();
    if (recorded.empty()) {
        std::printf("recorded program output: recordings not found in %s\n", TELNET_RECORDINGS_DIR);
        return 1;
    }
    compare("recorded program output", recorded);
    return 0;
}
