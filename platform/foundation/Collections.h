// NS::Array, NS::Dictionary and NS::MutableDictionary: collections of retained objects.
#pragma once

#include "foundation/String.h"

#include <map>
#include <string>
#include <vector>

namespace NS {

class Array : public objc::Object {
public:
    static Ref<Array> array(std::vector<RefPtr<objc::Object>> items = {});

    std::size_t count() const { return m_items.size(); }
    // Null outside the bounds, where the device would raise.
    RefPtr<objc::Object> objectAtIndex(std::size_t index) const;
    RefPtr<objc::Object> lastObject() const;
    const std::vector<RefPtr<objc::Object>>& items() const { return m_items; }
    void addObject(RefPtr<objc::Object> object) { m_items.push_back(std::move(object)); }

    std::string description() const override;
    bool isEqual(const objc::Object* other) const override;

private:
    explicit Array(std::vector<RefPtr<objc::Object>> items) : m_items(std::move(items)) {}
    std::vector<RefPtr<objc::Object>> m_items;
};

// Keys are strings, the only key type the system uses.
class Dictionary : public objc::Object {
public:
    using Entries = std::map<std::string, RefPtr<objc::Object>>;
    static Ref<Dictionary> dictionary(Entries entries = {});

    std::size_t count() const { return m_entries.size(); }
    RefPtr<objc::Object> objectForKey(std::string_view key) const;
    const Entries& entries() const { return m_entries; }

    std::string description() const override;
    bool isEqual(const objc::Object* other) const override;

protected:
    explicit Dictionary(Entries entries) : m_entries(std::move(entries)) {}
    Entries m_entries;
};

class MutableDictionary : public Dictionary {
public:
    static Ref<MutableDictionary> dictionary();
    // Reads an XML or binary property list at a device path (resolved under the device root).
    // Nil when the file is missing, unreadable or malformed, or its root is not a dictionary.
    static RefPtr<MutableDictionary> initWithContentsOfFile(const String* path);

    void setObjectForKey(RefPtr<objc::Object> object, std::string_view key);
    void removeObjectForKey(std::string_view key);
    Ref<objc::Object> copy() const override;

private:
    using Dictionary::Dictionary;
};

// Converts between property-list text or binary and objects. Strings, numbers (bool,
// integer, real), arrays, dictionaries and data are mapped; dates become NS::Date.
RefPtr<objc::Object> propertyListFromBytes(const std::string& bytes);
std::string propertyListToXML(const objc::Object& root);
std::string propertyListToBinary(const objc::Object& root);

} // namespace NS
