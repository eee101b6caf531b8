#include "afterfirstpaint.h"

#include <QEvent>
#include <QTimer>

namespace {

class FirstPaintWatcher : public QObject
{
public:
    FirstPaintWatcher(QObject *window, std::function<void()> work)
        : QObject(window), m_work(std::move(work))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            watched->removeEventFilter(this);
            // After the paint has reached the screen.
            QTimer::singleShot(0, this, [this] {
                m_work();
                deleteLater();
            });
        }
        return false;
    }

private:
    std::function<void()> m_work;
    bool m_painted = false;
};

} // namespace

void AfterFirstPaint(QObject *window, std::function<void()> work)
{
    new FirstPaintWatcher(window, std::move(work));
}
