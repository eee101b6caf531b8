#include "e2edriver.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QToolBar>
#include <QWidget>

ModalAnswers::ModalAnswers(XInput &input) : m_input(input)
{
    m_timer.setInterval(50);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswers::poll);
    m_timer.start();
}

void ModalAnswers::expect(const QString &title, const QString &button)
{
    m_queue.append({title, button, {}});
}

void ModalAnswers::expectWith(const QString &title, std::function<void(QWidget *)> script)
{
    m_queue.append({title, QString(), std::move(script)});
}

void ModalAnswers::whenReady(std::function<bool()> ready, std::function<void()> script)
{
    m_whenReady.append({std::move(ready), std::move(script)});
}

void ModalAnswers::clear()
{
    m_queue.clear();
    m_whenReady.clear();
    m_seen.clear();
}

void ModalAnswers::poll()
{
    if (m_busy)
        return;
    if (!m_whenReady.isEmpty() && m_whenReady.first().first()) {
        const std::function<void()> script = m_whenReady.takeFirst().second;
        m_busy = true;
        script();
        m_busy = false;
        return;
    }
    QWidget *box = QApplication::activeModalWidget();
    if (!box || !box->isVisible() || !box->isActiveWindow()) {
        m_strayTicks = 0;
        return;
    }
    // The box just answered is on its way out.
    if (box == m_answered)
        return;
    if (m_queue.isEmpty() || m_queue.first().title != box->windowTitle()) {
        // A box nobody expected would hold the test forever: report it and let it go.
        if (++m_strayTicks > 100) {
            qWarning("Unexpected modal window \"%s\": %s", qPrintable(box->windowTitle()),
                     qPrintable(boxText(box)));
            m_seen.append(QStringLiteral("UNEXPECTED ") + box->windowTitle() +
                          QStringLiteral(": ") + boxText(box));
            m_answered = box;
            m_input.key(QStringLiteral("Escape"));
            m_strayTicks = 0;
        }
        return;
    }
    const Step step = m_queue.first();
    if (step.script) {
        m_queue.removeFirst();
        m_seen.append(box->windowTitle());
        m_answered = box;
        m_busy = true;
        step.script(box);
        m_busy = false;
        return;
    }
    const auto buttons = box->findChildren<QAbstractButton *>();
    for (QAbstractButton *button : buttons) {
        if (button->isVisible() && button->text().remove(QLatin1Char('&')) == step.button) {
            m_seen.append(box->windowTitle() + QStringLiteral(": ") + boxText(box));
            m_queue.removeFirst();
            m_answered = box;
            m_input.click(button);
            return;
        }
    }
}

QWidget *toolButton(QToolBar *toolbar, QAction *action)
{
    return toolbar && action ? toolbar->widgetForAction(action) : nullptr;
}

QString boxText(const QWidget *box)
{
    QStringList texts;
    const auto labels = box->findChildren<QLabel *>();
    for (const QLabel *label : labels)
        if (!label->text().isEmpty())
            texts.append(label->text());
    return texts.join(QLatin1Char(' '));
}
