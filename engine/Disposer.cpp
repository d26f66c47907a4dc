// SPDX-License-Identifier: Apache-2.0
#include "Disposer.h"

#include <system_error>
#include <utility>

namespace quire {

Disposer::Disposer(std::size_t pending)
    : m_pending(pending == 0 ? 1 : pending)
{ }

Disposer::~Disposer()
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.empty() && !m_busy; });
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void Disposer::Push(std::shared_ptr<void> object)
{
    if (!object)
        return;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_thread.joinable()) {
        try {
            m_thread = std::thread(&Disposer::Run, this);
        } catch (const std::system_error&) {
            // No thread to be had: the caller destroys it, as it would have without a disposer.
            lock.unlock();
            object.reset();
            return;
        }
    }
    m_changed.wait(lock, [this] { return m_queue.size() < m_pending; });
    m_queue.push_back(std::move(object));
    lock.unlock();
    m_changed.notify_all();
}

void Disposer::Drain()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.empty() && !m_busy; });
}

void Disposer::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        std::shared_ptr<void> object = std::move(m_queue.front());
        m_queue.pop_front();
        m_busy = true;
        lock.unlock();
        m_changed.notify_all();
        object.reset();
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

} // namespace quire
