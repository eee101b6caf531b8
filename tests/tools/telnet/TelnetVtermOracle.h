#pragma once

#include <QByteArray>
#include <QString>

class Telnet;
struct VTerm;
struct VTermScreen;
struct VTermState;

// The independent terminal the screen is checked against: libvterm, 80 x 25, 8-bit input or
// UTF-8.
class TelnetVtermOracle
{
public:
    explicit TelnetVtermOracle(bool utf8 = false);
    ~TelnetVtermOracle();
    TelnetVtermOracle(const TelnetVtermOracle &) = delete;
    TelnetVtermOracle &operator=(const TelnetVtermOracle &) = delete;

    void write(const QByteArray &bytes);
    void write(const char *data, size_t size);

    // Empty when the screen shows the same characters and cursor as the oracle (and, with
    // renditions, the same bold, underline, blink/italic, reverse and colours, the whole
    // screen's reversal included); otherwise where they first differ, with both screens.
    QString compare(const Telnet &screen, bool renditions = false) const;

    char32_t character(int row, int column) const;
    int cursorRow() const;
    int cursorCol() const;

private:
    QString dump() const;

    VTerm *m_vt = nullptr;
    VTermScreen *m_screen = nullptr;
    VTermState *m_state = nullptr;
};

// The screen's characters as text, one line per row, with the cursor position.
QString telnetScreenDump(const Telnet &screen);
// The character a cell of the screen shows.
char32_t telnetCellChar(const Telnet &screen, int row, int column);
