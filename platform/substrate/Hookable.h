// How a platform function makes itself hookable.
//
// The public entry point does no work of its own: it jumps through a slot, an atomic pointer
// that starts out at the original implementation. MSHookFunction swaps the slot. Nothing is
// patched in memory, which keeps this portable and sanitizer-clean, and every call of the
// entry, from any code and through any reference (a function pointer taken before the hook
// included), lands in whatever the slot holds at that moment.
//
// A stand-in declares its entry in its header and writes, in its source file:
//
//   namespace { void playSystemSound(SystemSoundID id) { ...the real work... } }
//   SUBSTRATE_HOOKABLE(g_playSlot, AudioServicesPlaySystemSound, playSystemSound);
//   void AudioServicesPlaySystemSound(SystemSoundID id) { substrate::call(g_playSlot, id); }
#pragma once

#include <atomic>
#include <utility>

namespace substrate {

// Makes `entry` hookable through `slot`. Registering the same entry again with another slot
// moves it there (and says so in the log).
void registerHookable(void* entry, std::atomic<void*>* slot);
// The slot registered for an entry, or null.
std::atomic<void*>* hookableSlot(const void* entry);

template <typename Fn>
class Slot;

template <typename R, typename... Args>
class Slot<R(Args...)> {
public:
    using Function = R (*)(Args...);

    // Constant-initialised, so a call that arrives before the library's static initialisers
    // have run still reaches the original implementation.
    constexpr Slot(Function entry, Function original) noexcept
        : m_entry(entry), m_original(original) {}
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

    // Points the slot at the original and registers the entry. Returns true, for the macro.
    bool registerEntry() {
        void* expected = nullptr;
        m_target.compare_exchange_strong(expected, reinterpret_cast<void*>(m_original),
                                         std::memory_order_acq_rel);
        registerHookable(reinterpret_cast<void*>(m_entry), &m_target);
        return true;
    }

    template <typename... Actual>
    R operator()(Actual&&... args) const {
        void* target = m_target.load(std::memory_order_acquire);
        Function fn = target ? reinterpret_cast<Function>(target) : m_original;
        return fn(std::forward<Actual>(args)...);
    }

private:
    Function m_entry;
    Function m_original;
    std::atomic<void*> m_target{nullptr};
};

// Calls whatever the slot holds: the original, or the latest replacement.
template <typename Fn, typename... Actual>
decltype(auto) call(const Slot<Fn>& slot, Actual&&... args) {
    return slot(std::forward<Actual>(args)...);
}

} // namespace substrate

// Defines `slot` for `entry` with the original implementation `original`, and registers it
// when the library is loaded. Use at namespace scope in the entry's source file.
// `slot` names the variable being declared, so it cannot take parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define SUBSTRATE_HOOKABLE(slot, entry, original)                                                  \
    static constinit ::substrate::Slot<decltype(original)> slot{&(entry), &(original)};            \
    [[maybe_unused]] static const bool slot##Registered = slot.registerEntry()
// NOLINTEND(bugprone-macro-parentheses)
