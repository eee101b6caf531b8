// A queue that several threads can push to and pop from.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <queue>

template <typename T>
class SafeQueue {
public:
    void push(T value)
    {
        {
            std::lock_guard<std::mutex> lock(m_);
            q_.push(std::move(value));
        }
        cv_.notify_one();
    }

    // Blocks until an item arrives or the queue is closed and empty.
    std::optional<T> pop()
    {
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait(lock, [this] { return !q_.empty() || closed_; });
        if (q_.empty())
            return std::nullopt;
        T value = std::move(q_.front());
        q_.pop();
        return value;
    }

    void close()
    {
        {
            std::lock_guard<std::mutex> lock(m_);
            closed_ = true;
        }
        cv_.notify_all();
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::queue<T> q_;
    bool closed_ = false;
};
