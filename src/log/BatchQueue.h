#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace mivra {

// Hands batches from one thread to another, holding at most `capacity` of them at a time.
template <typename Batch> class BatchQueue {
public:
    explicit BatchQueue(std::size_t capacity)
        : m_capacity(capacity)
    {
    }

    // Waits for room; false once the taker has stopped and wants nothing more.
    bool put(Batch batch)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_batches.size() < m_capacity || m_stopped; });
        if (m_stopped)
            return false;
        m_batches.push_back(std::move(batch));
        m_changed.notify_all();
        return true;
    }
    // The giver has no more.
    void finish()
    {
        const std::lock_guard lock(m_mutex);
        m_finished = true;
        m_changed.notify_all();
    }

    // Waits for the next batch; nothing once the giver has finished and every batch is taken.
    std::optional<Batch> take()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_batches.empty() || m_finished; });
        return pop();
    }
    // The next batch if one is there.
    std::optional<Batch> tryTake()
    {
        const std::lock_guard lock(m_mutex);
        return pop();
    }
    // The taker wants no more: a giver waiting for room is let go.
    void stop()
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_changed.notify_all();
    }

private:
    std::optional<Batch> pop()
    {
        if (m_batches.empty())
            return std::nullopt;
        std::optional<Batch> batch(std::move(m_batches.front()));
        m_batches.pop_front();
        m_changed.notify_all();
        return batch;
    }

    const std::size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_batches;
    bool m_finished = false;
    bool m_stopped = false;
};

} // namespace mivra
