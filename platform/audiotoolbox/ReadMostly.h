// A value read on every play and changed rarely (the sound registry, the output and clock).
// Readers take no lock: they count themselves in one of two epochs. A writer publishes a new
// copy, turns the epoch over and frees the old copy once the readers of the old epoch are out.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>

namespace audio::detail {

template <class T>
class ReadMostly {
public:
    explicit ReadMostly(T initial) : m_current(new T(std::move(initial))) {}
    ~ReadMostly() { delete m_current.load(); }
    ReadMostly(const ReadMostly&) = delete;
    ReadMostly& operator=(const ReadMostly&) = delete;

    // Calls read(value) and returns what it returns; the value stays alive meanwhile.
    template <class Read>
    auto read(Read&& read) const {
        const Epoch epoch(*this);
        return read(static_cast<const T&>(*m_current.load(std::memory_order_seq_cst)));
    }

    // Calls change(copy) on a copy of the value and publishes it; writers go one at a time.
    // Returns what change returns.
    template <class Change>
    auto update(Change&& change) {
        std::lock_guard guard(m_writer);
        std::unique_ptr<T> next(new T(*m_current.load(std::memory_order_relaxed)));
        if constexpr (std::is_void_v<decltype(change(*next))>) {
            change(*next);
            publish(std::move(next));
        } else {
            auto result = change(*next);
            publish(std::move(next));
            return result;
        }
    }

private:
    class Epoch {
    public:
        explicit Epoch(const ReadMostly& owner) : m_owner(owner) {
            for (;;) {
                std::uint64_t epoch = owner.m_epoch.load(std::memory_order_seq_cst);
                m_slot = epoch & 1;
                owner.m_readers[m_slot].fetch_add(1, std::memory_order_seq_cst);
                if (owner.m_epoch.load(std::memory_order_seq_cst) == epoch)
                    return;
                owner.m_readers[m_slot].fetch_sub(1, std::memory_order_release);
            }
        }
        ~Epoch() { m_owner.m_readers[m_slot].fetch_sub(1, std::memory_order_release); }

    private:
        const ReadMostly& m_owner;
        std::size_t m_slot = 0;
    };

    void publish(std::unique_ptr<T> next) {
        std::unique_ptr<T> old(m_current.exchange(next.release(), std::memory_order_seq_cst));
        waitForReaders();
    }

    void waitForReaders() {
        std::uint64_t epoch = m_epoch.fetch_add(1, std::memory_order_seq_cst);
        while (m_readers[epoch & 1].load(std::memory_order_seq_cst) != 0)
            std::this_thread::yield();
    }

    std::atomic<T*> m_current;
    std::mutex m_writer;
    mutable std::atomic<std::uint64_t> m_epoch{0};
    mutable std::atomic<std::int64_t> m_readers[2]{};
};

} // namespace audio::detail
