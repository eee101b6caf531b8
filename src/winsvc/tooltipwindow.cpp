#include "tooltipwindow.h"

#include <QApplication>
#include <QBitmap>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>

namespace {

constexpr int TailHeight = 10;
constexpr int IconSize = 16;

} // namespace

TooltipWindow::TooltipWindow()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowTransparentForInput)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setObjectName(QStringLiteral("TooltipWindow"));
}

void TooltipWindow::setLook(const Look &look)
{
    m_look = look;
    layoutTip();
}

void TooltipWindow::setText(const QString &text)
{
    m_text = text;
    layoutTip();
}

int TooltipWindow::textFlags() const
{
    int flags = m_look.alignment == 1 ? Qt::AlignHCenter : Qt::AlignLeft;
    if (m_look.width > 0)
        flags |= Qt::TextWordWrap;
    return flags | Qt::AlignTop;
}

void TooltipWindow::layoutTip()
{
    const QFontMetrics metrics(font());
    const int margin = std::max(0, m_look.margin) + 3;
    const QRect bounds =
        m_look.width > 0 ? QRect(0, 0, m_look.width, 100000) : QRect(0, 0, 100000, 100000);
    QRect text = metrics.boundingRect(bounds, textFlags(), m_text);
    if (m_look.width > 0)
        text.setWidth(std::min(text.width(), m_look.width));
    QRect title;
    if (!m_look.title.trimmed().isEmpty()) {
        QFont bold = font();
        bold.setBold(true);
        title = QFontMetrics(bold).boundingRect(m_look.title.trimmed());
        title.setWidth(title.width() + (m_look.icon ? IconSize + 4 : 0));
        title.setHeight(std::max(title.height(), m_look.icon ? IconSize : 0));
        title.moveTo(0, 0);
    }
    const int innerWidth = std::max(text.width(), title.width());
    const int gap = title.isEmpty() ? 0 : 4;
    const int top = m_look.balloon ? TailHeight : 0;
    m_titleRect =
        title.isEmpty() ? QRect() : QRect(margin, top + margin, innerWidth, title.height());
    m_textRect = QRect(margin, top + margin + title.height() + gap, innerWidth, text.height());
    m_bodyRect =
        QRect(0, top, innerWidth + 2 * margin, title.height() + gap + text.height() + 2 * margin);
    resize(m_bodyRect.width() + 1, m_bodyRect.bottom() + 2);

    QImage shape(size(), QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    QPainter painter(&shape);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::black);
    painter.drawPath(outline());
    painter.end();
    setMask(QBitmap::fromImage(shape.createAlphaMask()));
}

void TooltipWindow::showAt(const QPoint &anchor)
{
    layoutTip();
    QPoint position = m_look.balloon ? anchor - QPoint(16, 0) : anchor + QPoint(0, 20);
    if (const QScreen *screen = QGuiApplication::screenAt(anchor)) {
        const QRect area = screen->availableGeometry();
        position.setX(
            std::clamp(position.x(), area.left(), std::max(area.left(), area.right() - width())));
        position.setY(
            std::clamp(position.y(), area.top(), std::max(area.top(), area.bottom() - height())));
    }
    move(position);
    show();
    raise();
    update();
}

QPainterPath TooltipWindow::outline() const
{
    QPainterPath outline;
    if (!m_look.balloon) {
        outline.addRect(m_bodyRect);
        return outline;
    }
    outline.addRoundedRect(m_bodyRect, 8, 8);
    QPainterPath tail;
    tail.moveTo(12, m_bodyRect.top() + 1);
    tail.lineTo(16, 0);
    tail.lineTo(28, m_bodyRect.top() + 1);
    tail.closeSubpath();
    return outline.united(tail);
}

void TooltipWindow::paintEvent(QPaintEvent *)
{
    // Drawn without smoothing: the window's shape is exactly the pixels drawn, so no corner or
    // band beside the tail is left to a compositor that may not be running.
    QPainter painter(this);
    painter.setBrush(m_look.background);
    painter.setPen(m_look.text);
    painter.drawPath(outline());

    if (m_titleRect.isValid()) {
        QRect titleText = m_titleRect;
        if (m_look.icon) {
            static const QStyle::StandardPixmap icons[] = {QStyle::SP_MessageBoxInformation,
                                                           QStyle::SP_MessageBoxWarning,
                                                           QStyle::SP_MessageBoxCritical};
            const int index = std::clamp(m_look.icon, 1, 3) - 1;
            style()
                ->standardIcon(icons[index])
                .paint(&painter, QRect(m_titleRect.topLeft(), QSize(IconSize, IconSize)));
            titleText.setLeft(titleText.left() + IconSize + 4);
        }
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.drawText(titleText, Qt::AlignLeft | Qt::AlignVCenter, m_look.title.trimmed());
        painter.setFont(font());
    }
    painter.drawText(m_textRect, textFlags(), m_text);
}
