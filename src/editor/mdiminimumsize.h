#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// Keeps the frame of an MDI child at least 4000 x 3000 twips: a frame made narrower or lower
// is set to exactly that size, both sides at once. A maximized or minimized frame is left as
// it is. The record window and the data view share the rule.
class MdiMinimumSize : public QObject
{
    Q_OBJECT

public:
    explicit MdiMinimumSize(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply();

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_subWindow; // the frame whose size the rule watches
};
