#pragma once

#include <QCursor>
#include <QDialog>
#include <QList>
#include <QPoint>
#include <QTimer>

class QLabel;
class QPushButton;

// The shaped, frameless, topmost message window. Fill it with ShowIt, then exec() it
// (or open() it and wait for finished()); answer() is the caption of the pressed
// button, or the set's Esc value when the box was closed any other way.
class FrmMsgBox : public QDialog
{
    Q_OBJECT

public:
    explicit FrmMsgBox(QWidget *parent = nullptr);
    ~FrmMsgBox() override;

    void ShowIt(const QString &prompt, int icon, int buttons, const QString &title);
    QString answer() const { return m_answer; }
    QString escapeValue() const { return m_escapeValue; }

    // Delay between the ticks that lead to reading the message aloud.
    static constexpr int SpeakTickMs = 800;

public slots:
    void done(int result) override;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void CenterMessage();
    void CenterButtons();
    void CloseWith(const QString &caption);
    void fitMessage();
    void speakTick();
    void unload();
    void restoreCursor();

    QLabel *m_imgBackGround = nullptr;
    QLabel *m_imgIcon = nullptr;
    QLabel *m_lblMsg = nullptr;
    QWidget *m_lblTitle = nullptr; // a Label3D
    QPushButton *m_cmd[3] = {};
    QLabel *m_cmdDef = nullptr;  // the close mark
    QLabel *m_cmdDef1 = nullptr; // the close mark, highlighted
    QLabel *m_imgDrag = nullptr;

    QTimer m_timer;
    int m_ticks = 0;
    QString m_escapeValue;
    QString m_answer;
    QList<QCursor> m_savedCursors; // the caller's pointer, bottom of the stack first
    bool m_unloaded = false;
    bool m_dragging = false;
    QPoint m_dragOffset;
};
