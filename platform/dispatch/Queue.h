// Dispatch: the main queue, drained by the host's run loop, and a small pool of platform
// worker threads for background work (the account store's callback, HTTP completions).
//
// A task that throws is reported with CFLog and dropped; it never takes the host down.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace dispatch {

// A serial FIFO queue that runs its tasks on whichever thread drains it.
class Queue {
public:
    Queue() = default;
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    // Queues the task behind every task already queued. Never runs it inline, so a task may
    // queue more work, and a caller holding a lock never re-enters itself.
    void async(std::function<void()> task);
    // Drains on the calling thread, including tasks queued while draining; returns how many ran.
    std::size_t runUntilIdle();
    // Runs one task, waiting up to `wait` for one to arrive; false when none came.
    bool runOne(std::chrono::milliseconds wait);
    bool empty() const;

private:
    std::function<void()> take(std::unique_lock<std::mutex>& lock);

    mutable std::mutex m_lock;
    std::condition_variable m_arrived;
    std::deque<std::function<void()>> m_tasks;
};

// The main queue. It lives for the whole process, so workers may still post to it at exit.
Queue& main();

// The thread marked with setMainThread(), or, until one is marked, the process's initial
// thread (the one whose thread id is the process id).
bool isMainThread();
void setMainThread();

// Runs the task on a worker thread of the platform, never on the main thread. Workers are
// started on first use and do not keep the process from exiting.
void global(std::function<void()> task);
// For hosts and tests: true once no background task is queued or running, false when the
// timeout passed first. It does not drain the main queue; callers do that themselves.
bool waitUntilIdle(std::chrono::milliseconds timeout);
// Background tasks queued or running.
std::size_t backgroundPending();

} // namespace dispatch
