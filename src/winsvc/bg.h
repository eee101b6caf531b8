#pragma once

#include "ctile.h"
#include "isubclass.h"

#include <QBrush>
#include <QPointer>

class QMdiArea;

// Paints a window's background (the client area of an MDI frame) with a tiled bitmap, or with
// a solid colour when no bitmap is loaded.
class BG : public ISubClass
{
public:
    BG() = default;
    ~BG() override;
    BG(const BG &) = delete;
    BG &operator=(const BG &) = delete;

    // Paints the form, or the client area when the form's central widget is an MDI area.
    void Init(QWidget *form);
    void Destroy();
    void Refresh();

    quint32 BackColor() const { return m_backColor; }
    void setBackColor(quint32 color) { m_backColor = color; }
    CTile &Tile() { return m_tile; }
    QWidget *paintedWindow() const { return m_window; }

    int MsgResponse() const override { return m_msgResponse; }
    void setMsgResponse(int value) override { m_msgResponse = value; }
    bool WindowProc(QWidget *widget, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
    QPointer<QMdiArea> m_mdiArea;
    QBrush m_savedAreaBrush;
    quint32 m_backColor = 0x8000000F;
    int m_msgResponse = 0;
    CTile m_tile;
};
