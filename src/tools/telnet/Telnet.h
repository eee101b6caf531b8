#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The terminal screen of the telnet tool: an 80 x 25 character screen kept in memory and the
// byte interpreter for control characters and VT100 escape sequences. It draws nothing itself;
// TelnetScreenView paints it. There is one per telnet window.
class Telnet
{
public:
    static constexpr int Columns = 80;
    static constexpr int Rows = 25;

    // The colour of a cell: 0-7 index the colour table, DefaultColor the window's own colour.
    static constexpr uint8_t DefaultColor = 8;

    enum StyleFlag : uint8_t {
        Bold = 0x01,
        Underline = 0x02,
        Italic = 0x04, // SGR 5 shows as italic
        Reverse = 0x08,
        Conceal = 0x10,
        LineDrawing = 0x20, // the byte is read through the line-drawing character set
    };

    // How a cell looks, besides its character.
    struct CellStyle
    {
        uint8_t fore = DefaultColor;
        uint8_t back = DefaultColor;
        uint8_t flags = 0;
        bool operator==(const CellStyle &) const = default;
    };

    // One cell of the screen: the character, how it looks, and the attribute character (the
    // SGR code applied last before it was written, or "0").
    struct Cell
    {
        char32_t code = U' '; // a line-drawing cell keeps the byte received; its style says so
        CellStyle style;
        char attr = '0';
        bool operator==(const Cell &) const = default;
    };

    // The colour table of SGR 30-37 and 40-47, as 0xRRGGBB.
    static uint32_t paletteColor(int index);
    // The window's colours at the start of every connection.
    static constexpr uint32_t DefaultForeColor = 0xFFFFFF;
    static constexpr uint32_t DefaultBackColor = 0x000000;

    // The character a byte stands for in the line-drawing set (bytes 0x5F-0x7E), else the byte.
    static char32_t lineDrawingChar(uint8_t b);

    // Received text as UTF-8 (a cell per character), or a cell per byte read as Latin-1 (the
    // default).
    void setUtf8(bool on);
    bool utf8() const { return m_utf8; }

    // Receive state handed back to the telnet connection for a byte: 6 after IAC.
    static constexpr int DataState = 0;
    static constexpr int CommandState = 6;

    Telnet();

    // The screen part of InitTerminal: cursor, escape state, attributes and buffers are reset;
    // tab stops, the saved cursor and the modes survive, as on a real terminal's clear.
    void resetScreen();

    // One received byte in the connection's data state. Byte 255 is the telnet IAC: it is not
    // shown and the result is CommandState; an escape sequence in progress stays open so the
    // bytes after the telnet command complete it. Every other byte gives DataState.
    int ProcessChar(uint8_t b);

    // A run of data bytes (255 is a character here, as after a doubled IAC). Equivalent to
    // feeding them one by one, however the stream is cut.
    void write(const char *data, size_t size);

    const Cell *cells(int row) const { return m_cells[m_rowAt[row]]; }
    // The character a cell shows, character set applied.
    char32_t character(int row, int column) const
    {
        const Cell &cell = m_cells[m_rowAt[row]][column];
        return cell.style.flags & LineDrawing ? lineDrawingChar(uint8_t(cell.code)) : cell.code;
    }
    // A row's bytes: Latin-1, "?" for a character beyond it; line-drawing cells give the byte
    // received.
    std::string ScreenText(int row) const;
    // A row's attribute characters.
    std::string ScreenAttr(int row) const;
    char CurrentAttr() const { return m_currentAttr; }
    CellStyle currentStyle() const { return m_pen; }
    int CursorCol() const { return m_cursorCol; }
    int CursorRow() const { return m_cursorRow; }
    bool InEscape() const { return m_state != State::Ground; }
    int scrollTop() const { return m_scrollTop; }
    int scrollBottom() const { return m_scrollBottom; }
    bool isTabStop(int column) const { return m_tabStops[column]; }
    // The host asked for application cursor keys (ESC [ ? 1 h): arrows then send ESC O x.
    bool cursorKeysApplication() const { return m_cursorKeysApplication; }
    // The host reversed the whole screen (ESC [ ? 5 h): every cell shows with its colours
    // swapped.
    bool reverseScreen() const { return m_reverseScreen; }

    // The window's own colours, which cells in the default colour show: white on black until a
    // full clear makes the colours in force then the window's.
    uint32_t windowForeColor() const { return m_windowFore; }
    uint32_t windowBackColor() const { return m_windowBack; }
    // The colours a cell of this style shows in, text and background (the whole screen's
    // reversal aside).
    uint32_t foreColorOf(const CellStyle &style) const;
    uint32_t backColorOf(const CellStyle &style) const;

    // Cells of one row, from column, whose style equals that of the first: the painter's runs.
    int AttrRunLength(int row, int column) const;

    // Rows changed since the last call, one bit per row.
    uint32_t takeDirtyRows();

    void setBellHandler(std::function<void()> handler) { m_bell = std::move(handler); }
    void setTraceOn(bool on) { m_traceOn = on; }

    // The screen operations; public so the connection and the tests can drive them directly.
    void ParseEscape(uint8_t b);
    void ApplyAttribute(int code);
    void PutChar(uint8_t b);
    void ScrollUp();
    void ScrollDown();
    void ClearScreen();
    void ClearBuffer();
    void EraseLineEnd();
    void EraseLineStart();
    void EraseLine();
    void EraseScreenEnd();
    void EraseScreenStart();
    void ClampColumn();
    void ClampRow();

private:
    enum class Charset : uint8_t { Ascii, UnitedKingdom, LineDrawing };
    enum class State : uint8_t {
        Ground,
        Escape,
        EscapeIntermediate,
        Csi,
        CsiIgnore,
        String,
        StringEscape,
    };
    static constexpr int MaxParams = 16;
    static constexpr int MaxParamValue = 9999;

    // Fills cells from the cursor on with printable bytes of one character set.
    void setCells(const uint8_t *bytes, size_t count, Charset set, Cell pattern);
    void decodeUtf8(uint8_t b);
    // One character into the cursor cell, wrapping as printable bytes do.
    void putCharacter(char32_t c);
    // A character written past the last column first moves to the next line's start.
    void wrapIfPending();
    void feed(uint8_t b);
    void control(uint8_t b);
    void dispatchEscape(uint8_t final);
    void dispatchCharset(uint8_t intermediate, uint8_t final);
    void dispatchCsi(uint8_t final);
    void selectGraphicRendition();
    void setMode(bool on);
    void lineFeed();
    void reverseIndex();
    void horizontalTab();
    void saveCursor();
    void restoreCursor();
    void moveTo(int row, int column);
    void eraseCells(int row, int from, int to);
    void eraseRows(int from, int to);
    void alignmentFill();
    int param(int index, int fallback) const;
    void trace(const char *what, uint8_t b) const;
    void markDirty(int row) { m_dirtyRows |= 1u << row; }
    void markDirtyRows(int from, int to) { m_dirtyRows |= (2u << to) - (1u << from); }

    Cell *gridRow(int screenRow) { return m_cells[m_rowAt[screenRow]]; }

    // The one cell grid. Scrolling moves rows through m_rowAt (screen row to grid row)
    // instead of moving the cells.
    Cell m_cells[Rows][Columns];
    uint8_t m_rowAt[Rows];

    int m_cursorCol = 0;
    int m_cursorRow = 0;
    bool m_pendingWrap = false;
    CellStyle m_pen;
    uint32_t m_windowFore = DefaultForeColor;
    uint32_t m_windowBack = DefaultBackColor;
    char m_currentAttr = '0';

    struct Saved
    {
        int col = 0;
        int row = 0;
        CellStyle pen;
        char attr = '0';
    } m_saved; // the cursor and its renditions, as the save-cursor sequences keep them

    int m_scrollTop = 0;
    int m_scrollBottom = Rows - 1;
    bool m_autoWrap = true;
    bool m_originMode = false;
    bool m_newLineMode = false;
    bool m_cursorKeysApplication = false;
    bool m_tabStops[Columns];
    bool m_reverseScreen = false;
    Charset m_charset[2] = {Charset::Ascii, Charset::Ascii}; // G0 and G1
    int m_shift = 0;                                         // 0: G0 in use (SI), 1: G1 (SO)

    State m_state = State::Ground;
    uint8_t m_intermediate = 0;
    uint8_t m_private = 0;
    int m_params[MaxParams];
    int m_paramCount = 0;
    bool m_paramStarted = false;
    bool m_inSubParam = false;

    bool m_utf8 = false;
    int m_utf8Need = 0; // continuation bytes still to come
    int m_utf8Length = 0;
    char32_t m_utf8Code = 0;

    uint32_t m_dirtyRows = 0;
    bool m_traceOn = false;
    std::function<void()> m_bell;
};
