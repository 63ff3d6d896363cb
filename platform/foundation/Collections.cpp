#include "foundation/Collections.h"

#include "objc/Runtime.h"

namespace NS {

namespace {
objc::Class* registered(const char* name) {
    return objc::objc_lookUpOrRegisterClass(name, objc::NSObjectClass());
}
} // namespace

Ref<Array> Array::array(std::vector<RefPtr<objc::Object>> items) {
    static objc::Class* cls = registered("NSArray");
    auto a = objc::adopt(new Array(std::move(items)));
    a->setIsa(cls);
    return a;
}

RefPtr<objc::Object> Array::objectAtIndex(std::size_t index) const {
    return index < m_items.size() ? m_items[index] : nullptr;
}

RefPtr<objc::Object> Array::lastObject() const {
    return m_items.empty() ? nullptr : m_items.back();
}

std::string Array::description() const {
    std::string out = "(";
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        out += i ? ", " : "";
        out += m_items[i] ? m_items[i]->description() : "(null)";
    }
    return out + ")";
}

bool Array::isEqual(const objc::Object* other) const {
    auto* a = dynamic_cast<const Array*>(other);
    if (!a || a->m_items.size() != m_items.size())
        return false;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const RefPtr<objc::Object>& mine = m_items[i];
        const RefPtr<objc::Object>& theirs = a->m_items[i];
        if (mine ? !mine->isEqual(theirs.get()) : static_cast<bool>(theirs))
            return false;
    }
    return true;
}

Ref<Dictionary> Dictionary::dictionary(Entries entries) {
    static objc::Class* cls = registered("NSDictionary");
    auto d = objc::adopt(new Dictionary(std::move(entries)));
    d->setIsa(cls);
    return d;
}

RefPtr<objc::Object> Dictionary::objectForKey(std::string_view key) const {
    auto it = m_entries.find(std::string(key));
    return it == m_entries.end() ? nullptr : it->second;
}

std::string Dictionary::description() const {
    std::string out = "{";
    for (const auto& [key, value] : m_entries)
        out += " " + key + " = " + (value ? value->description() : "(null)") + ";";
    return out + (m_entries.empty() ? "}" : " }");
}

bool Dictionary::isEqual(const objc::Object* other) const {
    auto* d = dynamic_cast<const Dictionary*>(other);
    if (!d || d->m_entries.size() != m_entries.size())
        return false;
    for (const auto& [key, value] : m_entries) {
        RefPtr<objc::Object> theirs = d->objectForKey(key);
        if (!value || !theirs || !value->isEqual(theirs.get()))
            return false;
    }
    return true;
}

Ref<MutableDictionary> MutableDictionary::dictionary() {
    static objc::Class* cls = registered("NSMutableDictionary");
    auto d = objc::adopt(new MutableDictionary(Entries{}));
    d->setIsa(cls);
    return d;
}

void MutableDictionary::setObjectForKey(RefPtr<objc::Object> object, std::string_view key) {
    if (object)
        m_entries[std::string(key)] = std::move(object);
}

void MutableDictionary::removeObjectForKey(std::string_view key) {
    m_entries.erase(std::string(key));
}

Ref<objc::Object> MutableDictionary::copy() const {
    return Dictionary::dictionary(m_entries);
}

} // namespace NS
