// The background pool behind dispatch::global: a few detached worker threads over one FIFO.
//
// The pool is never destroyed, so a worker never touches freed state. At exit a guard stops
// the workers: queued tasks are dropped, and exit waits a moment for running ones to end, so
// that they do not run on while the process tears its statics down.
#include "dispatch/Queue.h"
#include "dispatch/Task.h"
#include "foundation/Log.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace dispatch {

namespace {

constexpr unsigned kMaxWorkers = 4;
constexpr auto kExitGrace = std::chrono::seconds(2);

class Pool {
public:
    void post(std::function<void()> task) {
        std::unique_lock lock(m_lock);
        if (m_stopping)
            return; // the process is exiting; the task is dropped outside the lock
        m_tasks.push_back(std::move(task));
        if (m_tasks.size() > m_idleWorkers && m_workers < workerLimit())
            startWorker();
        lock.unlock();
        m_changed.notify_all();
    }

    bool waitUntilIdle(std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, timeout,
                                  [this] { return m_tasks.empty() && m_running == 0; });
    }

    std::size_t pending() const {
        std::lock_guard guard(m_lock);
        return m_tasks.size() + m_running;
    }

    void stop() {
        std::deque<std::function<void()>> dropped;
        std::unique_lock lock(m_lock);
        m_stopping = true;
        dropped.swap(m_tasks);
        m_changed.notify_all();
        m_changed.wait_for(lock, kExitGrace, [this] { return m_running == 0; });
        lock.unlock();
        // `dropped` is destroyed here, outside the lock: releasing a captured object may post.
    }

private:
    static unsigned workerLimit() {
        return std::clamp(std::thread::hardware_concurrency(), 2U, kMaxWorkers);
    }

    void startWorker() {
        try {
            std::thread([this] { work(); }).detach();
            ++m_workers;
        } catch (const std::system_error& e) {
            // With no worker at all the task would wait forever; say so once.
            if (m_workers == 0)
                CFLog(3, "dispatch: could not start a worker thread: %s", e.what());
        }
    }

    void work() {
        std::unique_lock lock(m_lock);
        for (;;) {
            ++m_idleWorkers;
            m_changed.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
            --m_idleWorkers;
            if (m_stopping)
                break;
            std::function<void()> task = std::move(m_tasks.front());
            m_tasks.pop_front();
            ++m_running;
            lock.unlock();
            detail::runTask(task, "a worker thread");
            task = nullptr; // release what the task captured before counting it done
            lock.lock();
            --m_running;
            m_changed.notify_all();
        }
        --m_workers;
    }

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_tasks;
    unsigned m_workers = 0;
    unsigned m_idleWorkers = 0;
    std::size_t m_running = 0;
    bool m_stopping = false;
};

Pool& pool() {
    static auto* instance = new Pool; // outlives every worker
    // Constructed after the pool, so destroyed at exit while the pool is still there.
    static struct ExitGuard {
        ~ExitGuard() { instance->stop(); }
    } guard;
    return *instance;
}

} // namespace

void global(std::function<void()> task) {
    if (!task) {
        CFLog(4, "dispatch: an empty task was not queued");
        return;
    }
    pool().post(std::move(task));
}

bool waitUntilIdle(std::chrono::milliseconds timeout) {
    return pool().waitUntilIdle(timeout);
}

std::size_t backgroundPending() {
    return pool().pending();
}

} // namespace dispatch
