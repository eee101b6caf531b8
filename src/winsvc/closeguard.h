#pragma once

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
    // stays remembered until the window drops it.
    explicit CloseGuard(std::function<void()> whenIdle) : m_whenIdle(std::move(whenIdle)) {}
    CloseGuard(const CloseGuard &) = delete;
    CloseGuard &operator=(const CloseGuard &) = delete;

    bool busy() const { return m_operations > 0; }
    bool closePending() const { return m_closePending; }
    void deferClose() { m_closePending = true; }
    void dropClose() { m_closePending = false; }

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
    std::function<void()> m_whenIdle;
    int m_operations = 0;
    bool m_closePending = false;
};
