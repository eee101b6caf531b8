#include "tools/telnet/TelnetScreenView.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>

namespace {

QFont terminalFont()
{
    QFont font(QStringLiteral("Fixedsys"));
    font.setPointSize(9);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(9);
    }
    font.setKerning(false);
    return font;
}

// The characters of a run of cells; false when one of them lies outside the font's
// Latin-1 cells and may be drawn wider or narrower than a cell.
bool cellText(const Telnet &screen, int row, int column, int count, QString &out)
{
    bool even = true;
    out.clear();
    for (int i = 0; i < count; ++i) {
        const char32_t c = screen.character(row, column + i);
        even = even && c <= 0xFF;
        out += QString::fromUcs4(&c, 1);
    }
    return even;
}

} // namespace

TelnetScreenView::TelnetScreenView(QWidget *parent) : QWidget(parent), m_font(terminalFont())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    m_screen.setBellHandler([] { QApplication::beep(); });
    m_cursorTimer.setInterval(CursorInterval);
    connect(&m_cursorTimer, &QTimer::timeout, this, [this] {
        if (!m_busy)
            CursorBlink();
    });
    // Painting is coalesced: a flood of bytes costs at most one paint per frame.
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(16);
    connect(&m_flushTimer, &QTimer::timeout, this, &TelnetScreenView::flush);
}

void TelnetScreenView::InitTerminal()
{
    m_font.setBold(false);
    m_font.setItalic(false);
    m_font.setUnderline(false);
    const QFontMetricsF metrics(m_font);
    m_cellWidth = metrics.horizontalAdvance(QLatin1Char('M'));
    m_cellHeight = metrics.height();
    m_ascent = qRound(metrics.ascent());
    updateGeometry();
    resize(sizeHint());

    m_cursorDrawn = false;
    m_screen.resetScreen();
    m_screen.takeDirtyRows();
    followWindowColors();

    m_ready = true;
    CursorShow();
    update();
    m_cursorTimer.start();
}

int TelnetScreenView::ProcessChar(uint8_t b)
{
    const int state = m_screen.ProcessChar(b);
    scheduleFlush();
    return state;
}

void TelnetScreenView::writeData(const char *data, size_t size)
{
    m_screen.write(data, size);
    scheduleFlush();
}

void TelnetScreenView::scheduleFlush()
{
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void TelnetScreenView::followWindowColors()
{
    if (m_screen.windowBackColor() == m_windowBack)
        return;
    m_windowBack = m_screen.windowBackColor();
    emit windowColorsChanged(QColor::fromRgb(m_windowBack));
}

void TelnetScreenView::flush()
{
    followWindowColors();
    const uint32_t rows = m_screen.takeDirtyRows();
    for (int r = 0; r < Telnet::Rows; ++r) {
        if (rows & (1u << r))
            update(0, cellRect(r, 0).top(), width(), cellRect(r, 0).height());
    }
    // A cursor left shown by a caller that did not suspend it follows the screen's cursor.
    if (m_cursorDrawn &&
        (m_cursorRow != m_screen.CursorRow() || m_cursorCol != m_screen.CursorCol())) {
        update(cellRect(m_cursorRow, m_cursorCol));
        m_cursorRow = m_screen.CursorRow();
        m_cursorCol = m_screen.CursorCol();
        update(cellRect(m_cursorRow, m_cursorCol));
    }
}

void TelnetScreenView::RepaintScreen()
{
    if (!m_ready)
        return;
    m_screen.takeDirtyRows();
    update();
}

void TelnetScreenView::CursorBlink()
{
    if (m_cursorDrawn)
        CursorHide();
    else
        CursorShow();
}

void TelnetScreenView::CursorSuspend(bool hide)
{
    if (hide) {
        m_cursorRemembered = m_cursorDrawn;
        CursorHide();
    } else if (m_cursorRemembered) {
        CursorShow();
    }
}

void TelnetScreenView::CursorShow()
{
    m_cursorDrawn = true;
    m_cursorRow = m_screen.CursorRow();
    m_cursorCol = m_screen.CursorCol();
    update(cellRect(m_cursorRow, m_cursorCol));
}

void TelnetScreenView::CursorHide()
{
    if (!m_cursorDrawn)
        return;
    m_cursorDrawn = false;
    update(cellRect(m_cursorRow, m_cursorCol));
}

QRect TelnetScreenView::cellRect(int row, int column) const
{
    const int left = qRound(column * m_cellWidth);
    const int top = qRound(row * m_cellHeight);
    return QRect(left, top, qRound((column + 1) * m_cellWidth) - left,
                 qRound((row + 1) * m_cellHeight) - top);
}

QSize TelnetScreenView::sizeHint() const
{
    return QSize(qRound(Telnet::Columns * m_cellWidth), qRound(Telnet::Rows * m_cellHeight));
}

void TelnetScreenView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor::fromRgb(m_screen.windowBackColor()));
    if (!m_ready)
        return;
    for (int r = 0; r < Telnet::Rows; ++r) {
        const QRect rowRect(0, cellRect(r, 0).top(), width(), cellRect(r, 0).height());
        if (event->region().intersects(rowRect))
            paintRow(painter, r);
    }
    if (m_cursorDrawn) {
        // The block cursor inverts its cell.
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(cellRect(m_cursorRow, m_cursorCol), Qt::white);
    }
}

void TelnetScreenView::paintRow(QPainter &painter, int row)
{
    const Telnet::Cell *cells = m_screen.cells(row);
    QString text;
    for (int column = 0; column < Telnet::Columns;) {
        // One call per run of cells that look alike.
        const int length = m_screen.AttrRunLength(row, column);
        Telnet::CellStyle style = cells[column].style;
        if (m_screen.reverseScreen())
            style.flags ^= Telnet::Reverse;
        const QRect first = cellRect(row, column);
        const QRect last = cellRect(row, column + length - 1);
        painter.fillRect(QRect(first.topLeft(), last.bottomRight()),
                         QColor::fromRgb(m_screen.backColorOf(style)));
        QFont font = m_font;
        font.setBold(style.flags & Telnet::Bold);
        font.setItalic(style.flags & Telnet::Italic);
        font.setUnderline(style.flags & Telnet::Underline);
        painter.setFont(font);
        painter.setPen(QColor::fromRgb(m_screen.foreColorOf(style)));
        if (cellText(m_screen, row, column, length, text)) {
            painter.drawText(first.left(), first.top() + m_ascent, text);
        } else {
            // Characters from other fonts go cell by cell, so the columns stay in line.
            for (int i = 0; i < length; ++i) {
                const char32_t c = m_screen.character(row, column + i);
                painter.drawText(cellRect(row, column + i).left(), first.top() + m_ascent,
                                 QString::fromUcs4(&c, 1));
            }
        }
        column += length;
    }
}
