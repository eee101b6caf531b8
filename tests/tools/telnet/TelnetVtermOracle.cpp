#include "TelnetVtermOracle.h"

#include "tools/telnet/Telnet.h"

#include <vterm.h>

// Intended differences from the oracle, kept out of the compared streams and covered by the
// sequence tests instead:
// - ESC c does not reset the screen, and identification or status requests get no answer.
// - Only VT100 sequences act: insert/delete of characters or lines, absolute column or row
//   moves, scrolling commands, insert mode and the xterm modes are ignored.
// - SGR acts on 0, 1, 4, 5 (shown as italic), 7, 8, 30-37 and 40-47 only; 38 and 48 skip
//   their colour arguments.
// - CSI s and CSI u save and restore the cursor (the oracle prints nothing for them and
//   moves nothing).
// - Bytes 0x80-0xFF are characters of the window's code page, not C1 controls or the
//   oracle's 7-bit upper half; byte 255 given to ProcessChar is the telnet IAC.
// - Restoring a cursor that was never saved gives the home position in the window's
//   colours (the oracle restores colours of its own).
// - A cursor restored outside the scroll region in origin mode stays where it was put.
// - Conceal (SGR 8) is not compared: the oracle does not report it.
// - A full clear (CSI 2 J, or CSI J from the home cell) makes the colours in force the
//   window's, which cells in the default colour and SGR 0 then show, and homes the cursor.
// - Index (ESC D) and next line (ESC E) stop at the last row without scrolling; setting a
//   scroll region moves the cursor only in origin mode.
// - A line feed that scrolls clears a pending wrap, as one that moves the cursor does (the
//   oracle keeps it).
// - Line drawing: byte 0x5F is a blank and y, z are the plain less-or-equal and
//   greater-or-equal signs; the oracle keeps "_" and uses the slanted signs.
// - UTF-8: every character takes one cell (the oracle gives wide ones two and puts marks on
//   the cell before); a broken sequence shows U+FFFD for each piece that cannot start one
//   (the oracle drops some). The oracle stops applying the United Kingdom and line-drawing
//   sets after a UTF-8 character.

char32_t telnetCellChar(const Telnet &screen, int row, int column)
{
    return screen.character(row, column);
}

QString telnetScreenDump(const Telnet &screen)
{
    QString out;
    for (int r = 0; r < Telnet::Rows; ++r) {
        out += QStringLiteral("%1|").arg(r, 2);
        for (int c = 0; c < Telnet::Columns; ++c) {
            const char32_t ch = telnetCellChar(screen, r, c);
            out += QString::fromUcs4(&ch, 1);
        }
        out += QStringLiteral("|\n");
    }
    out += QStringLiteral("cursor %1,%2\n").arg(screen.CursorRow()).arg(screen.CursorCol());
    return out;
}

namespace {

void discardOutput(const char *, size_t, void *) {}

struct Rendition
{
    bool bold, underline, blink, reverse;
    int fore, back; // -1: default colour
    bool operator==(const Rendition &) const = default;
};

char32_t oracleEquivalent(char32_t c)
{
    switch (c) {
    case 0x2A7D:
        return 0x2264;
    case 0x2A7E:
        return 0x2265;
    default:
        return c;
    }
}

Rendition oracleRendition(const VTermScreenCell &cell)
{
    auto colour = [](const VTermColor &c, bool foreground) {
        if (foreground ? VTERM_COLOR_IS_DEFAULT_FG(&c) : VTERM_COLOR_IS_DEFAULT_BG(&c))
            return -1;
        return VTERM_COLOR_IS_INDEXED(&c) ? int(c.indexed.idx) : -2;
    };
    return {bool(cell.attrs.bold),    cell.attrs.underline != 0, bool(cell.attrs.blink),
            bool(cell.attrs.reverse), colour(cell.fg, true),     colour(cell.bg, false)};
}

Rendition screenRendition(const Telnet::CellStyle &style, bool reverseScreen)
{
    auto colour = [](uint8_t c) { return c == Telnet::DefaultColor ? -1 : int(c); };
    return {bool(style.flags & Telnet::Bold),
            bool(style.flags & Telnet::Underline),
            bool(style.flags & Telnet::Italic),
            bool(style.flags & Telnet::Reverse) != reverseScreen,
            colour(style.fore),
            colour(style.back)};
}

QString describe(const Rendition &r)
{
    return QStringLiteral("bold %1 underline %2 blink %3 reverse %4 fore %5 back %6")
        .arg(r.bold)
        .arg(r.underline)
        .arg(r.blink)
        .arg(r.reverse)
        .arg(r.fore)
        .arg(r.back);
}

} // namespace

TelnetVtermOracle::TelnetVtermOracle(bool utf8)
{
    m_vt = vterm_new(Telnet::Rows, Telnet::Columns);
    vterm_set_utf8(m_vt, utf8 ? 1 : 0);
    vterm_output_set_callback(m_vt, discardOutput, nullptr);
    m_screen = vterm_obtain_screen(m_vt);
    m_state = vterm_obtain_state(m_vt);
    vterm_screen_reset(m_screen, 1);
}

TelnetVtermOracle::~TelnetVtermOracle()
{
    vterm_free(m_vt);
}

void TelnetVtermOracle::write(const QByteArray &bytes)
{
    write(bytes.constData(), bytes.size());
}

void TelnetVtermOracle::write(const char *data, size_t size)
{
    vterm_input_write(m_vt, data, size);
}

char32_t TelnetVtermOracle::character(int row, int column) const
{
    VTermScreenCell cell;
    vterm_screen_get_cell(m_screen, VTermPos{row, column}, &cell);
    return cell.chars[0] ? cell.chars[0] : U' ';
}

int TelnetVtermOracle::cursorRow() const
{
    VTermPos pos;
    vterm_state_get_cursorpos(m_state, &pos);
    return pos.row;
}

int TelnetVtermOracle::cursorCol() const
{
    VTermPos pos;
    vterm_state_get_cursorpos(m_state, &pos);
    return pos.col;
}

QString TelnetVtermOracle::dump() const
{
    QString out;
    for (int r = 0; r < Telnet::Rows; ++r) {
        out += QStringLiteral("%1|").arg(r, 2);
        for (int c = 0; c < Telnet::Columns; ++c) {
            const char32_t ch = character(r, c);
            out += QString::fromUcs4(&ch, 1);
        }
        out += QStringLiteral("|\n");
    }
    out += QStringLiteral("cursor %1,%2\n").arg(cursorRow()).arg(cursorCol());
    return out;
}

QString TelnetVtermOracle::compare(const Telnet &screen, bool renditions) const
{
    QString problem;
    for (int r = 0; r < Telnet::Rows && problem.isEmpty(); ++r) {
        for (int c = 0; c < Telnet::Columns && problem.isEmpty(); ++c) {
            const char32_t ours = telnetCellChar(screen, r, c);
            char32_t theirs = oracleEquivalent(character(r, c));
            if (ours == 0x00A0 && theirs == U'_' &&
                (screen.cells(r)[c].style.flags & Telnet::LineDrawing))
                theirs = ours;
            if (ours != theirs) {
                problem = QStringLiteral("cell %1,%2: screen U+%3, oracle U+%4")
                              .arg(r)
                              .arg(c)
                              .arg(uint(ours), 4, 16, QChar('0'))
                              .arg(uint(theirs), 4, 16, QChar('0'));
                break;
            }
            if (!renditions)
                continue;
            VTermScreenCell cell;
            vterm_screen_get_cell(m_screen, VTermPos{r, c}, &cell);
            const Rendition a = screenRendition(screen.cells(r)[c].style, screen.reverseScreen());
            const Rendition b = oracleRendition(cell);
            if (!(a == b))
                problem = QStringLiteral("cell %1,%2 rendition: screen %3, oracle %4")
                              .arg(r)
                              .arg(c)
                              .arg(describe(a), describe(b));
        }
    }
    if (problem.isEmpty() &&
        (screen.CursorRow() != cursorRow() || screen.CursorCol() != cursorCol()))
        problem = QStringLiteral("cursor: screen %1,%2, oracle %3,%4")
                      .arg(screen.CursorRow())
                      .arg(screen.CursorCol())
                      .arg(cursorRow())
                      .arg(cursorCol());
    if (problem.isEmpty())
        return problem;
    return problem + QStringLiteral("\nscreen:\n") + telnetScreenDump(screen) +
           QStringLiteral("oracle:\n") + dump();
}
