#include "label3d.h"

#include "platform/base/colors.h"
#include "platform/controls/controlids.h"
#include "platform/controls/ctlsupport.h"

#include <QLabel>
#include <QMouseEvent>
#include <QScopedValueRollback>

#include <stdexcept>

namespace {

constexpr int TwipsPerPixel = 15;
constexpr int MinimumTwips = 100;
// The smallest whole number of pixels that is at least 100 twips.
constexpr int MinimumPixels = (MinimumTwips + TwipsPerPixel - 1) / TwipsPerPixel;

// Bag defaults; a newly placed control starts from other colours and BackStyle.
constexpr uint BagForeColor1 = 0x000000u;
constexpr uint BagForeColor2 = 0xFFFFFFu;
constexpr uint BagBackColor = 0x8000000Fu;
constexpr int BagBackStyle = Label3D::Transparent;
const QString DefaultCaption = QStringLiteral("Label3D");

QFont creationFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(9.75);
    font.setBold(true);
    return font;
}

QLabel *makeLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(DefaultCaption, parent);
    label->setObjectName(name);
    label->setFont(creationFont());
    label->setAutoFillBackground(false);
    // Captions are shown as typed: a file name with "<" must not turn into markup.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

Qt::Alignment qtAlignment(int alignment)
{
    switch (alignment) {
    case Label3D::AlignRight:
        return Qt::AlignRight | Qt::AlignTop;
    case Label3D::AlignCenter:
        return Qt::AlignHCenter | Qt::AlignTop;
    default:
        return Qt::AlignLeft | Qt::AlignTop;
    }
}

} // namespace

Label3D::Label3D(QWidget *parent) : QWidget(parent)
{
    m_label1 = makeLabel(this, QStringLiteral("Label1"));
    m_label2 = makeLabel(this, QStringLiteral("Label2"));
    m_label2->raise();
    m_label2->setMouseTracking(true);
    m_label2->installEventFilter(this);
    applyColors();
    applyBackStyle(m_backStyle);
    layoutLabels();
}

bool Label3D::labelsEnabled() const
{
    return m_label1->isEnabled();
}

void Label3D::setLabelsEnabled(bool enabled)
{
    m_label1->setEnabled(enabled);
    m_label2->setEnabled(enabled);
    emit PropertyChanged(QStringLiteral("Enabled"));
}

QFont Label3D::captionFont() const
{
    return m_label1->font();
}

void Label3D::setCaptionFont(const QFont &font)
{
    m_label1->setFont(font);
    m_label2->setFont(font);
    emit PropertyChanged(QStringLiteral("Font"));
}

void Label3D::setForeColor1(uint color)
{
    const auto checked = CtlSupport::oleColor(color);
    if (!checked)
        return;
    m_foreColor1 = *checked;
    applyColors();
    emit PropertyChanged(QStringLiteral("ForeColor1"));
}

void Label3D::setForeColor2(uint color)
{
    const auto checked = CtlSupport::oleColor(color);
    if (!checked)
        return;
    m_foreColor2 = *checked;
    applyColors();
    emit PropertyChanged(QStringLiteral("ForeColor2"));
}

QString Label3D::caption() const
{
    return m_label1->text();
}

void Label3D::setCaption(const QString &caption)
{
    m_label1->setText(caption);
    m_label2->setText(caption);
    emit PropertyChanged(QStringLiteral("Caption"));
}

void Label3D::setAlignment(int alignment)
{
    // The labels refuse other values; both stay as they were and no notice goes out.
    if (alignment < AlignLeft || alignment > AlignCenter)
        return;
    applyAlignment(alignment);
    emit PropertyChanged(QStringLiteral("Alignment"));
}

void Label3D::setPhase(int phase)
{
    // The value is kept in an unsigned byte: anything beyond it overflows before it is stored.
    if (phase < 0 || phase > 255)
        throw std::overflow_error("Overflow");
    m_Phase = quint8(phase);
    layoutLabels();
    emit PropertyChanged(QStringLiteral("Phase"));
}

void Label3D::setBackColor(uint color)
{
    const auto checked = CtlSupport::oleColor(color);
    if (!checked)
        return;
    m_backColor = *checked;
    applyColors();
    emit PropertyChanged(QStringLiteral("BackColor"));
}

void Label3D::setBorderStyle(int style)
{
    if (style != None && style != FixedSingle)
        return;
    applyBorderStyle(style);
    emit PropertyChanged(QStringLiteral("BorderStyle"));
}

void Label3D::setBackStyle(int style)
{
    if (style != Transparent && style != Opaque)
        return;
    applyBackStyle(style);
    emit PropertyChanged(QStringLiteral("BackStyle"));
}

void Label3D::Refresh()
{
    update();
}

void Label3D::initProperties(const QFont &ambientFont)
{
    m_Phase = BOTTOMRIGHT;
    m_label1->setFont(ambientFont);
    m_label2->setFont(ambientFont);
}

QString Label3D::readProperties(const QVariantMap &bag, const QFont &ambientFont)
{
    CtlSupport::BagReader reader(bag, QLatin1String(ControlIds::Label3D::ProgId));
    auto integerIn = [](qint64 low, qint64 high) {
        return
            [low, high](const QVariant &value) { return CtlSupport::integerIn(value, low, high); };
    };
    // A bad value ends the read at its key: what came before it is taken, the rest stays
    // as it was, and the host hears of it.
    try {
        applyBackStyle(
            int(reader.read(QStringLiteral("BackStyle"), integerIn(0, 1), qint64(BagBackStyle))));
        const bool enabled = reader.read(QStringLiteral("Enabled"), CtlSupport::boolean, true);
        m_label1->setEnabled(enabled);
        m_label2->setEnabled(enabled);
        m_foreColor1 =
            reader.read(QStringLiteral("ForeColor1"), CtlSupport::oleColor, BagForeColor1);
        m_foreColor2 =
            reader.read(QStringLiteral("ForeColor2"), CtlSupport::oleColor, BagForeColor2);
        const QString text = reader.read(
            QStringLiteral("Caption"),
            [](const QVariant &value) -> std::optional<QString> {
                if (!value.canConvert<QString>())
                    return std::nullopt;
                return value.toString();
            },
            DefaultCaption);
        m_label1->setText(text);
        m_label2->setText(text);
        applyAlignment(
            int(reader.read(QStringLiteral("Alignment"), integerIn(0, 2), qint64(AlignLeft))));
        const QFont font = reader.read(QStringLiteral("Font"), CtlSupport::font, ambientFont);
        m_label1->setFont(font);
        m_label2->setFont(font);
        applyBorderStyle(
            int(reader.read(QStringLiteral("BorderStyle"), integerIn(0, 1), qint64(None))));
        m_Phase =
            quint8(reader.read(QStringLiteral("Phase"), integerIn(0, 255), qint64(BOTTOMRIGHT)));
        m_backColor = reader.read(QStringLiteral("BackColor"), CtlSupport::oleColor, BagBackColor);
        layoutLabels();
    } catch (const CtlSupport::BagReader::Stop &) {
    }
    applyColors();
    return reader.problem();
}

QVariantMap Label3D::writeProperties(const QFont &ambientFont) const
{
    QVariantMap bag;
    auto write = [&bag](const QString &key, const QVariant &value, const QVariant &fallback) {
        if (value != fallback)
            bag.insert(key, value);
    };
    write(QStringLiteral("Enabled"), labelsEnabled(), true);
    if (captionFont() != ambientFont)
        bag.insert(QStringLiteral("Font"), captionFont().toString());
    write(QStringLiteral("ForeColor1"), m_foreColor1, BagForeColor1);
    write(QStringLiteral("ForeColor2"), m_foreColor2, BagForeColor2);
    write(QStringLiteral("Caption"), caption(), DefaultCaption);
    write(QStringLiteral("Alignment"), m_alignment, int(AlignLeft));
    write(QStringLiteral("Phase"), uint(m_Phase), uint(BOTTOMRIGHT));
    write(QStringLiteral("BackColor"), m_backColor, BagBackColor);
    write(QStringLiteral("BorderStyle"), m_borderStyle, int(None));
    write(QStringLiteral("BackStyle"), m_backStyle, BagBackStyle);
    return bag;
}

void Label3D::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutLabels();
}

void Label3D::changeEvent(QEvent *event)
{
    // System colours follow the palette.
    if (event->type() == QEvent::PaletteChange && !m_applyingColors)
        applyColors();
    QWidget::changeEvent(event);
}

bool Label3D::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_label2)
        return QWidget::eventFilter(watched, event);
    const auto twips = [](const QMouseEvent *mouse, auto coordinate) {
        return float(coordinate(mouse->position()) * TwipsPerPixel);
    };
    const auto x = [](const QPointF &point) { return point.x(); };
    const auto y = [](const QPointF &point) { return point.y(); };
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            m_pressedOnFront = true;
        emit MouseDown(CtlSupport::buttonCode(mouse->button()),
                       CtlSupport::shiftCode(mouse->modifiers()), twips(mouse, x), twips(mouse, y));
        return true;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        emit MouseMove(CtlSupport::buttonCode(mouse->buttons()),
                       CtlSupport::shiftCode(mouse->modifiers()), twips(mouse, x), twips(mouse, y));
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        emit MouseUp(CtlSupport::buttonCode(mouse->button()),
                     CtlSupport::shiftCode(mouse->modifiers()), twips(mouse, x), twips(mouse, y));
        if (mouse->button() == Qt::LeftButton && m_pressedOnFront) {
            m_pressedOnFront = false;
            if (m_label2->rect().contains(mouse->position().toPoint()))
                emit Click();
        }
        return true;
    }
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            emit DblClick();
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void Label3D::layoutLabels()
{
    if (width() * TwipsPerPixel < MinimumTwips)
        resize(MinimumPixels, height());
    if (height() * TwipsPerPixel < MinimumTwips)
        resize(width(), MinimumPixels);
    m_label1->resize(size());
    m_label2->resize(size());
    constexpr int step = 1; // 15 twips
    switch (m_Phase) {
    case TOPLEFT:
        m_label1->move(0, 0);
        m_label2->move(step, step);
        break;
    case TOPRIGHT:
        m_label1->move(step, 0);
        m_label2->move(0, step);
        break;
    case BOTTOMLEFT:
        m_label1->move(0, step);
        m_label2->move(step, 0);
        break;
    case BOTTOMRIGHT:
        m_label1->move(step, step);
        m_label2->move(0, 0);
        break;
    default:
        // Other values are kept but move nothing.
        break;
    }
}

void Label3D::applyColors()
{
    const QScopedValueRollback guard(m_applyingColors, true);
    const QPalette base = palette();
    auto paintLabel = [&base](QLabel *label, uint color) {
        QPalette palette = label->palette();
        const QColor shown = Colors::fromBgr(color, base);
        palette.setColor(QPalette::Active, QPalette::WindowText, shown);
        palette.setColor(QPalette::Inactive, QPalette::WindowText, shown);
        label->setPalette(palette);
    };
    paintLabel(m_label1, m_foreColor1);
    paintLabel(m_label2, m_foreColor2);
    QPalette surface = palette();
    surface.setColor(QPalette::Window, Colors::fromBgr(m_backColor, QPalette()));
    setPalette(surface);
}

void Label3D::applyAlignment(int alignment)
{
    m_alignment = alignment;
    m_label1->setAlignment(qtAlignment(alignment));
    m_label2->setAlignment(qtAlignment(alignment));
}

void Label3D::applyBorderStyle(int style)
{
    m_borderStyle = style;
    m_label2->setFrameStyle(style == FixedSingle ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
    m_label2->setLineWidth(1);
    // A framed label indents its text by half an "x" from the aligned edge, which would part
    // the two copies by several pixels.
    m_label2->setIndent(0);
}

void Label3D::applyBackStyle(int style)
{
    m_backStyle = style;
    setAutoFillBackground(style == Opaque);
    update();
}
