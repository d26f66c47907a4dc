// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace quire {

// Destroys finished objects on a thread of its own, so that tearing down a big parsed document does
// not hold up the next piece of work. At most `pending` objects wait at a time: Dispose blocks
// beyond that, which bounds the memory still held. Drain (and the destructor) returns only once
// everything handed over is destroyed, so a job that drains before it returns leaves nothing behind.
//
// Whoever hands an object over must give up every other use of it: the object, and anything only it
// references, is from then on touched by the disposing thread alone.
class Disposer
{
public:
    explicit Disposer(std::size_t pending = 1);
    ~Disposer();
    Disposer(const Disposer&) = delete;
    Disposer& operator=(const Disposer&) = delete;

    template <class T>
    void Dispose(std::shared_ptr<T> object)
    {
        Push(std::static_pointer_cast<void>(std::move(object)));
    }

    // Waits until everything handed over is destroyed.
    void Drain();

private:
    void Push(std::shared_ptr<void> object);
    void Run();

    const std::size_t m_pending;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::shared_ptr<void>> m_queue;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace quire
