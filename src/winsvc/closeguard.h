#pragma once

#include <QObject>
#include <QVariant>

#include <functional>
#include <utility>

// Keeps a window alive while one of its own operations is on the stack. A close that arrives
// meanwhile (from a timer, from the answer to one of its questions) is remembered by the
// window and handed back to it when the last operation returns; what the window then does
// (ask about unsaved text, wait for an engine, close its frame) stays the window's own.
// Everything is inline: the browser module takes no symbol of it from the program.
class CloseGuard
{
public:
    // Counts one operation of the window for as long as it is on the stack.
    class Operation
    {
    public:
        explicit Operation(CloseGuard &guard) : m_guard(guard) { m_guard.begin(); }
        ~Operation() { m_guard.end(); }
        Operation(const Operation &) = delete;
        Operation &operator=(const Operation &) = delete;

    private:
        CloseGuard &m_guard;
    };

    // whenIdle runs when the last operation returns with a close pending; the pending close
    // stays remembered until the window drops it. The window, when given, shows the pending
    // close to whoever closes it (closeDeferred).
    explicit CloseGuard(std::function<void()> whenIdle, QObject *window = nullptr)
        : m_whenIdle(std::move(whenIdle)), m_window(window)
    {}
    CloseGuard(const CloseGuard &) = delete;
    CloseGuard &operator=(const CloseGuard &) = delete;

    bool busy() const { return m_operations > 0; }
    bool closePending() const { return m_closePending; }
    void deferClose() { setClosePending(true); }
    void dropClose() { setClosePending(false); }

    // Whether a window that ignored a close only put it off until its work settles: it closes
    // itself then. Any other window that ignores a close refuses it. Closing many windows at
    // once (the program's quit) waits for the first kind and stops at the second.
    static bool closeDeferred(const QObject *window)
    {
        return window && window->property(PendingProperty).toBool();
    }

    // For work that outlives the call starting it (an answer that comes later): each begin
    // is matched by one end.
    void begin() { ++m_operations; }
    void end()
    {
        if (--m_operations > 0 || !m_closePending)
            return;
        // A copy: the window, and this guard with it, may be gone before the call returns.
        const std::function<void()> whenIdle = m_whenIdle;
        whenIdle();
    }

private:
    static constexpr const char *PendingProperty = "closeDeferred";

    void setClosePending(bool pending)
    {
        m_closePending = pending;
        if (m_window)
            m_window->setProperty(PendingProperty, pending);
    }

    std::function<void()> m_whenIdle;
    QObject *m_window = nullptr;
    int m_operations = 0;
    bool m_closePending = false;
};
