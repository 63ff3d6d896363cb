// The audio thread and the way plays reach it. A caller takes no lock: it reads the output and
// the clock from a ReadMostly, puts the play in a bounded lock-free queue and wakes the thread
// with a futex only when the thread sleeps.
#include "audiotoolbox/AudioThread.h"

#include "audiotoolbox/Clock.h"
#include "audiotoolbox/Output.h"
#include "audiotoolbox/ReadMostly.h"
#include "device/Events.h"
#include "foundation/Log.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <linux/futex.h>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace audio {

namespace {

struct Pending {
    Play play;
    std::shared_ptr<Output> output;
    std::uint64_t clockGeneration = 0;
};

// Where plays go and how they are stamped; replaced whole by setOutput and setClock.
struct Config {
    std::shared_ptr<Output> output = std::make_shared<SilentOutput>();
    std::shared_ptr<Clock> clock = std::make_shared<SteadyClock>();
    std::uint64_t clockGeneration = 0;
};

// A bounded queue for many producers and consumers (Dmitry Vyukov's): each cell's sequence
// number says whether it is free for the push of its round or full for the pop of it. Callers
// also pop, to drop the oldest play when the queue is full.
class PlayQueue {
public:
    PlayQueue() {
        for (std::size_t i = 0; i < kSize; ++i)
            m_cells[i].sequence.store(i, std::memory_order_relaxed);
    }

    bool push(Pending& value) {
        std::size_t pos = m_tail.load(std::memory_order_relaxed);
        for (;;) {
            Cell& cell = m_cells[pos % kSize];
            std::size_t seq = cell.sequence.load(std::memory_order_acquire);
            auto diff = static_cast<std::ptrdiff_t>(seq) - static_cast<std::ptrdiff_t>(pos);
            if (diff == 0) {
                if (m_tail.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) {
                    cell.value = std::move(value);
                    // seq_cst: ordered against the sleeper flag (see wakeIfAsleep).
                    cell.sequence.store(pos + 1, std::memory_order_seq_cst);
                    return true;
                }
            } else if (diff < 0) {
                return false; // full
            } else {
                pos = m_tail.load(std::memory_order_relaxed);
            }
        }
    }

    bool pop(Pending& out) {
        std::size_t pos = m_head.load(std::memory_order_relaxed);
        for (;;) {
            Cell& cell = m_cells[pos % kSize];
            std::size_t seq = cell.sequence.load(std::memory_order_seq_cst);
            auto diff = static_cast<std::ptrdiff_t>(seq) - static_cast<std::ptrdiff_t>(pos + 1);
            if (diff == 0) {
                if (m_head.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) {
                    out = std::move(cell.value);
                    cell.value = {};
                    cell.sequence.store(pos + kSize, std::memory_order_release);
                    return true;
                }
            } else if (diff < 0) {
                return false; // empty
            } else {
                pos = m_head.load(std::memory_order_relaxed);
            }
        }
    }

private:
    static constexpr std::size_t kSize = kMaxPendingPlays;
    static_assert((kSize & (kSize - 1)) == 0);
    struct Cell {
        std::atomic<std::size_t> sequence;
        Pending value;
    };
    std::array<Cell, kSize> m_cells;
    alignas(64) std::atomic<std::size_t> m_tail{0};
    alignas(64) std::atomic<std::size_t> m_head{0};
};

struct State {
    detail::ReadMostly<Config> config{Config{}};
    PlayQueue queue;
    std::atomic<std::uint32_t> asleep{0}; // the futex word: 1 while the thread waits on it
    std::atomic<std::uint64_t> posted{0};
    std::atomic<std::uint64_t> settled{0}; // delivered or dropped
    std::atomic<std::uint64_t> dropped{0};
    std::atomic<bool> started{false};
    std::atomic<bool> stopping{false};
    // Only for starting, and for waitForPendingPlays; never on a caller's path once started.
    std::mutex lock;
    std::condition_variable progress;
    std::atomic<int> waiters{0};
    std::thread thread;
};

// Never destroyed: the audio thread may be running while the process's statics go away.
// A forked child starts afresh, without the parent's thread.
std::atomic<State*> g_state{nullptr};
thread_local bool t_onAudioThread = false;

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

long futex(std::atomic<std::uint32_t>& word, int op, std::uint32_t value) {
    return syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), op | FUTEX_PRIVATE_FLAG,
                   value, nullptr, nullptr, 0);
}

void wakeIfAsleep(State& s) {
    // Either the thread sees the pushed cell before it sleeps, or this sees it asleep.
    if (s.asleep.load(std::memory_order_seq_cst) == 1 && s.asleep.exchange(0) == 1)
        futex(s.asleep, FUTEX_WAKE, 1);
}

// Real-time scheduling where the process may have it, else a raised priority, else as it is,
// said once in the system log (the library's own log carries only its start-up line).
void raisePriority() {
    sched_param param{};
    param.sched_priority = std::max(sched_get_priority_min(SCHED_FIFO), 10);
    const int realTime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    if (realTime == 0)
        return;
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10) == 0)
        return;
    static std::once_flag said;
    std::call_once(said, [&] {
        NS::logToSystem(4, std::string("audio: the audio thread runs at normal priority (") +
                               std::strerror(realTime) + ")");
    });
}

void deliver(Pending& next) {
    const Sound& sound = *next.play.sound;
    try {
        device::emit("sound", {{"id", sound.id}, {"file", sound.file}});
        next.output->play(next.play);
    } catch (...) {
        // A failing output or event sink loses this one sound, never the host process.
    }
}

void settle(State& s, std::uint64_t count) {
    s.settled.fetch_add(count, std::memory_order_seq_cst);
    if (s.waiters.load(std::memory_order_seq_cst) > 0) {
        std::lock_guard guard(s.lock);
        s.progress.notify_all();
    }
}

// Keys come in bursts. For a moment after its last play the thread looks for more now and
// then, awake, so that a typist's next calls need not wake it: at a raised priority a woken
// thread takes the caller's processor at once, in the middle of the call.
bool linger(State& s, Pending& next) {
    for (int i = 0; i < 20 && !s.stopping.load(std::memory_order_relaxed); ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
        if (s.queue.pop(next))
            return true;
    }
    return false;
}

void run(State& s) {
    t_onAudioThread = true;
    raisePriority();
    std::uint64_t generation = 0;
    std::chrono::nanoseconds latest = std::chrono::nanoseconds::min();
    for (;;) {
        Pending next;
        if (!s.queue.pop(next) && !linger(s, next)) {
            if (s.stopping.load(std::memory_order_acquire))
                return;
            s.asleep.store(1, std::memory_order_seq_cst);
            if (!s.queue.pop(next) && !s.stopping.load(std::memory_order_seq_cst)) {
                futex(s.asleep, FUTEX_WAIT, 1);
                s.asleep.store(0, std::memory_order_relaxed);
                continue;
            }
            s.asleep.store(0, std::memory_order_relaxed);
            if (!next.play.sound)
                continue;
        }
        // Callers stamp and queue in two steps, so two racing plays may queue out of time
        // order; time never runs back at the output. A new clock starts time over.
        if (next.clockGeneration != generation)
            latest = std::chrono::nanoseconds::min();
        generation = next.clockGeneration;
        latest = next.play.at = std::max(latest, next.play.at);
        deliver(next);
        next = {};
        settle(s, 1);
    }
}

// At exit: deliver what is queued, stop the thread and let the output write what it holds.
void stopAtExit() {
    State* s = g_state.load(std::memory_order_acquire);
    if (!s || !s->started.load() || s->stopping.exchange(true))
        return;
    s->asleep.store(0);
    futex(s->asleep, FUTEX_WAKE, 1);
    if (s->thread.joinable() && !t_onAudioThread)
        s->thread.join();
    s->config.read([](const Config& c) { return c.output; })->finish();
}

void forgetInChild() {
    g_state.store(nullptr, std::memory_order_release);
}

void start(State& s) {
    std::lock_guard guard(s.lock);
    if (s.started.load(std::memory_order_relaxed))
        return;
    s.thread = std::thread(run, std::ref(s));
    static const bool hooksInstalled = [] {
        std::atexit(stopAtExit);
        pthread_atfork(nullptr, nullptr, forgetInChild);
        return true;
    }();
    (void)hooksInstalled;
    s.started.store(true, std::memory_order_release);
}

} // namespace

namespace detail {

void post(std::shared_ptr<const Sound> sound) {
    State& s = state();
    if (s.stopping.load(std::memory_order_acquire))
        return;
    if (!s.started.load(std::memory_order_acquire))
        start(s);
    Pending pending = s.config.read([&](const Config& c) {
        return Pending{Play{std::move(sound), c.clock->now()}, c.output, c.clockGeneration};
    });
    s.posted.fetch_add(1, std::memory_order_seq_cst);
    while (!s.queue.push(pending)) {
        Pending oldest; // the thread has fallen behind: the oldest waiting play gives way
        if (s.queue.pop(oldest)) {
            s.dropped.fetch_add(1, std::memory_order_relaxed);
            s.settled.fetch_add(1, std::memory_order_seq_cst);
        }
    }
    wakeIfAsleep(s);
}

} // namespace detail

void setOutput(std::shared_ptr<Output> output) {
    if (!output)
        output = std::make_shared<SilentOutput>();
    // The old output is released once its queued plays are through.
    state().config.update([&](Config& c) { c.output = std::move(output); });
}

std::shared_ptr<Output> output() {
    return state().config.read([](const Config& c) { return c.output; });
}

void setClock(std::shared_ptr<Clock> clock) {
    if (!clock)
        clock = std::make_shared<SteadyClock>();
    state().config.update([&](Config& c) {
        c.clock = std::move(clock);
        ++c.clockGeneration;
    });
}

std::shared_ptr<Clock> clock() {
    return state().config.read([](const Config& c) { return c.clock; });
}

std::uint64_t droppedPlays() {
    return state().dropped.load(std::memory_order_acquire);
}

void waitForPendingPlays() {
    if (t_onAudioThread)
        return; // an output waiting for itself would never return
    State& s = state();
    const std::uint64_t target = s.posted.load(std::memory_order_seq_cst);
    s.waiters.fetch_add(1, std::memory_order_seq_cst);
    {
        std::unique_lock guard(s.lock);
        s.progress.wait(guard, [&] { return s.settled.load(std::memory_order_seq_cst) >= target; });
    }
    s.waiters.fetch_sub(1, std::memory_order_seq_cst);
}

} // namespace audio
