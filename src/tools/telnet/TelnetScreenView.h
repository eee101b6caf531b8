#pragma once

#include "tools/telnet/Telnet.h"

#include <QFont>
#include <QTimer>
#include <QWidget>

// Paints the telnet screen in a fixed-pitch font with a blinking block cursor. The telnet
// window feeds received bytes through ProcessChar and brackets each batch with CursorSuspend.
class TelnetScreenView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int CursorInterval = 300;

    explicit TelnetScreenView(QWidget *parent = nullptr);

    Telnet &screen() { return m_screen; }
    const Telnet &screen() const { return m_screen; }

    // Measures the cell, sizes the view to 80 x 25 cells, resets the screen to white on
    // black and starts the cursor blinking.
    void InitTerminal();

    // Interprets one received byte (see Telnet::ProcessChar) and schedules its painting.
    int ProcessChar(uint8_t b);
    // Interprets a run of data bytes and schedules their painting.
    void writeData(const char *data, size_t size);

    void RepaintScreen();
    void CursorBlink();
    void CursorSuspend(bool hide);
    void CursorShow();
    void CursorHide();
    bool cursorDrawn() const { return m_cursorDrawn; }

    // Set while the window works through a received batch: the cursor holds still.
    void setBusy(bool busy) { m_busy = busy; }
    bool isBusy() const { return m_busy; }
    bool isTerminalReady() const { return m_ready; }

    qreal cellWidth() const { return m_cellWidth; }
    qreal cellHeight() const { return m_cellHeight; }
    QRect cellRect(int row, int column) const;
    QSize sizeHint() const override;

signals:
    // A full clear gave the window other colours: what surrounds the screen follows them.
    void windowColorsChanged(const QColor &back);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void scheduleFlush();
    void flush();
    // Tells when the screen's window colours have changed.
    void followWindowColors();
    void paintRow(QPainter &painter, int row);

    Telnet m_screen;
    QFont m_font;
    qreal m_cellWidth = 8;
    qreal m_cellHeight = 16;
    int m_ascent = 12;
    QTimer m_cursorTimer;
    QTimer m_flushTimer;
    bool m_ready = false;
    bool m_busy = false;
    bool m_cursorDrawn = false;
    bool m_cursorRemembered = false;
    int m_cursorRow = 0; // where the cursor is drawn
    int m_cursorCol = 0;
    uint32_t m_windowBack = Telnet::DefaultBackColor; // as last told
};
