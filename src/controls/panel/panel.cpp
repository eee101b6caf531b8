#include "panel.h"

#include "platform/base/colors.h"
#include "platform/controls/controlids.h"
#include "platform/controls/ctlsupport.h"

#include <QBuffer>
#include <QKeyEvent>
#include <QPainter>

namespace {

constexpr int TwipsPerPixel = 15;
constexpr uint BagBackColor = 0x8000000Fu;
constexpr float BagScaleHeight = 6300;
constexpr float BagScaleWidth = 8025;
constexpr int CustomPointer = 99;
const QColor Grey(0x80, 0x80, 0x80);
const QColor White(0xFF, 0xFF, 0xFF);

bool validPointer(int pointer)
{
    return (pointer >= 0 && pointer <= 15) || pointer == CustomPointer;
}

Qt::CursorShape cursorShape(int pointer)
{
    switch (pointer) {
    case 2:
        return Qt::CrossCursor;
    case 3:
        return Qt::IBeamCursor;
    case 5:
    case 15:
        return Qt::SizeAllCursor;
    case 6:
        return Qt::SizeBDiagCursor;
    case 7:
        return Qt::SizeVerCursor;
    case 8:
        return Qt::SizeFDiagCursor;
    case 9:
        return Qt::SizeHorCursor;
    case 10:
        return Qt::UpArrowCursor;
    case 11:
        return Qt::WaitCursor;
    case 12:
        return Qt::ForbiddenCursor;
    case 13:
        return Qt::BusyCursor;
    case 14:
        return Qt::WhatsThisCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// The key codes the events carry are the platform's virtual-key numbers.
int virtualKey(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Shift:
        return 0x10;
    case Qt::Key_Control:
        return 0x11;
    case Qt::Key_Alt:
        return 0x12;
    case Qt::Key_Pause:
        return 0x13;
    case Qt::Key_CapsLock:
        return 0x14;
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    default:
        return 0;
    }
}

std::optional<QPixmap> picture(const QVariant &value)
{
    if (value.typeId() == QMetaType::QPixmap)
        return value.value<QPixmap>();
    if (value.typeId() == QMetaType::QImage)
        return QPixmap::fromImage(value.value<QImage>());
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    QPixmap result;
    const QByteArray bytes = value.toByteArray();
    if (!bytes.isEmpty() && !result.loadFromData(bytes))
        return std::nullopt;
    return result;
}

QByteArray pngBytes(const QPixmap &pixmap)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    pixmap.save(&buffer, "PNG");
    return bytes;
}

} // namespace

Panel::Panel(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    applyBackColor(m_backColor);
}

void Panel::setBackColor(uint color)
{
    const auto checked = CtlSupport::oleColor(color);
    if (!checked)
        return;
    applyBackColor(*checked);
    emit PropertyChanged(QStringLiteral("BackColor"));
}

void Panel::setBorderStyle(int style)
{
    // Other values would draw lines without colours; they are refused.
    if (style < None || style > Raised)
        return;
    m_BorderStyle = style;
    DrawBorder();
    emit PropertyChanged(QStringLiteral("BorderStyle"));
}

QPaintDevice *Panel::hDC()
{
    return this;
}

void Panel::setMousePointer(int pointer)
{
    if (!applyMousePointer(pointer))
        return;
    emit PropertyChanged(QStringLiteral("MousePointer"));
}

void Panel::setMouseIcon(const QPixmap &icon)
{
    m_mouseIcon = icon;
    if (m_mousePointer == CustomPointer)
        applyMousePointer(CustomPointer);
    emit PropertyChanged(QStringLiteral("MouseIcon"));
}

void Panel::setScaleHeight(float value)
{
    m_scaleHeight = value;
    emit PropertyChanged(QStringLiteral("ScaleHeight"));
}

void Panel::setScaleLeft(float value)
{
    m_scaleLeft = value;
    emit PropertyChanged(QStringLiteral("ScaleLeft"));
}

void Panel::setScaleTop(float value)
{
    m_scaleTop = value;
    emit PropertyChanged(QStringLiteral("ScaleTop"));
}

void Panel::setScaleWidth(float value)
{
    m_scaleWidth = value;
    emit PropertyChanged(QStringLiteral("ScaleWidth"));
}

void Panel::initProperties(const QFont &) {}

QString Panel::readProperties(const QVariantMap &bag, const QFont &)
{
    CtlSupport::BagReader reader(bag, QLatin1String(ControlIds::Panel::ProgId));
    // A bad value ends the read at its key; the host hears of it.
    try {
        applyBackColor(
            reader.read(QStringLiteral("BackColor"), CtlSupport::oleColor, BagBackColor));
        m_BorderStyle = int(reader.read(
            QStringLiteral("BorderStyle"),
            [](const QVariant &value) { return CtlSupport::integerIn(value, None, Raised); },
            qint64(None)));
        applyMousePointer(int(reader.read(
            QStringLiteral("MousePointer"),
            [](const QVariant &value) -> std::optional<qint64> {
                const auto pointer = CtlSupport::integer(value);
                if (!pointer || !validPointer(int(*pointer)))
                    return std::nullopt;
                return pointer;
            },
            qint64(0))));
        setMouseIcon(reader.read(QStringLiteral("MouseIcon"), picture, QPixmap()));
        m_scaleHeight =
            reader.read(QStringLiteral("ScaleHeight"), CtlSupport::single, BagScaleHeight);
        m_scaleLeft = reader.read(QStringLiteral("ScaleLeft"), CtlSupport::single, 0.0f);
        m_scaleTop = reader.read(QStringLiteral("ScaleTop"), CtlSupport::single, 0.0f);
        m_scaleWidth = reader.read(QStringLiteral("ScaleWidth"), CtlSupport::single, BagScaleWidth);
        DrawBorder();
    } catch (const CtlSupport::BagReader::Stop &) {
    }
    return reader.problem();
}

QVariantMap Panel::writeProperties(const QFont &) const
{
    QVariantMap bag;
    auto write = [&bag](const QString &key, const QVariant &value, const QVariant &fallback) {
        if (value != fallback)
            bag.insert(key, value);
    };
    write(QStringLiteral("BackColor"), m_backColor, BagBackColor);
    write(QStringLiteral("BorderStyle"), m_BorderStyle, int(None));
    write(QStringLiteral("MousePointer"), m_mousePointer, 0);
    if (!m_mouseIcon.isNull())
        bag.insert(QStringLiteral("MouseIcon"), pngBytes(m_mouseIcon));
    write(QStringLiteral("ScaleHeight"), m_scaleHeight, BagScaleHeight);
    write(QStringLiteral("ScaleLeft"), m_scaleLeft, 0.0f);
    write(QStringLiteral("ScaleTop"), m_scaleTop, 0.0f);
    write(QStringLiteral("ScaleWidth"), m_scaleWidth, BagScaleWidth);
    return bag;
}

void Panel::paintEvent(QPaintEvent *)
{
    // Draws what the last DrawBorder left on the surface.
    QPainter painter(this);
    painter.fillRect(rect(), Colors::fromBgr(m_backColor, palette()));
    for (const BorderLine &line : std::as_const(m_lines)) {
        painter.setPen(QPen(line.color, 0));
        painter.drawLine(line.twips.x1() / TwipsPerPixel, line.twips.y1() / TwipsPerPixel,
                         line.twips.x2() / TwipsPerPixel, line.twips.y2() / TwipsPerPixel);
    }
}

void Panel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    DrawBorder();
    emit Resize();
}

void Panel::keyPressEvent(QKeyEvent *event)
{
    emit KeyDown(virtualKey(event->key()), CtlSupport::shiftCode(event->modifiers()));
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).unicode() < 256)
        emit KeyPress(text.at(0).unicode());
    QWidget::keyPressEvent(event);
}

void Panel::keyReleaseEvent(QKeyEvent *event)
{
    emit KeyUp(virtualKey(event->key()), CtlSupport::shiftCode(event->modifiers()));
    QWidget::keyReleaseEvent(event);
}

void Panel::mousePressEvent(QMouseEvent *event)
{
    emit MouseDown(
        CtlSupport::buttonCode(event->button()), CtlSupport::shiftCode(event->modifiers()),
        float(event->position().x() * TwipsPerPixel), float(event->position().y() * TwipsPerPixel));
}

void Panel::mouseMoveEvent(QMouseEvent *event)
{
    emit MouseMove(
        CtlSupport::buttonCode(event->buttons()), CtlSupport::shiftCode(event->modifiers()),
        float(event->position().x() * TwipsPerPixel), float(event->position().y() * TwipsPerPixel));
}

void Panel::mouseReleaseEvent(QMouseEvent *event)
{
    emit MouseUp(CtlSupport::buttonCode(event->button()), CtlSupport::shiftCode(event->modifiers()),
                 float(event->position().x() * TwipsPerPixel),
                 float(event->position().y() * TwipsPerPixel));
}

void Panel::DrawBorder()
{
    const int width = this->width() * TwipsPerPixel;
    const int height = this->height() * TwipsPerPixel;
    m_scaleLeft = 0;
    m_scaleWidth = float(width);
    m_scaleTop = 0;
    m_scaleHeight = float(height);

    int left = 4;
    int top = 4;
    int right = width - 8;
    int bottom = height - 8;

    m_lines.clear();

    auto drawRectangle = [&](const QColor &topColor, const QColor &rightColor,
                             const QColor &bottomColor, const QColor &leftColor) {
        m_lines.append({QLine(left, top, right, top), topColor});
        m_lines.append({QLine(right, top, right, bottom), rightColor});
        m_lines.append({QLine(left, bottom, right, bottom), bottomColor});
        m_lines.append({QLine(left, top, left, bottom), leftColor});
    };

    switch (m_BorderStyle) {
    case Flat:
        drawRectangle(Grey, Grey, Grey, Grey);
        break;
    case Frame:
        drawRectangle(Grey, White, White, Grey);
        // The inner pass turns the sunken line into an etched groove.
        left += 15;
        right -= 15;
        top += 15;
        bottom -= 15;
        drawRectangle(White, Grey, Grey, White);
        break;
    case Inset:
        drawRectangle(Grey, White, White, Grey);
        break;
    case Raised:
        drawRectangle(White, Grey, Grey, White);
        break;
    default:
        break;
    }

    if (m_BorderStyle != None) {
        m_scaleLeft = float(left + 4);
        m_scaleWidth = float(right - 4);
        m_scaleTop = float(top + 4);
        m_scaleHeight = float(bottom - 4);
    }
    update();
}

void Panel::applyBackColor(uint color)
{
    m_backColor = color;
    QPalette surface = palette();
    surface.setColor(QPalette::Window, Colors::fromBgr(color, QPalette()));
    setPalette(surface);
}

bool Panel::applyMousePointer(int pointer)
{
    if (!validPointer(pointer))
        return false;
    m_mousePointer = pointer;
    if (pointer == 0)
        unsetCursor();
    else if (pointer == CustomPointer && !m_mouseIcon.isNull())
        setCursor(QCursor(m_mouseIcon));
    else
        setCursor(cursorShape(pointer));
    return true;
}
