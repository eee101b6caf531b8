#pragma once

#include "platform/controls/controlabi.h"

#include <QFont>
#include <QWidget>

class QLabel;

// A one-line caption drawn twice, a back copy and a front copy offset by 15 twips,
// giving a raised or engraved look. Phase says in which corner the back copy sits.
class Label3D : public QWidget, public IControl
{
    Q_OBJECT
    Q_INTERFACES(IControl)
    Q_PROPERTY(bool Enabled READ labelsEnabled WRITE setLabelsEnabled)
    Q_PROPERTY(QFont Font READ captionFont WRITE setCaptionFont)
    Q_PROPERTY(uint ForeColor1 READ foreColor1 WRITE setForeColor1)
    Q_PROPERTY(uint ForeColor2 READ foreColor2 WRITE setForeColor2)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(int Alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(int Phase READ phase WRITE setPhase)
    Q_PROPERTY(uint BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(int BorderStyle READ borderStyle WRITE setBorderStyle)
    Q_PROPERTY(int BackStyle READ backStyle WRITE setBackStyle)

public:
    enum T_Phase { TOPLEFT = 3, TOPRIGHT = 2, BOTTOMLEFT = 1, BOTTOMRIGHT = 0 };
    Q_ENUM(T_Phase)
    enum T_BorderStyle { None = 0, FixedSingle = 1 };
    Q_ENUM(T_BorderStyle)
    enum T_Align { AlignLeft = 0, AlignRight = 1, AlignCenter = 2 };
    Q_ENUM(T_Align)
    enum T_BackStyle { Transparent = 0, Opaque = 1 };
    Q_ENUM(T_BackStyle)

    explicit Label3D(QWidget *parent = nullptr);

    bool labelsEnabled() const;
    void setLabelsEnabled(bool enabled);
    QFont captionFont() const;
    void setCaptionFont(const QFont &font);
    uint foreColor1() const { return m_foreColor1; }
    void setForeColor1(uint color);
    uint foreColor2() const { return m_foreColor2; }
    void setForeColor2(uint color);
    QString caption() const;
    void setCaption(const QString &caption);
    int alignment() const { return m_alignment; }
    void setAlignment(int alignment);
    int phase() const { return m_Phase; }
    // Outside 0 to 255 it throws std::overflow_error ("Overflow") and stores nothing.
    void setPhase(int phase);
    uint backColor() const { return m_backColor; }
    void setBackColor(uint color);
    int borderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style);
    int backStyle() const { return m_backStyle; }
    void setBackStyle(int style);

    Q_INVOKABLE void Refresh();

    void initProperties(const QFont &ambientFont) override;
    QString readProperties(const QVariantMap &bag, const QFont &ambientFont) override;
    QVariantMap writeProperties(const QFont &ambientFont) const override;

signals:
    void Click();
    void DblClick();
    void MouseDown(int Button, int Shift, float x, float y);
    void MouseMove(int Button, int Shift, float x, float y);
    void MouseUp(int Button, int Shift, float x, float y);
    // The change notice: the host marks the instance as modified.
    void PropertyChanged(const QString &name);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layoutLabels();
    void applyColors();
    void applyAlignment(int alignment);
    void applyBorderStyle(int style);
    void applyBackStyle(int style);

    QLabel *m_label1 = nullptr; // back copy
    QLabel *m_label2 = nullptr; // front copy
    quint8 m_Phase = 0;
    uint m_foreColor1 = 0x8000000Eu;
    uint m_foreColor2 = 0x80000012u;
    uint m_backColor = 0x8000000Fu;
    int m_alignment = AlignLeft;
    int m_borderStyle = None;
    int m_backStyle = Opaque;
    bool m_pressedOnFront = false;
    bool m_applyingColors = false;
};
