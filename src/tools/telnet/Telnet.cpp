#include "tools/telnet/Telnet.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace {

// SGR 30-37 and 40-47: black, red, green, yellow, blue, magenta, cyan, white.
constexpr uint32_t ColorTable[8] = {0x000000, 0x800000, 0x008000, 0xFFFF00,
                                    0x000080, 0x800080, 0x008080, 0xFFFFFF};

constexpr uint8_t Esc = 27;
constexpr uint8_t Iac = 255;

// A cell is one 64-bit word, its character in the first four bytes: rows fill with one store
// a cell, and screens compare as plain memory.
static_assert(sizeof(Telnet::Cell) == 8 && offsetof(Telnet::Cell, code) == 0 &&
              std::is_trivially_copyable_v<Telnet::Cell>);
constexpr int CodeShift = std::endian::native == std::endian::little ? 0 : 32;

uint64_t cellBits(const Telnet::Cell &cell)
{
    uint64_t bits;
    std::memcpy(&bits, &cell, sizeof bits);
    return bits;
}

void fillCells(Telnet::Cell *out, size_t count, const Telnet::Cell &value)
{
    const uint64_t bits = cellBits(value);
    for (size_t i = 0; i < count; ++i)
        std::memcpy(static_cast<void *>(out + i), &bits, sizeof bits);
}

} // namespace

uint32_t Telnet::paletteColor(int index)
{
    return index >= 0 && index < 8 ? ColorTable[index] : DefaultForeColor;
}

uint32_t Telnet::foreColorOf(const CellStyle &style) const
{
    if (style.flags & Conceal)
        return backColorOf(style);
    const uint32_t fore = style.fore < 8 ? ColorTable[style.fore] : m_windowFore;
    const uint32_t back = style.back < 8 ? ColorTable[style.back] : m_windowBack;
    return style.flags & Reverse ? back : fore;
}

uint32_t Telnet::backColorOf(const CellStyle &style) const
{
    const uint32_t fore = style.fore < 8 ? ColorTable[style.fore] : m_windowFore;
    const uint32_t back = style.back < 8 ? ColorTable[style.back] : m_windowBack;
    return style.flags & Reverse ? fore : back;
}

char32_t Telnet::lineDrawingChar(uint8_t b)
{
    static constexpr char32_t Graphics[32] = {
        0x00A0, 0x25C6, 0x2592, 0x2409, 0x240C, 0x240D, 0x240A, 0x00B0, 0x00B1, 0x2424, 0x240B,
        0x2518, 0x2510, 0x250C, 0x2514, 0x253C, 0x23BA, 0x23BB, 0x2500, 0x23BC, 0x23BD, 0x251C,
        0x2524, 0x2534, 0x252C, 0x2502, 0x2264, 0x2265, 0x03C0, 0x2260, 0x00A3, 0x00B7};
    return b >= 0x5F && b <= 0x7E ? Graphics[b - 0x5F] : char32_t(b);
}

Telnet::Telnet()
{
    for (int c = 0; c < Columns; ++c)
        m_tabStops[c] = c % 8 == 0 && c > 0;
    ClearBuffer();
}

void Telnet::resetScreen()
{
    m_state = State::Ground;
    m_cursorCol = 0;
    m_cursorRow = 0;
    m_pendingWrap = false;
    m_pen = CellStyle();
    m_currentAttr = '0';
    m_windowFore = DefaultForeColor;
    m_windowBack = DefaultBackColor;
    m_scrollTop = 0;
    m_scrollBottom = Rows - 1;
    m_autoWrap = true;
    m_originMode = false;
    m_newLineMode = false;
    m_cursorKeysApplication = false;
    m_charset[0] = m_charset[1] = Charset::Ascii;
    m_utf8Need = 0;
    m_reverseScreen = false;
    m_shift = 0;
    ClearBuffer();
}

int Telnet::ProcessChar(uint8_t b)
{
    // IAC belongs to the connection in every state, so a telnet command inside an escape
    // sequence neither ends the sequence nor shows its option bytes.
    if (b == Iac)
        return CommandState;
    write(reinterpret_cast<const char *>(&b), 1);
    return DataState;
}

void Telnet::setUtf8(bool on)
{
    m_utf8 = on;
    m_utf8Need = 0;
}

void Telnet::write(const char *data, size_t size)
{
    const auto *p = reinterpret_cast<const uint8_t *>(data);
    const auto *end = p + size;
    while (p < end) {
        // A UTF-8 sequence cut short by anything but its continuation shows as one U+FFFD.
        if (m_utf8Need > 0 && (*p & 0xC0) != 0x80) {
            m_utf8Need = 0;
            putCharacter(0xFFFD);
        }
        if (m_state != State::Ground || *p < 0x20 || *p == 0x7F) {
            feed(*p++);
            continue;
        }
        if (m_utf8 && *p >= 0x80) {
            decodeUtf8(*p++);
            continue;
        }
        // A run of printable bytes goes into the buffers row piece by row piece.
        const uint8_t *run = p;
        if (m_utf8) {
            while (p < end && *p >= 0x20 && *p < 0x7F)
                ++p;
        } else {
            while (p < end && *p >= 0x20 && *p != 0x7F)
                ++p;
        }
        const Charset set = m_charset[m_shift];
        Cell pattern{0, m_pen, m_currentAttr};
        if (set == Charset::LineDrawing)
            pattern.style.flags |= LineDrawing;
        size_t n = p - run;
        while (n > 0) {
            wrapIfPending();
            const size_t room = Columns - m_cursorCol;
            markDirty(m_cursorRow);
            if (n > room && !m_autoWrap) {
                // Without wrapping every byte past the margin lands in the last cell.
                setCells(run, room - 1, set, pattern);
                m_cursorCol = Columns - 1;
                setCells(run + n - 1, 1, set, pattern);
                break;
            }
            const size_t k = std::min(n, room);
            setCells(run, k, set, pattern);
            m_cursorCol += static_cast<int>(k);
            run += k;
            n -= k;
            if (m_cursorCol == Columns) {
                m_cursorCol = Columns - 1;
                m_pendingWrap = m_autoWrap;
            }
        }
    }
}

void Telnet::setCells(const uint8_t *bytes, size_t count, Charset set, Cell pattern)
{
    // The bytes go in as received, line-drawing ones too (their style says how to read
    // them), so text costs one store a cell; only the United Kingdom set changes one.
    Cell *out = gridRow(m_cursorRow) + m_cursorCol;
    pattern.code = 0;
    const uint64_t bits = cellBits(pattern);
    for (size_t i = 0; i < count; ++i) {
        const uint64_t cell = bits | uint64_t(bytes[i]) << CodeShift;
        std::memcpy(static_cast<void *>(out + i), &cell, sizeof cell);
    }
    if (set == Charset::UnitedKingdom) {
        for (size_t i = 0; i < count; ++i) {
            if (bytes[i] == '#')
                out[i].code = 0x00A3; // the pound sign
        }
    }
}

void Telnet::decodeUtf8(uint8_t b)
{
    if (m_utf8Need == 0) {
        // Bytes that cannot start a sequence: a stray continuation, overlong leads, past U+10FFFF.
        if (b < 0xC2 || b > 0xF4) {
            putCharacter(0xFFFD);
            return;
        }
        m_utf8Need = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
        m_utf8Length = m_utf8Need + 1;
        m_utf8Code = b & (0x3F >> m_utf8Need);
        return;
    }
    m_utf8Code = (m_utf8Code << 6) | (b & 0x3F);
    if (--m_utf8Need > 0)
        return;
    const char32_t lowest = m_utf8Length == 2 ? 0x80 : m_utf8Length == 3 ? 0x800 : 0x10000;
    const bool valid = m_utf8Code >= lowest && m_utf8Code <= 0x10FFFF &&
                       (m_utf8Code < 0xD800 || m_utf8Code > 0xDFFF);
    putCharacter(valid ? m_utf8Code : 0xFFFD);
}

void Telnet::wrapIfPending()
{
    if (!m_pendingWrap)
        return;
    m_pendingWrap = false;
    m_cursorCol = 0;
    lineFeed();
}

void Telnet::putCharacter(char32_t c)
{
    wrapIfPending();
    gridRow(m_cursorRow)[m_cursorCol] = Cell{c, m_pen, m_currentAttr};
    markDirty(m_cursorRow);
    if (m_cursorCol == Columns - 1)
        m_pendingWrap = m_autoWrap;
    else
        ++m_cursorCol;
}

void Telnet::PutChar(uint8_t b)
{
    const char c = static_cast<char>(b);
    write(&c, 1);
}

void Telnet::feed(uint8_t b)
{
    // Controls act inside sequences too, as on the real terminal; CAN and SUB cancel one.
    if (b < 0x20 && m_state != State::String && m_state != State::StringEscape) {
        control(b);
        return;
    }
    switch (m_state) {
    case State::Ground:
        if (b != 0x7F)
            PutChar(b);
        break;
    case State::Escape:
    case State::EscapeIntermediate:
    case State::Csi:
    case State::CsiIgnore:
        ParseEscape(b);
        break;
    case State::String:
        if (b == 7 || b == 24 || b == 26)
            m_state = State::Ground;
        else if (b == Esc)
            m_state = State::StringEscape;
        break;
    case State::StringEscape:
        if (b == '\\') {
            m_state = State::Ground;
        } else {
            m_state = State::Escape;
            feed(b);
        }
        break;
    }
}

void Telnet::control(uint8_t b)
{
    switch (b) {
    case 7:
        if (m_bell)
            m_bell();
        break;
    case 8:
        m_pendingWrap = false;
        if (m_cursorCol > 0)
            --m_cursorCol;
        break;
    case 9:
        horizontalTab();
        break;
    case 10:
    case 11:
    case 12:
        m_pendingWrap = false;
        lineFeed();
        if (m_newLineMode)
            m_cursorCol = 0;
        break;
    case 13:
        m_pendingWrap = false;
        m_cursorCol = 0;
        break;
    case 14:
        m_shift = 1;
        break;
    case 15:
        m_shift = 0;
        break;
    case 24:
    case 26:
        m_state = State::Ground;
        break;
    case Esc:
        m_state = State::Escape;
        m_intermediate = 0;
        break;
    default: // NUL and the other controls are not drawn
        break;
    }
}

void Telnet::ParseEscape(uint8_t b)
{
    if (b == 0x7F)
        return;
    if (b >= 0x80) {
        // Not part of any sequence this terminal knows: drop the sequence and the byte.
        trace("byte in escape sequence", b);
        m_state = State::Ground;
        return;
    }
    switch (m_state) {
    case State::Escape:
        if (b >= 0x20 && b <= 0x2F) {
            m_intermediate = b;
            m_state = State::EscapeIntermediate;
        } else if (b == '[') {
            m_state = State::Csi;
            m_private = 0;
            m_intermediate = 0;
            m_paramCount = 0;
            m_params[0] = -1;
            m_inSubParam = false;
        } else if (b == ']' || b == 'P' || b == '^' || b == '_' || b == 'X') {
            m_state = State::String;
        } else {
            m_state = State::Ground;
            dispatchEscape(b);
        }
        break;
    case State::EscapeIntermediate:
        if (b >= 0x20 && b <= 0x2F)
            break; // a second intermediate: still waiting for the final
        m_state = State::Ground;
        dispatchCharset(m_intermediate, b);
        break;
    case State::Csi:
        if (b >= '0' && b <= '9') {
            if (m_intermediate) {
                m_state = State::CsiIgnore;
            } else if (!m_inSubParam) {
                if (m_paramCount == 0)
                    m_paramCount = 1;
                int &value = m_params[m_paramCount - 1];
                value = std::min((value < 0 ? 0 : value) * 10 + (b - '0'), MaxParamValue);
            }
        } else if (b == ';') {
            if (m_intermediate) {
                m_state = State::CsiIgnore;
                break;
            }
            if (m_paramCount == 0)
                m_paramCount = 1;
            if (m_paramCount < MaxParams)
                m_params[m_paramCount++] = -1;
            m_inSubParam = false;
        } else if (b == ':') {
            m_inSubParam = true; // colour sub-parameters are not used
        } else if (b >= '<' && b <= '?') {
            if (m_paramCount == 0 && !m_private && !m_intermediate)
                m_private = b;
            else
                m_state = State::CsiIgnore;
        } else if (b >= 0x20 && b <= 0x2F) {
            m_intermediate = b;
        } else {
            m_state = State::Ground;
            dispatchCsi(b);
        }
        break;
    case State::CsiIgnore:
        if (b >= 0x40)
            m_state = State::Ground;
        break;
    default:
        break;
    }
}

void Telnet::dispatchEscape(uint8_t final)
{
    switch (final) {
    case '7':
        saveCursor();
        break;
    case '8':
        restoreCursor();
        break;
    case 'D': // down a row and no further: hosts scroll forward with a line feed
        ++m_cursorRow;
        ClampRow();
        break;
    case 'E':
        m_cursorCol = 0;
        ++m_cursorRow;
        ClampRow();
        break;
    case 'H':
        m_tabStops[m_cursorCol] = true;
        break;
    case 'M':
        // Scrolls down at the region's top: pagers and editors scroll back with it.
        m_pendingWrap = false;
        reverseIndex();
        break;
    case 'c': // a full reset is not offered to the host
    case 'I':
    case 'Z':
    case '=': // keypad modes: the keyboard always sends the same bytes
    case '>':
        break;
    default:
        trace("unknown escape", final);
        break;
    }
}

void Telnet::dispatchCharset(uint8_t intermediate, uint8_t final)
{
    switch (intermediate) {
    case '(':
    case ')':
        m_charset[intermediate == '(' ? 0 : 1] = final == '0'   ? Charset::LineDrawing
                                                 : final == 'A' ? Charset::UnitedKingdom
                                                                : Charset::Ascii;
        break;
    case '#':
        if (final == '8')
            alignmentFill();
        break;
    default:
        trace("unknown escape", final);
        break;
    }
}

int Telnet::param(int index, int fallback) const
{
    if (index >= m_paramCount || m_params[index] < 0)
        return fallback;
    return m_params[index];
}

void Telnet::dispatchCsi(uint8_t final)
{
    if (m_intermediate || (m_private && m_private != '?')) {
        trace("unknown control sequence", final);
        return;
    }
    if (m_private == '?') {
        if (final == 'h' || final == 'l')
            setMode(final == 'h');
        return;
    }
    const int count = std::max(param(0, 1), 1);
    switch (final) {
    case 'A':
        m_cursorRow -= count;
        ClampRow();
        break;
    case 'B':
        m_cursorRow += count;
        ClampRow();
        break;
    case 'C':
        m_cursorCol += count;
        ClampColumn();
        break;
    case 'D':
        m_cursorCol -= count;
        ClampColumn();
        break;
    case 'H':
    case 'f':
        moveTo(param(0, 1) - 1, param(1, 1) - 1);
        break;
    case 'J':
        switch (param(0, 0)) {
        case 0:
            // From the home cell it is a full clear, as the clear the hosts send is.
            if (m_cursorRow == 0 && m_cursorCol == 0)
                ClearScreen();
            else
                EraseScreenEnd();
            break;
        case 1:
            EraseScreenStart();
            break;
        case 2:
            ClearScreen();
            break;
        }
        break;
    case 'K':
        switch (param(0, 0)) {
        case 0:
            EraseLineEnd();
            break;
        case 1:
            EraseLineStart();
            break;
        case 2:
            EraseLine();
            break;
        }
        break;
    case 'g':
        if (param(0, 0) == 0)
            m_tabStops[m_cursorCol] = false;
        else if (param(0, 0) == 3)
            std::fill_n(m_tabStops, Columns, false);
        break;
    case 'h':
    case 'l':
        setMode(final == 'h');
        break;
    case 'm':
        selectGraphicRendition();
        break;
    case 'r': {
        // A region that leaves no row (or a missing or zero top) means the whole screen.
        const int top = std::clamp(param(0, 1), 1, Rows + 1) - 1;
        const int end = std::clamp(param(1, Rows), 0, Rows);
        m_scrollTop = end > top ? top : 0;
        m_scrollBottom = end > top ? end - 1 : Rows - 1;
        // The cursor stays (hosts place it themselves after setting a region), unless origin
        // mode holds it inside the region: then it goes to the region's top.
        if (m_originMode)
            moveTo(0, 0);
        break;
    }
    case 's':
        saveCursor();
        break;
    case 'u':
        restoreCursor();
        break;
    case 'c': // identification and status reports are not answered
    case 'n':
    case 'i':
        break;
    default:
        trace("unknown control sequence", final);
        break;
    }
}

void Telnet::setMode(bool on)
{
    for (int i = 0; i < std::max(m_paramCount, 1); ++i) {
        const int mode = param(i, 0);
        if (m_private == '?') {
            if (mode == 1) {
                m_cursorKeysApplication = on;
            } else if (mode == 6) {
                m_originMode = on;
                moveTo(0, 0);
            } else if (mode == 5) {
                // Reverse screen: every cell's colours swap, the buffers stay as they are.
                if (m_reverseScreen != on)
                    m_dirtyRows = (1u << Rows) - 1;
                m_reverseScreen = on;
            } else if (mode == 7) {
                m_autoWrap = on;
            }
        } else if (mode == 20) {
            m_newLineMode = on;
        }
    }
}

void Telnet::selectGraphicRendition()
{
    const int count = std::max(m_paramCount, 1);
    for (int i = 0; i < count; ++i) {
        const int code = param(i, 0);
        if (code == 38 || code == 48) {
            // Extended colours are not shown; skip their arguments so they are not read as codes.
            const int kind = param(i + 1, 0);
            i += kind == 5 ? 2 : kind == 2 ? 4 : 0;
            continue;
        }
        ApplyAttribute(code);
    }
}

void Telnet::ApplyAttribute(int code)
{
    if (code == 0)
        m_pen = CellStyle(); // the window's colours: those of the last full clear
    else if (code == 1)
        m_pen.flags |= Bold;
    else if (code == 4)
        m_pen.flags |= Underline;
    else if (code == 5)
        m_pen.flags |= Italic;
    else if (code == 7)
        m_pen.flags |= Reverse;
    else if (code == 8)
        m_pen.flags |= Conceal;
    else if (code >= 30 && code <= 37)
        m_pen.fore = static_cast<uint8_t>(code - 30);
    else if (code >= 40 && code <= 47)
        m_pen.back = static_cast<uint8_t>(code - 40);
    else
        return;
    m_currentAttr = static_cast<char>(code);
}

void Telnet::moveTo(int row, int column)
{
    m_pendingWrap = false;
    if (m_originMode)
        row += m_scrollTop;
    m_cursorRow = row;
    m_cursorCol = column;
    ClampRow();
    ClampColumn();
}

void Telnet::ClampColumn()
{
    m_pendingWrap = false;
    m_cursorCol = std::clamp(m_cursorCol, 0, Columns - 1);
}

void Telnet::ClampRow()
{
    m_pendingWrap = false;
    if (m_originMode)
        m_cursorRow = std::clamp(m_cursorRow, m_scrollTop, m_scrollBottom);
    else
        m_cursorRow = std::clamp(m_cursorRow, 0, Rows - 1);
}

void Telnet::lineFeed()
{
    if (m_cursorRow == m_scrollBottom)
        ScrollUp();
    else if (m_cursorRow < Rows - 1)
        ++m_cursorRow;
}

void Telnet::reverseIndex()
{
    if (m_cursorRow == m_scrollTop)
        ScrollDown();
    else if (m_cursorRow > 0)
        --m_cursorRow;
}

void Telnet::horizontalTab()
{
    int column = m_cursorCol + 1;
    while (column < Columns - 1 && !m_tabStops[column])
        ++column;
    m_cursorCol = std::min(column, Columns - 1);
}

void Telnet::saveCursor()
{
    m_saved.col = m_cursorCol;
    m_saved.row = m_cursorRow;
    m_saved.pen = m_pen;
    m_saved.attr = m_currentAttr;
}

void Telnet::restoreCursor()
{
    m_pendingWrap = false;
    m_cursorCol = m_saved.col;
    m_cursorRow = m_saved.row;
    m_pen = m_saved.pen;
    m_currentAttr = m_saved.attr;
}

void Telnet::ScrollUp()
{
    const int top = m_scrollTop;
    const int bottom = m_scrollBottom;
    std::rotate(m_rowAt + top, m_rowAt + top + 1, m_rowAt + bottom + 1);
    eraseCells(bottom, 0, Columns - 1);
    markDirtyRows(top, bottom);
}

void Telnet::ScrollDown()
{
    const int top = m_scrollTop;
    const int bottom = m_scrollBottom;
    std::rotate(m_rowAt + top, m_rowAt + bottom, m_rowAt + bottom + 1);
    eraseCells(top, 0, Columns - 1);
    markDirtyRows(top, bottom);
}

void Telnet::eraseCells(int row, int from, int to)
{
    // Erased cells show as spaces in the renditions in force, so a reverse bar stays one.
    if (to < from)
        return;
    fillCells(gridRow(row) + from, size_t(to - from + 1), Cell{U' ', m_pen, '0'});
    markDirty(row);
}

void Telnet::eraseRows(int from, int to)
{
    for (int r = from; r <= to; ++r)
        eraseCells(r, 0, Columns - 1);
}

void Telnet::EraseLineEnd()
{
    eraseCells(m_cursorRow, m_cursorCol, Columns - 1);
}

void Telnet::EraseLineStart()
{
    eraseCells(m_cursorRow, 0, m_cursorCol);
}

void Telnet::EraseLine()
{
    eraseCells(m_cursorRow, 0, Columns - 1);
}

void Telnet::EraseScreenEnd()
{
    EraseLineEnd();
    eraseRows(m_cursorRow + 1, Rows - 1);
}

void Telnet::EraseScreenStart()
{
    EraseLineStart();
    eraseRows(0, m_cursorRow - 1);
}

void Telnet::ClearScreen()
{
    // The colours in force become the window's, so the default colour, and SGR 0, mean them
    // from now on. Concealing stays a rendition: taken as colours it would hide every later
    // character, SGR 0 or not.
    CellStyle shown = m_pen;
    shown.flags &= ~Conceal;
    const uint32_t fore = foreColorOf(shown);
    m_windowBack = backColorOf(shown);
    m_windowFore = fore;
    m_pen.fore = m_pen.back = DefaultColor;
    m_pen.flags &= ~Reverse;
    eraseRows(0, Rows - 1);
    m_pendingWrap = false;
    m_cursorRow = m_cursorCol = 0;
}

void Telnet::ClearBuffer()
{
    fillCells(&m_cells[0][0], Rows * Columns, Cell());
    for (int r = 0; r < Rows; ++r)
        m_rowAt[r] = uint8_t(r);
    m_dirtyRows = (1u << Rows) - 1;
}

void Telnet::alignmentFill()
{
    fillCells(&m_cells[0][0], Rows * Columns, Cell{U'E', m_pen, m_currentAttr});
    m_dirtyRows = (1u << Rows) - 1;
}

int Telnet::AttrRunLength(int row, int column) const
{
    const Cell *cells = this->cells(row);
    int end = column + 1;
    while (end < Columns && cells[end].style == cells[column].style)
        ++end;
    return end - column;
}

std::string Telnet::ScreenText(int row) const
{
    std::string text(Columns, ' ');
    for (int c = 0; c < Columns; ++c) {
        const char32_t code = cells(row)[c].code;
        text[c] = code <= 0xFF ? char(code) : '?';
    }
    return text;
}

std::string Telnet::ScreenAttr(int row) const
{
    std::string attr(Columns, '0');
    for (int c = 0; c < Columns; ++c)
        attr[c] = cells(row)[c].attr;
    return attr;
}

uint32_t Telnet::takeDirtyRows()
{
    const uint32_t rows = m_dirtyRows;
    m_dirtyRows = 0;
    return rows;
}

void Telnet::trace(const char *what, uint8_t b) const
{
    if (m_traceOn)
        std::fprintf(stderr, "telnet screen: %s 0x%02x\n", what, b);
}
