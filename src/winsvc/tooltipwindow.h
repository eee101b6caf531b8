#pragma once

#include <QPainterPath>
#include <QWidget>

// The one tip window all clsTooltip objects share: a frameless popup drawn as a balloon or a
// rectangle, with an optional title and icon.
class TooltipWindow : public QWidget
{
    Q_OBJECT

public:
    struct Look
    {
        QColor background;
        QColor text;
        bool balloon = false;
        QString title;
        int icon = 0; // 0 none, 1 information, 2 warning, 3 error
        int margin = 0;
        int alignment = 0; // 1 centres the text
        int width = 0;     // wrapping width in pixels; 0 keeps one line per text line
    };

    TooltipWindow();

    void setLook(const Look &look);
    const Look &look() const { return m_look; }
    void setText(const QString &text);
    QString text() const { return m_text; }
    // Lays out, places the tail at the anchor point (global) and shows.
    void showAt(const QPoint &anchor);
    // The rectangle the text is drawn in (widget coordinates).
    QRect textRect() const { return m_textRect; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int textFlags() const;
    // The tip's outline, a balloon with its tail or a rectangle; it is also the window's shape.
    QPainterPath outline() const;
    void layoutTip();

    Look m_look;
    QString m_text;
    QRect m_bodyRect;
    QRect m_titleRect;
    QRect m_textRect;
};
