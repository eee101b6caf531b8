#pragma once

#include "xsession.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <utility>

class QAbstractButton;
class QAction;
class QToolBar;

// Answers the program's real modal message boxes with real clicks. The boxes run their own
// nested event loops, so the answers come from a timer that watches for the expected box while
// the test waits; each expectation is the box's title and the caption of the button to press.
class ModalAnswers : public QObject
{
    Q_OBJECT

public:
    explicit ModalAnswers(XInput &input);

    void expect(const QString &title, const QString &button);
    // Works a modal window of that title by a script of real input, run inside its own loop.
    void expectWith(const QString &title, std::function<void(QWidget *window)> script);
    // Runs a script of real input once ready() holds, from whichever event loop runs then: an
    // operation's own wait included, which the test's code cannot reach while it lasts.
    void whenReady(std::function<bool()> ready, std::function<void()> script);
    bool done() const { return m_queue.isEmpty() && m_whenReady.isEmpty(); }
    void clear();
    // The texts of the boxes answered so far, oldest first, as "TITLE: message".
    QStringList seen() const { return m_seen; }

private:
    void poll();

    struct Step
    {
        QString title;
        QString button;
        std::function<void(QWidget *)> script;
    };
    XInput &m_input;
    QTimer m_timer;
    QList<Step> m_queue;
    QList<std::pair<std::function<bool()>, std::function<void()>>> m_whenReady;
    QStringList m_seen;
    QPointer<QWidget> m_answered;
    int m_strayTicks = 0;
    bool m_busy = false;
};

// The button a toolbar shows for an action.
QWidget *toolButton(QToolBar *toolbar, QAction *action);
// Every label text of a message box, joined by blanks.
QString boxText(const QWidget *box);
