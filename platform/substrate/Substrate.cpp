#include "substrate/Substrate.h"

#include "foundation/Log.h"
#include "substrate/Hookable.h"

#include <cstdio>
#include <dlfcn.h>
#include <mutex>
#include <string>
#include <unordered_map>

namespace substrate {

namespace {

struct Registry {
    std::mutex lock;
    std::unordered_map<const void*, std::atomic<void*>*> slots;
};

Registry& registry() {
    static auto* instance = new Registry; // entries register from static initialisers
    return *instance;
}

// Hooks are installed one at a time, so that reading the previous entry, handing it to the
// caller and swapping in the replacement is one step to any other hooker.
std::mutex& hookLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

} // namespace

void registerHookable(void* entry, std::atomic<void*>* slot) {
    if (!entry || !slot) {
        CFLog(3, "MS:Error: registerHookable: a null entry or slot was not registered");
        return;
    }
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    std::atomic<void*>*& current = r.slots[entry];
    if (current && current != slot)
        CFLog(4, "MS:Warning: registerHookable: an entry was registered again with a new slot");
    current = slot;
}

std::atomic<void*>* hookableSlot(const void* entry) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto it = r.slots.find(entry);
    return it == r.slots.end() ? nullptr : it->second;
}

} // namespace substrate

namespace {

// "AudioServicesPlaySystemSound (0x7f…)", or just the address when it names no symbol.
std::string describeAddress(const void* address) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%p", address);
    Dl_info info{};
    if (dladdr(address, &info) && info.dli_sname && info.dli_saddr == address)
        return std::string(info.dli_sname) + " (" + buffer + ")";
    return buffer;
}

} // namespace

void MSHookFunction(void* symbol, void* replace, void** result) {
    if (!symbol) {
        CFLog(3, "MS:Error: MSHookFunction: cannot hook a null symbol");
        return;
    }
    // Named only for an error: dladdr walks every loaded object's symbols, on every load.
    auto name = [symbol] { return describeAddress(symbol); };
    if (!replace) {
        CFLog(3, "MS:Error: MSHookFunction: cannot hook %s with a null replacement",
              name().c_str());
        return;
    }
    std::atomic<void*>* slot = substrate::hookableSlot(symbol);
    if (!slot) {
        CFLog(3, "MS:Error: MSHookFunction: %s is not a hookable entry; not hooked",
              name().c_str());
        return;
    }
    std::lock_guard guard(substrate::hookLock());
    void* previous = slot->load(std::memory_order_acquire);
    if (replace == symbol || replace == previous) {
        // Either would make the saved entry call itself for ever.
        CFLog(3, "MS:Error: MSHookFunction: %s already enters that replacement; not hooked",
              name().c_str());
        return;
    }
    if (result)
        *result = previous;
    slot->store(replace, std::memory_order_release);
}

void MSHookMessageEx(objc::Class* cls, objc::SEL selector, objc::IMP replace, objc::IMP* result) {
    if (!cls) {
        CFLog(3, "MS:Error: MSHookMessageEx: cannot hook %s of a nil class",
              selector ? selector : "(null)");
        return;
    }
    if (!selector) {
        CFLog(3, "MS:Error: MSHookMessageEx: cannot hook a null selector of %s",
              cls->name().c_str());
        return;
    }
    if (!replace) {
        CFLog(3, "MS:Error: MSHookMessageEx: cannot hook -[%s %s] with a null replacement",
              cls->name().c_str(), selector);
        return;
    }
    objc::SEL sel =
        objc::sel_registerName(selector); // method tables are keyed by the interned name
    std::lock_guard guard(substrate::hookLock());
    objc::IMP previous = cls->lookup(sel);
    if (!previous) {
        CFLog(3, "MS:Error: MSHookMessageEx: message not found [%s %s]", cls->name().c_str(),
              selector);
        return;
    }
    if (previous == replace) {
        CFLog(3, "MS:Error: MSHookMessageEx: -[%s %s] already enters that replacement",
              cls->name().c_str(), selector);
        return;
    }
    if (result)
        *result = previous;
    // An inherited method gets an override on this class; the superclass keeps its own.
    if (cls->definesMethod(sel))
        cls->replaceMethod(sel, replace);
    else
        cls->addMethod(sel, replace);
}
