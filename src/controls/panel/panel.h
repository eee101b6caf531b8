#pragma once

#include "platform/controls/controlabi.h"

#include <QColor>
#include <QLine>
#include <QList>
#include <QPixmap>
#include <QWidget>

class QPaintDevice;

// A container in its background colour with an optional border of one-pixel lines
// drawn onto its surface, and a scale narrowed to the inside of that border.
class Panel : public QWidget, public IControl
{
    Q_OBJECT
    Q_INTERFACES(IControl)
    Q_PROPERTY(uint BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(int BorderStyle READ borderStyle WRITE setBorderStyle)
    Q_PROPERTY(QPaintDevice *hDC READ hDC)
    Q_PROPERTY(QWidget *hWnd READ hWnd)
    Q_PROPERTY(int MousePointer READ mousePointer WRITE setMousePointer)
    Q_PROPERTY(QPixmap MouseIcon READ mouseIcon WRITE setMouseIcon)
    Q_PROPERTY(float ScaleHeight READ scaleHeight WRITE setScaleHeight)
    Q_PROPERTY(float ScaleLeft READ scaleLeft WRITE setScaleLeft)
    Q_PROPERTY(float ScaleTop READ scaleTop WRITE setScaleTop)
    Q_PROPERTY(float ScaleWidth READ scaleWidth WRITE setScaleWidth)

public:
    enum BorderType { None = 0, Flat = 1, Frame = 2, Inset = 3, Raised = 4 };
    Q_ENUM(BorderType)

    // One drawn border line, in twips as computed, with its colour.
    struct BorderLine
    {
        QLine twips;
        QColor color;
    };

    explicit Panel(QWidget *parent = nullptr);

    uint backColor() const { return m_backColor; }
    void setBackColor(uint color);
    int borderStyle() const { return m_BorderStyle; }
    void setBorderStyle(int style);
    // The surface to draw on and to measure text with.
    QPaintDevice *hDC();
    // The surface that tool windows dock into.
    QWidget *hWnd() { return this; }
    int mousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);
    QPixmap mouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QPixmap &icon);
    float scaleHeight() const { return m_scaleHeight; }
    void setScaleHeight(float value);
    float scaleLeft() const { return m_scaleLeft; }
    void setScaleLeft(float value);
    float scaleTop() const { return m_scaleTop; }
    void setScaleTop(float value);
    float scaleWidth() const { return m_scaleWidth; }
    void setScaleWidth(float value);

    // The lines the last border drawing produced, in drawing order.
    const QList<BorderLine> &borderLines() const { return m_lines; }

    void initProperties(const QFont &ambientFont) override;
    QString readProperties(const QVariantMap &bag, const QFont &ambientFont) override;
    QVariantMap writeProperties(const QFont &ambientFont) const override;

signals:
    void KeyDown(int KeyCode, int Shift);
    void KeyPress(int KeyAscii);
    void KeyUp(int KeyCode, int Shift);
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);
    void Resize();
    // The change notice: the host marks the instance as modified.
    void PropertyChanged(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void DrawBorder();
    void applyBackColor(uint color);
    bool applyMousePointer(int pointer);

    int m_BorderStyle = None;
    uint m_backColor = 0x8000000Fu;
    int m_mousePointer = 0;
    QPixmap m_mouseIcon;
    float m_scaleHeight = 6300;
    float m_scaleLeft = 0;
    float m_scaleTop = 0;
    float m_scaleWidth = 8025;
    QList<BorderLine> m_lines;
};
