// HB::Preferences: a preferences domain, kept as the property list
// "/var/mobile/Library/Preferences/<domain>.plist" under the device root.
//
// Values are read once, when the object is made, and kept in memory. A write changes the
// memory value and bound variables at once, then stores the key with updatePropertyListFile
// (under the file's lock, atomically), keeping every other key the file holds. A store that
// cannot be read reads as empty and is never written over; a malformed one is moved aside by
// the next write. A write that cannot be stored leaves the memory value changed and logs why.
// Thread-safe.
#pragma once

#include "foundation/Collections.h"
#include "foundation/String.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace HB {

class Preferences : public objc::Object {
public:
    // One shared instance per identifier per process, kept for the process's life.
    static objc::Ref<Preferences> preferencesForIdentifier(const NS::String* identifier);
    // Forgets the shared instances, so that the next preferencesForIdentifier reads the store
    // afresh, as a relaunched process would. For tests and the simulator.
    static void forgetSharedInstances();

    const std::string& identifier() const { return m_identifier; }
    // The host path of the domain's file; empty when no device root was set when the object
    // was made or the identifier cannot name a file.
    const std::filesystem::path& path() const { return m_path; }

    // Binds the variable: it holds the stored value or the default now, and follows every
    // later change made through this object. A null variable only registers the default.
    void registerBoolDefaultForKey(bool* variable, bool defaultValue, const NS::String* key);
    // Stores the value and updates the variables bound to the key.
    void setBoolForKey(bool value, const NS::String* key);
    // Stores an object (nil removes the key) and updates the variables bound to the key.
    void setObjectForKey(const objc::RefPtr<objc::Object>& object, const NS::String* key);

    // The stored value read with the platform's boolValue rules; else the registered default;
    // else false. A stored value that is neither a number nor a string counts as absent.
    bool boolForKey(const NS::String* key) const;
    objc::RefPtr<objc::Object> objectForKey(const NS::String* key) const;
    // Every stored value, as the file held it when read and as written since; no defaults.
    objc::Ref<NS::Dictionary> dictionaryRepresentation() const;

private:
    explicit Preferences(std::string identifier);

    bool boolForKeyLocked(const std::string& key) const;
    // Writes the key into the file, keeping the file's other keys. Logs and returns false on
    // failure.
    bool store(const std::string& key, const objc::RefPtr<objc::Object>& value) const;

    std::string m_identifier;
    std::filesystem::path m_path;
    mutable std::mutex m_lock;
    std::map<std::string, objc::RefPtr<objc::Object>> m_values;
    std::map<std::string, bool> m_defaults;
    std::multimap<std::string, bool*> m_bindings;
};

} // namespace HB
