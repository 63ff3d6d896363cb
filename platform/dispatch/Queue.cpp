#include "dispatch/Queue.h"

#include "dispatch/Task.h"
#include "foundation/Log.h"

#include <atomic>
#include <exception>
#include <sys/types.h>
#include <unistd.h>

namespace dispatch {

namespace detail {

void runTask(const std::function<void()>& task, const char* where) {
    try {
        task();
    } catch (const std::exception& e) {
        CFLog(3, "dispatch: a task on %s threw: %s", where, e.what());
    } catch (...) {
        CFLog(3, "dispatch: a task on %s threw a non-standard exception", where);
    }
}

} // namespace detail

void Queue::async(std::function<void()> task) {
    if (!task) {
        CFLog(4, "dispatch: an empty task was not queued");
        return;
    }
    {
        std::lock_guard guard(m_lock);
        m_tasks.push_back(std::move(task));
    }
    m_arrived.notify_one();
}

std::function<void()> Queue::take(std::unique_lock<std::mutex>& lock) {
    std::function<void()> task = std::move(m_tasks.front());
    m_tasks.pop_front();
    lock.unlock();
    return task;
}

std::size_t Queue::runUntilIdle() {
    std::size_t ran = 0;
    for (;;) {
        std::unique_lock lock(m_lock);
        if (m_tasks.empty())
            return ran;
        std::function<void()> task = take(lock);
        detail::runTask(task, "a queue");
        ++ran;
    }
}

bool Queue::runOne(std::chrono::milliseconds wait) {
    std::unique_lock lock(m_lock);
    if (!m_arrived.wait_for(lock, wait, [this] { return !m_tasks.empty(); }))
        return false;
    std::function<void()> task = take(lock);
    detail::runTask(task, "a queue");
    return true;
}

bool Queue::empty() const {
    std::lock_guard guard(m_lock);
    return m_tasks.empty();
}

Queue& main() {
    static auto* queue = new Queue; // never destroyed: workers may post to it during exit
    return *queue;
}

namespace {
std::atomic<pid_t> g_markedMain{0};
} // namespace

bool isMainThread() {
    pid_t marked = g_markedMain.load(std::memory_order_acquire);
    return gettid() == (marked != 0 ? marked : getpid());
}

void setMainThread() {
    g_markedMain.store(gettid(), std::memory_order_release);
}

} // namespace dispatch
