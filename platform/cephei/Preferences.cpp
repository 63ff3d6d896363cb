#include "cephei/Preferences.h"

#include "cephei/AtomicFile.h"
#include "device/Events.h"
#include "device/Root.h"
#include "foundation/Collections.h"
#include "foundation/FileContents.h"
#include "foundation/Log.h"
#include "foundation/Number.h"
#include "objc/Runtime.h"

namespace HB {

namespace {

using Values = std::map<std::string, objc::RefPtr<objc::Object>>;

constexpr const char* kPreferencesFolder = "/var/mobile/Library/Preferences/";

objc::Class* preferencesClass() {
    static objc::Class* cls =
        objc::objc_lookUpOrRegisterClass("HBPreferences", objc::NSObjectClass());
    return cls;
}

struct Shared {
    std::mutex lock;
    std::map<std::string, objc::Ref<Preferences>> instances;
};

Shared& shared() {
    static auto* instance = new Shared; // the handles stay valid for the process's life
    return *instance;
}

// A domain names one file in the preferences folder, never a path.
bool namesAFile(const std::string& identifier) {
    return !identifier.empty() && identifier != "." && identifier != ".." &&
           identifier.find('/') == std::string::npos && identifier.find('\0') == std::string::npos;
}

Values readDomain(const std::filesystem::path& path) {
    std::string bytes;
    int err = 0;
    NS::FileContents contents =
        path.empty() ? NS::FileContents::Missing : NS::readFileContents(path, bytes, err);
    if (contents == NS::FileContents::Missing)
        return {};
    if (contents == NS::FileContents::Unreadable) {
        CFLog(4, "HBPreferences: cannot read %s; reading it as empty and leaving it as it is",
              path.c_str());
        return {};
    }
    objc::RefPtr<objc::Object> root = NS::propertyListFromBytes(bytes);
    auto* dictionary = dynamic_cast<NS::Dictionary*>(root.get());
    if (!dictionary) {
        CFLog(4,
              "HBPreferences: %s is not a property-list dictionary; reading it as empty until "
              "the next write moves it aside",
              path.c_str());
        return {};
    }
    return dictionary->entries();
}

// The platform's boolValue for numbers and strings; false for anything else.
bool readBool(const objc::Object* value, bool& out) {
    if (auto* number = dynamic_cast<const NS::Number*>(value)) {
        out = number->boolValue();
        return true;
    }
    if (auto* string = dynamic_cast<const NS::String*>(value)) {
        out = string->boolValue();
        return true;
    }
    return false;
}

device::JsonValue jsonOf(const objc::Object* value) {
    if (!value)
        return nullptr;
    if (auto* number = dynamic_cast<const NS::Number*>(value)) {
        switch (number->kind()) {
        case NS::Number::Kind::Bool:
            return number->boolValue();
        case NS::Number::Kind::Integer:
            return number->longLongValue();
        case NS::Number::Kind::Real:
            return number->doubleValue();
        }
    }
    return value->description();
}

} // namespace

Preferences::Preferences(std::string identifier) : m_identifier(std::move(identifier)) {
    setIsa(preferencesClass());
    if (namesAFile(m_identifier))
        m_path = device::resolve(kPreferencesFolder + m_identifier + ".plist");
    m_values = readDomain(m_path);
}

objc::Ref<Preferences> Preferences::preferencesForIdentifier(const NS::String* identifier) {
    std::string name = identifier ? identifier->str() : std::string();
    if (!namesAFile(name))
        CFLog(3, "HBPreferences: \"%s\" cannot name a preferences domain; values stay in memory",
              name.c_str());
    Shared& s = shared();
    std::lock_guard guard(s.lock);
    auto it = s.instances.find(name);
    if (it == s.instances.end())
        it = s.instances.emplace(name, objc::adopt(new Preferences(name))).first;
    return it->second;
}

void Preferences::forgetSharedInstances() {
    std::map<std::string, objc::Ref<Preferences>> forgotten;
    Shared& s = shared();
    {
        std::lock_guard guard(s.lock);
        forgotten.swap(s.instances);
    }
}

void Preferences::registerBoolDefaultForKey(bool* variable, bool defaultValue,
                                            const NS::String* key) {
    if (!key) {
        CFLog(3, "HBPreferences: a default for a nil key was not registered in %s",
              m_identifier.c_str());
        return;
    }
    std::lock_guard guard(m_lock);
    m_defaults[key->str()] = defaultValue;
    if (variable) {
        m_bindings.emplace(key->str(), variable);
        *variable = boolForKeyLocked(key->str());
    }
}

void Preferences::setBoolForKey(bool value, const NS::String* key) {
    setObjectForKey(NS::Number::numberWithBool(value), key);
}

void Preferences::setObjectForKey(const objc::RefPtr<objc::Object>& object, const NS::String* key) {
    if (!key) {
        CFLog(3, "HBPreferences: a value for a nil key was not stored in %s", m_identifier.c_str());
        return;
    }
    const std::string& name = key->str();
    bool stored = false;
    {
        std::lock_guard guard(m_lock);
        if (object)
            m_values[name] = object;
        else
            m_values.erase(name);
        auto [first, last] = m_bindings.equal_range(name);
        for (auto it = first; it != last; ++it)
            *it->second = boolForKeyLocked(name);
        // Stored under the lock, so that two writers reach the file in the order they changed
        // the memory value.
        stored = store(name, object);
    }
    if (stored)
        device::emit("prefs_write",
                     {{"domain", m_identifier}, {"key", name}, {"value", jsonOf(object.get())}});
}

bool Preferences::boolForKey(const NS::String* key) const {
    if (!key)
        return false;
    std::lock_guard guard(m_lock);
    return boolForKeyLocked(key->str());
}

bool Preferences::boolForKeyLocked(const std::string& key) const {
    auto it = m_values.find(key);
    bool value = false;
    if (it != m_values.end() && readBool(it->second.get(), value))
        return value;
    auto fallback = m_defaults.find(key);
    return fallback != m_defaults.end() && fallback->second;
}

objc::RefPtr<objc::Object> Preferences::objectForKey(const NS::String* key) const {
    if (!key)
        return nullptr;
    std::lock_guard guard(m_lock);
    auto it = m_values.find(key->str());
    return it == m_values.end() ? nullptr : it->second;
}

objc::Ref<NS::Dictionary> Preferences::dictionaryRepresentation() const {
    std::lock_guard guard(m_lock);
    return NS::Dictionary::dictionary(m_values);
}

bool Preferences::store(const std::string& key, const objc::RefPtr<objc::Object>& value) const {
    if (m_path.empty()) {
        const char* why =
            namesAFile(m_identifier) ? "no device root is set" : "the domain cannot name a file";
        CFLog(3, "HBPreferences: %s of %s was kept in memory only: %s", key.c_str(),
              m_identifier.c_str(), why);
        return false;
    }
    // The file is re-read under its lock, so that keys another writer stored are kept.
    std::string error;
    bool stored = updatePropertyListFile(
        m_path,
        [&](NS::Dictionary::Entries& entries) {
            if (value)
                entries[key] = value;
            else
                entries.erase(key);
        },
        error);
    if (!stored) {
        CFLog(3, "HBPreferences: %s of %s was kept in memory only: %s", key.c_str(),
              m_identifier.c_str(), error.c_str());
        return false;
    }
    return true;
}

} // namespace HB
