#include "coolmenustyle.h"

#include "mcoolmenu.h"
#include "platform/base/colors.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyleOptionMenuItem>
#include <qdrawutil.h>

namespace {

QColor sys(QPalette::ColorRole role, const QStyleOption *option)
{
    return option->palette.color(role);
}

} // namespace

CoolMenuStyle::CoolMenuStyle(WndCoolMenu *state) : m_state(state) {}

void CoolMenuStyle::drawControl(ControlElement element, const QStyleOption *option,
                                QPainter *painter, const QWidget *widget) const
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (m_state && item && element == CE_MenuItem) {
        drawMenuItem(item, painter, widget);
        return;
    }
    if (m_state && item && element == CE_MenuBarItem) {
        drawMenuBarItem(item, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

QSize CoolMenuStyle::sizeFromContents(ContentsType type, const QStyleOption *option,
                                      const QSize &size, const QWidget *widget) const
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (!m_state || !item || type != CT_MenuItem)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    const QFontMetrics metrics(m_state->MenuFont());
    const int menuHeight = std::max(19, metrics.height() + 4);
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        // A separator spans the menu's width; it asks only for room for its etched ends and
        // its caption. A zero width would make the menu drop the separator altogether.
        const int caption =
            item->text.isEmpty()
                ? 0
                : QFontMetrics(separatorFont())
                      .horizontalAdvance(QLatin1Char(' ') + item->text + QLatin1Char(' '));
        return {2 * SeparatorInset + caption + 2, std::max(menuHeight / 2, metrics.height() + 1)};
    }
    // Invisible items take no room.
    if (item->text.startsWith(QLatin1Char('!')))
        return {0, 0};
    QString text = item->text;
    text.replace(QLatin1Char('\t'), QStringLiteral("    "));
    return {metrics.horizontalAdvance(text) + 2 * ImageSize + 10 + 18, menuHeight};
}

QFont CoolMenuStyle::separatorFont() const
{
    QFont small = m_state ? m_state->MenuFont() : QApplication::font();
    small.setFamily(QString());
    small.setWeight(QFont::Normal);
    small.setPointSize(7);
    return small;
}

void CoolMenuStyle::drawMenuText(QPainter *painter, const QRect &rect, const QString &text,
                                 const QColor &color, bool dropDown) const
{
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    const QString label = tab >= 0 ? text.left(tab) : text;
    const QString shortcut = tab >= 0 ? text.mid(tab + 1) : QString();
    const bool rightToLeft = m_state->RightToLeft;
    painter->save();
    painter->setFont(m_state->MenuFont());
    painter->setPen(color);
    int align = Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
    align |= !dropDown ? Qt::AlignHCenter : rightToLeft ? Qt::AlignRight : Qt::AlignLeft;
    painter->drawText(rect, align, label);
    if (!shortcut.isEmpty())
        painter->drawText(rect, Qt::AlignVCenter | (rightToLeft ? Qt::AlignLeft : Qt::AlignRight),
                          shortcut);
    painter->restore();
}

void CoolMenuStyle::drawMenuItem(const QStyleOptionMenuItem *item, QPainter *painter,
                                 const QWidget *widget) const
{
    const QRect rect = item->rect;
    const QColor menu = sys(QPalette::Window, item);
    const QColor light = sys(QPalette::Light, item);
    const QColor shadow = sys(QPalette::Dark, item);
    painter->fillRect(rect, menu);
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        const int y = rect.top() - 1 + rect.height() / 2;
        painter->setPen(shadow);
        painter->drawLine(rect.left() + SeparatorInset, y, rect.right() - SeparatorInset, y);
        painter->setPen(light);
        painter->drawLine(rect.left() + SeparatorInset, y + 1, rect.right() - SeparatorInset,
                          y + 1);
        if (!item->text.isEmpty()) {
            const QFont small = separatorFont();
            const QString text = QLatin1Char(' ') + item->text + QLatin1Char(' ');
            const QRect box =
                QFontMetrics(small).boundingRect(rect, Qt::AlignCenter, text).adjusted(0, 0, 1, 1);
            painter->save();
            painter->setFont(small);
            painter->fillRect(box, menu);
            painter->setPen(light);
            painter->drawText(rect.translated(1, 1), Qt::AlignCenter, text);
            painter->setPen(shadow);
            painter->drawText(rect, Qt::AlignCenter, text);
            painter->restore();
        }
        return;
    }
    if (item->text.startsWith(QLatin1Char('!')))
        return;

    const bool enabled = item->state & State_Enabled;
    const bool selected = item->state & State_Selected;
    const bool checked = item->checked;
    const bool rightToLeft = m_state->RightToLeft;
    QRect imageBox = rect;
    if (rightToLeft)
        imageBox.setLeft(rect.right() - ImageBox + 1);
    else
        imageBox.setWidth(ImageBox);

    bool drawn = false;
    if (!item->icon.isNull()) {
        drawn = true;
        if (enabled) {
            painter->fillRect(imageBox, checked && !selected ? light : menu);
            if (selected || checked)
                qDrawShadePanel(painter, imageBox, item->palette, checked, 1);
        }
        const QRect image(imageBox.left() + 1, rect.top() + (rect.height() - ImageSize) / 2,
                          ImageSize, ImageSize);
        // A disabled picture is shown embossed.
        item->icon.paint(painter, image, Qt::AlignCenter,
                         enabled ? QIcon::Normal : QIcon::Disabled);
    } else if (item->checkType != QStyleOptionMenuItem::NotCheckable) {
        const auto *owner = qobject_cast<const QMenu *>(widget);
        const CMyItemData *data =
            owner ? m_state->itemData(owner->actionAt(rect.center())) : nullptr;
        const bool markItem = !data || data->bAsMark;
        // With complex checks a mark item shows its empty box while unticked.
        if (checked || (m_state->ComplexChecks && markItem)) {
            const bool radio = item->checkType == QStyleOptionMenuItem::Exclusive ||
                               (data && data->bAsMark && !data->bAsCheck);
            drawn = true;
            drawMark(item, imageBox, radio, painter, widget);
        }
    }

    if (selected && enabled) {
        QRect selection = rect;
        if (drawn) {
            if (rightToLeft)
                selection.setRight(imageBox.left() - 2);
            else
                selection.setLeft(imageBox.right() + 2);
        }
        painter->fillRect(selection, m_state->FullSelect
                                         ? Colors::fromBgr(m_state->SelectColor, item->palette)
                                         : menu);
    }
    QRect textRect = rect;
    if (rightToLeft)
        textRect.adjust(18, 0, -21, 0);
    else
        textRect.adjust(21, 0, -18, 0);
    QColor color;
    if (!enabled)
        color = sys(QPalette::PlaceholderText, item);
    else if (selected)
        color = m_state->FullSelect ? sys(QPalette::HighlightedText, item)
                                    : Colors::fromBgr(m_state->SelectColor, item->palette);
    else
        color = m_state->ForeColor ? Colors::fromBgr(m_state->ForeColor, item->palette)
                                   : sys(QPalette::WindowText, item);
    if (!enabled)
        drawMenuText(painter, textRect.translated(1, 1), item->text, light, true);
    drawMenuText(painter, textRect, item->text, color, true);

    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        QStyleOptionMenuItem arrow = *item;
        arrow.rect = rightToLeft ? QRect(rect.left() + 2, rect.top() + 2, 12, rect.height() - 4)
                                 : QRect(rect.right() - 14, rect.top() + 2, 12, rect.height() - 4);
        arrow.palette.setColor(QPalette::ButtonText, color);
        arrow.palette.setColor(QPalette::WindowText, color);
        proxy()->drawPrimitive(rightToLeft ? PE_IndicatorArrowLeft : PE_IndicatorArrowRight, &arrow,
                               painter, widget);
    }
}

void CoolMenuStyle::drawMark(const QStyleOptionMenuItem *item, const QRect &imageBox, bool radio,
                             QPainter *painter, const QWidget *widget) const
{
    const bool enabled = item->state & State_Enabled;
    const bool selected = item->state & State_Selected;
    const QColor menu = sys(QPalette::Window, item);
    // The indicators are drawn by the base style, which expects a button's option.
    QStyleOptionButton mark;
    mark.direction = item->direction;
    mark.fontMetrics = item->fontMetrics;
    mark.palette = item->palette;
    mark.rect = imageBox.adjusted(3, 3, -2, -3);
    mark.state = (item->state & ~(State_Selected | State_On | State_Off)) |
                 (item->checked ? State_On : State_Off);
    if (m_state->ComplexChecks) {
        painter->fillRect(imageBox.adjusted(-1, -1, 1, 1),
                          selected && enabled && m_state->FullSelect
                              ? Colors::fromBgr(m_state->SelectColor, item->palette)
                              : menu);
        proxy()->drawPrimitive(radio ? PE_IndicatorRadioButton : PE_IndicatorCheckBox, &mark,
                               painter, widget);
        return;
    }
    // The simple mark: a dithered box, the tick or dot, and a sunken edge.
    painter->fillRect(imageBox, menu);
    if (!selected)
        painter->fillRect(imageBox, QBrush(sys(QPalette::Light, item), Qt::Dense4Pattern));
    const QRectF glyph = QRectF(imageBox).adjusted(5, 5, -5, -5);
    const auto drawGlyph = [&](const QColor &colour, QPointF offset) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(offset);
        if (radio) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(colour);
            painter->drawEllipse(glyph.center(), 2.5, 2.5);
        } else {
            painter->setPen(QPen(colour, 1.6));
            painter->drawPolyline(QPolygonF{{glyph.left(), glyph.center().y()},
                                            {glyph.left() + glyph.width() * 0.4, glyph.bottom()},
                                            {glyph.right(), glyph.top()}});
        }
        painter->restore();
    };
    if (enabled) {
        drawGlyph(m_state->ForeColor ? Colors::fromBgr(m_state->ForeColor, item->palette)
                                     : sys(QPalette::WindowText, item),
                  {});
    } else {
        drawGlyph(sys(QPalette::Light, item), {1, 1});
        drawGlyph(sys(QPalette::PlaceholderText, item), {});
    }
    qDrawShadePanel(painter, imageBox, item->palette, true, 1);
}

void CoolMenuStyle::drawMenuBarItem(const QStyleOptionMenuItem *item, QPainter *painter,
                                    const QWidget *) const
{
    const QRect rect = item->rect;
    painter->fillRect(rect, sys(QPalette::Window, item));
    const bool enabled = item->state & State_Enabled;
    const bool sunken = item->state & State_Sunken;
    const bool hot = item->state & State_Selected;
    QRect textRect = rect;
    if (sunken && enabled) {
        qDrawShadePanel(painter, rect, item->palette, true, 1);
        textRect.translate(2, 1);
    } else if (hot && enabled) {
        // The raised edge that follows the pointer over the bar.
        qDrawShadePanel(painter, rect, item->palette, false, 1);
    }
    QColor color = !enabled             ? sys(QPalette::PlaceholderText, item)
                   : m_state->ForeColor ? Colors::fromBgr(m_state->ForeColor, item->palette)
                                        : sys(QPalette::WindowText, item);
    drawMenuText(painter, textRect, item->text, color, false);
}
