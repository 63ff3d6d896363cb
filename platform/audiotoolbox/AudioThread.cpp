// Holds the audio thread's queue together with the current output and clock: every play is
// stamped with both under the queue's lock, so plays reach each output in the order of their
// times, and a play asked for before setOutput still goes to the output it was asked of.
#include "audiotoolbox/AudioThread.h"

#include "audiotoolbox/Clock.h"
#include "audiotoolbox/Output.h"
#include "device/Events.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace audio {

namespace {

struct Pending {
    Play play;
    std::shared_ptr<Output> output;
};

struct State {
    std::mutex lock;
    std::condition_variable wake;     // the audio thread waits here for plays
    std::condition_variable progress; // waitForPendingPlays waits here
    std::deque<Pending> pending;
    std::shared_ptr<Output> output = std::make_shared<SilentOutput>();
    std::shared_ptr<Clock> clock = std::make_shared<SteadyClock>();
    std::chrono::nanoseconds latest = std::chrono::nanoseconds::min();
    std::uint64_t posted = 0;
    std::uint64_t settled = 0; // delivered or dropped
    std::uint64_t dropped = 0;
    bool threadWaiting = false;
    bool started = false;
    bool stopping = false;
    std::thread thread;
};

// Never destroyed: the audio thread may be running while the process's statics go away.
// A forked child starts afresh, without the parent's thread.
std::atomic<State*> g_state{nullptr};

State& state() {
    State* s = g_state.load(std::memory_order_acquire);
    if (s)
        return *s;
    auto* fresh = new State;
    if (g_state.compare_exchange_strong(s, fresh, std::memory_order_acq_rel))
        return *fresh;
    delete fresh;
    return *s;
}

void run(State& s) {
    std::unique_lock guard(s.lock);
    for (;;) {
        s.threadWaiting = true;
        s.wake.wait(guard, [&] { return !s.pending.empty() || s.stopping; });
        s.threadWaiting = false;
        if (s.pending.empty())
            return;
        Pending next = std::move(s.pending.front());
        s.pending.pop_front();
        guard.unlock();
        const Sound& sound = *next.play.sound;
        try {
            device::emit("sound", {{"id", sound.id}, {"file", sound.file}});
            next.output->play(next.play);
        } catch (...) {
            // A failing output or event sink loses this one sound, never the host process.
        }
        next = {};
        guard.lock();
        ++s.settled;
        s.progress.notify_all();
    }
}

// At exit: deliver what is queued, stop the thread and let the output write what it holds.
void stopAtExit() {
    State* s = g_state.load(std::memory_order_acquire);
    if (!s)
        return;
    std::shared_ptr<Output> output;
    {
        std::lock_guard guard(s->lock);
        if (!s->started || s->stopping)
            return;
        s->stopping = true;
        output = s->output;
    }
    s->wake.notify_all();
    if (s->thread.joinable() && s->thread.get_id() != std::this_thread::get_id())
        s->thread.join();
    output->finish();
}

void forgetInChild() {
    g_state.store(nullptr, std::memory_order_release);
}

void startThread(State& s) {
    s.started = true;
    s.thread = std::thread(run, std::ref(s));
    static const bool hooksInstalled = [] {
        std::atexit(stopAtExit);
        pthread_atfork(nullptr, nullptr, forgetInChild);
        return true;
    }();
    (void)hooksInstalled;
}

} // namespace

namespace detail {

void post(std::shared_ptr<const Sound> sound) {
    State& s = state();
    bool wake = false;
    {
        std::lock_guard guard(s.lock);
        if (s.stopping)
            return;
        if (!s.started)
            startThread(s);
        // Time never runs back in the queue, whatever clock is installed.
        s.latest = std::max(s.latest, s.clock->now());
        if (s.pending.size() >= kMaxPendingPlays) {
            s.pending.pop_front();
            ++s.settled;
            ++s.dropped;
            s.progress.notify_all();
        }
        wake = s.pending.empty() && s.threadWaiting;
        s.pending.push_back({Play{std::move(sound), s.latest}, s.output});
        ++s.posted;
    }
    if (wake)
        s.wake.notify_one();
}

} // namespace detail

void setOutput(std::shared_ptr<Output> output) {
    if (!output)
        output = std::make_shared<SilentOutput>();
    State& s = state();
    std::lock_guard guard(s.lock);
    std::swap(s.output, output);
    // The old output is released after the lock, once its queued plays are through.
}

std::shared_ptr<Output> output() {
    State& s = state();
    std::lock_guard guard(s.lock);
    return s.output;
}

void setClock(std::shared_ptr<Clock> clock) {
    if (!clock)
        clock = std::make_shared<SteadyClock>();
    State& s = state();
    std::lock_guard guard(s.lock);
    std::swap(s.clock, clock);
    // A new clock may start anywhere; the queue's time starts over with it.
    s.latest = std::chrono::nanoseconds::min();
}

std::shared_ptr<Clock> clock() {
    State& s = state();
    std::lock_guard guard(s.lock);
    return s.clock;
}

std::uint64_t droppedPlays() {
    State& s = state();
    std::lock_guard guard(s.lock);
    return s.dropped;
}

void waitForPendingPlays() {
    State& s = state();
    std::unique_lock guard(s.lock);
    if (s.started && s.thread.get_id() == std::this_thread::get_id())
        return; // an output waiting for itself would never return
    const std::uint64_t target = s.posted;
    s.progress.wait(guard, [&] { return s.settled >= target; });
}

} // namespace audio
