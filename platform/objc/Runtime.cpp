#include "objc/Runtime.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace objc {

SEL sel_registerName(const char* name) {
    if (!name)
        return nullptr;
    static std::mutex lock;
    static auto* names = new std::unordered_set<std::string>; // lives as long as the process
    std::lock_guard guard(lock);
    return names->emplace(name).first->c_str();
}

Class::Class(Class* super, std::string name)
    : Object(nullptr), m_super(super), m_name(std::move(name)) {
    // The root metaclass inherits from the root class, so class objects answer the root
    // class's instance methods too.
    m_meta = new Class(super ? super->m_meta : this, m_name, nullptr);
    setIsa(m_meta);
}

Class::Class(Class* super, std::string name, std::nullptr_t)
    : Object(nullptr), m_super(super), m_name(std::move(name)) {}

IMP Class::addMethod(SEL sel, IMP imp) {
    std::unique_lock guard(m_lock);
    auto [it, inserted] = m_methods.try_emplace(sel, imp);
    return inserted ? nullptr : it->second.exchange(imp, std::memory_order_acq_rel);
}

IMP Class::replaceMethod(SEL sel, IMP imp) {
    std::shared_lock guard(m_lock);
    auto it = m_methods.find(sel);
    return it == m_methods.end() ? nullptr : it->second.exchange(imp, std::memory_order_acq_rel);
}

IMP Class::lookup(SEL sel) const {
    for (const Class* cls = this; cls; cls = cls->m_super) {
        std::shared_lock guard(cls->m_lock);
        auto it = cls->m_methods.find(sel);
        if (it != cls->m_methods.end())
            return it->second.load(std::memory_order_acquire);
    }
    return nullptr;
}

bool Class::definesMethod(SEL sel) const {
    std::shared_lock guard(m_lock);
    return m_methods.count(sel) != 0;
}

bool Class::instancesRespondToSelector(const char* selector) const {
    return selector && lookup(sel_registerName(selector)) != nullptr;
}

bool Class::isSubclassOf(const Class* other) const {
    for (const Class* cls = this; cls; cls = cls->m_super)
        if (cls == other)
            return true;
    return false;
}

namespace {

struct Registry {
    std::mutex lock;
    std::unordered_map<std::string, Class*> classes;
    // Unregistered classes are kept, never freed: their instances may still point to them.
    std::vector<Class*> retired;
};

Registry& registry() {
    static auto* instance = new Registry; // classes outlive every object
    return *instance;
}

} // namespace

Class* objc_allocateClassPair(Class* super, const char* name) {
    return new Class(super, name);
}

void objc_registerClassPair(Class* cls) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    r.classes[cls->name()] = cls;
}

Class* objc_getClass(const char* name) {
    if (!name)
        return nullptr;
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto it = r.classes.find(name);
    return it == r.classes.end() ? nullptr : it->second;
}

Class* objc_lookUpOrRegisterClass(const char* name, Class* super) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    Class*& slot = r.classes[name];
    if (!slot)
        slot = new Class(super, name);
    return slot;
}

void objc_unregisterClass(Class* cls) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto it = r.classes.find(cls->name());
    if (it != r.classes.end() && it->second == cls) {
        r.classes.erase(it);
        r.retired.push_back(cls);
    }
}

std::string unrecognizedSelectorMessage(const Object* receiver, const char* selector) {
    auto* cls = dynamic_cast<const Class*>(receiver);
    std::string name = receiver->isa() ? receiver->isa()->name() : std::string("?");
    return std::string(cls ? "+[" : "-[") + name + " " + (selector ? selector : "(null)") +
           "]: unrecognized selector";
}

Class* NSObjectClass() {
    static Class* cls = objc_lookUpOrRegisterClass("NSObject", nullptr);
    return cls;
}

// Associated objects ---------------------------------------------------------------------

struct Association {
    AssociationPolicy policy = OBJC_ASSOCIATION_ASSIGN;
    RefPtr<Object> strong;
    WeakPtr<Object> weak;
};

struct AssociationMap {
    std::mutex lock;
    std::unordered_map<const void*, Association> entries;

    static AssociationMap* of(const Object* object, bool create) {
        AssociationMap* map = object->m_associations.load(std::memory_order_acquire);
        if (map || !create)
            return map;
        auto* fresh = new AssociationMap;
        if (object->m_associations.compare_exchange_strong(map, fresh, std::memory_order_acq_rel))
            return fresh;
        delete fresh;
        return map;
    }
    static AssociationMap* take(const Object* object) {
        return object->m_associations.exchange(nullptr, std::memory_order_acq_rel);
    }
};

void objc_setAssociatedObject(const Object* object, const void* key, Object* value,
                              AssociationPolicy policy) {
    if (!object)
        return;
    Association entry;
    entry.policy = policy;
    if (value) {
        switch (policy) {
        case OBJC_ASSOCIATION_ASSIGN:
            entry.weak = WeakPtr<Object>(value);
            break;
        case OBJC_ASSOCIATION_COPY:
        case OBJC_ASSOCIATION_COPY_NONATOMIC:
            entry.strong = value->copy();
            break;
        default:
            entry.strong = value;
            break;
        }
    }
    AssociationMap* map = AssociationMap::of(object, value != nullptr);
    if (!map)
        return;
    Association old;
    {
        std::lock_guard guard(map->lock);
        auto& slot = map->entries[key];
        old = std::move(slot);
        if (value)
            slot = std::move(entry);
        else
            map->entries.erase(key);
    }
    // `old` is released here, outside the lock: its destructor may reach this object again.
}

RefPtr<Object> objc_getAssociatedObject(const Object* object, const void* key) {
    if (!object)
        return nullptr;
    AssociationMap* map = AssociationMap::of(object, false);
    if (!map)
        return nullptr;
    std::lock_guard guard(map->lock);
    auto it = map->entries.find(key);
    if (it == map->entries.end())
        return nullptr;
    return it->second.policy == OBJC_ASSOCIATION_ASSIGN ? it->second.weak.get() : it->second.strong;
}

void objc_removeAssociatedObjects(const Object* object) {
    if (!object)
        return;
    std::unique_ptr<AssociationMap> map(AssociationMap::take(object));
    if (!map)
        return;
    std::unordered_map<const void*, Association> entries;
    {
        std::lock_guard guard(map->lock);
        entries.swap(map->entries);
    }
}

// @synchronized ----------------------------------------------------------------------------

// A recursive lock that knows its owner, so that an exit by a thread that does not hold it
// is refused instead of corrupting the lock. Created on first use, freed with the object.
struct SyncLock {
    std::mutex lock;
    std::condition_variable released;
    std::thread::id owner;
    unsigned depth = 0;

    static SyncLock& of(const Object* object) {
        SyncLock* existing = object->m_sync.load(std::memory_order_acquire);
        if (existing)
            return *existing;
        auto* fresh = new SyncLock;
        if (object->m_sync.compare_exchange_strong(existing, fresh, std::memory_order_acq_rel))
            return *fresh;
        delete fresh;
        return *existing;
    }
};

void destroySyncLock(SyncLock* lock) {
    delete lock;
}

int objc_sync_enter(const Object* object) {
    if (!object)
        return OBJC_SYNC_SUCCESS;
    SyncLock& sync = SyncLock::of(object);
    std::unique_lock guard(sync.lock);
    auto self = std::this_thread::get_id();
    if (sync.depth == 0 || sync.owner != self) {
        sync.released.wait(guard, [&] { return sync.depth == 0; });
        sync.owner = self;
    }
    ++sync.depth;
    return OBJC_SYNC_SUCCESS;
}

int objc_sync_exit(const Object* object) {
    if (!object)
        return OBJC_SYNC_SUCCESS;
    SyncLock& sync = SyncLock::of(object);
    std::lock_guard guard(sync.lock);
    if (sync.depth == 0 || sync.owner != std::this_thread::get_id())
        return OBJC_SYNC_NOT_OWNING_THREAD_ERROR;
    if (--sync.depth == 0) {
        sync.owner = {};
        sync.released.notify_one();
    }
    return OBJC_SYNC_SUCCESS;
}

} // namespace objc
