#include "objc/Runtime.h"

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace objc {

SEL sel_registerName(const char* name) {
    static std::mutex lock;
    static auto* names = new std::unordered_set<std::string>; // lives as long as the process
    std::lock_guard guard(lock);
    return names->emplace(name).first->c_str();
}

Class::Class(Class* super, std::string name) : Object(nullptr), m_super(super), m_name(std::move(name)) {}

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
};

Registry& registry() {
    static auto* instance = new Registry; // classes outlive every object
    return *instance;
}

} // namespace

Class* objc_allocateClassPair(Class* super, const char* name) { return new Class(super, name); }

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
    if (it != r.classes.end() && it->second == cls)
        r.classes.erase(it);
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

namespace {

std::recursive_mutex& syncLock(const Object* object) {
    static std::mutex tableLock;
    // One lock per object address, kept for the process's life like the device's SyncData cache.
    static auto* table = new std::unordered_map<const void*, std::unique_ptr<std::recursive_mutex>>;
    std::lock_guard guard(tableLock);
    auto& slot = (*table)[object];
    if (!slot)
        slot = std::make_unique<std::recursive_mutex>();
    return *slot;
}

} // namespace

int objc_sync_enter(const Object* object) {
    if (!object)
        return -1;
    syncLock(object).lock();
    return 0;
}

int objc_sync_exit(const Object* object) {
    if (!object)
        return -1;
    syncLock(object).unlock();
    return 0;
}

} // namespace objc
