#pragma once

#include <QPointer>
#include <QProxyStyle>

class QStyleOptionMenuItem;

class WndCoolMenu;

// Draws the menu bar and menus of a window with the owner-drawn menu look: an image box,
// flat or full-row selection, marks, and separators that carry a short text.
class CoolMenuStyle : public QProxyStyle
{
    Q_OBJECT

public:
    explicit CoolMenuStyle(WndCoolMenu *state);

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;

    static constexpr int ImageSize = 16;
    static constexpr int ImageBox = ImageSize + 2;
    static constexpr int TextIndent = ImageBox + 3;
    static constexpr int SeparatorInset = 15;

private:
    void drawMenuItem(const QStyleOptionMenuItem *item, QPainter *painter,
                      const QWidget *widget) const;
    void drawMenuBarItem(const QStyleOptionMenuItem *item, QPainter *painter,
                         const QWidget *widget) const;
    void drawMark(const QStyleOptionMenuItem *item, const QRect &imageBox, bool radio,
                  QPainter *painter, const QWidget *widget) const;
    QFont separatorFont() const;
    void drawMenuText(QPainter *painter, const QRect &rect, const QString &text,
                      const QColor &color, bool dropDown) const;

    QPointer<WndCoolMenu> m_state;
};
