// Feeds arbitrary bytes to the terminal screen, whole and cut into reads, and checks that the
// cursor and scroll region stay on the screen and that the cut makes no difference.
#include "tools/telnet/Telnet.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkInvariants(const Telnet &screen)
{
    check(screen.CursorRow() >= 0 && screen.CursorRow() < Telnet::Rows);
    check(screen.CursorCol() >= 0 && screen.CursorCol() < Telnet::Columns);
    check(screen.scrollTop() >= 0 && screen.scrollTop() <= screen.scrollBottom());
    check(screen.scrollBottom() < Telnet::Rows);
    // Whatever came in, every cell holds a character that can be drawn.
    for (int r = 0; r < Telnet::Rows; ++r)
        for (int c = 0; c < Telnet::Columns; ++c) {
            const char32_t ch = screen.character(r, c);
            check(ch >= 0x20 && ch <= 0x10FFFF && (ch < 0xD800 || ch > 0xDFFF));
        }
}

bool sameScreen(const Telnet &a, const Telnet &b)
{
    for (int r = 0; r < Telnet::Rows; ++r) {
        if (!std::equal(a.cells(r), a.cells(r) + Telnet::Columns, b.cells(r)))
            return false;
    }
    return a.CursorRow() == b.CursorRow() && a.CursorCol() == b.CursorCol();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses the read size of the cut feed, and its high bit UTF-8 text.
    const size_t step = 1 + data[0] % 17;
    const bool utf8 = (data[0] & 0x80) != 0;
    const auto *bytes = reinterpret_cast<const char *>(data + 1);
    const size_t length = size - 1;

    Telnet whole;
    whole.setUtf8(utf8);
    whole.write(bytes, length);
    checkInvariants(whole);

    Telnet cut;
    cut.setUtf8(utf8);
    for (size_t i = 0; i < length; i += step) {
        const size_t n = length - i < step ? length - i : step;
        cut.write(bytes + i, n);
        checkInvariants(cut);
    }
    check(sameScreen(whole, cut));

    // The connection's entry: IAC is handed back, everything else interpreted.
    Telnet single;
    single.setUtf8(utf8);
    for (size_t i = 0; i < length; ++i) {
        const int state = single.ProcessChar(static_cast<uint8_t>(bytes[i]));
        check(state ==
              (static_cast<uint8_t>(bytes[i]) == 255 ? Telnet::CommandState : Telnet::DataState));
    }
    checkInvariants(single);
    for (int r = 0; r < Telnet::Rows; ++r)
        for (int c = 0; c < Telnet::Columns; c += single.AttrRunLength(r, c))
            check(single.AttrRunLength(r, c) >= 1);
    return 0;
}
