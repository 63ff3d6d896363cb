#include "preferences/Specifier.h"

namespace PS {

namespace {

objc::RefPtr<objc::Object> factory(objc::Object*, objc::SEL, objc::Object* name,
                                   objc::Object* target, objc::SEL set, objc::SEL get,
                                   objc::Class* detail, long cell, objc::Class* edit) {
    return Specifier::preferenceSpecifierNamedTargetSetGetDetailCellEdit(
        dynamic_cast<NS::String*>(name), target, set, get, detail, cell, edit);
}

void setProperty(objc::Object* self, objc::SEL, objc::Object* value, objc::Object* key) {
    static_cast<Specifier*>(self)->setPropertyForKey(value, dynamic_cast<NS::String*>(key));
}

objc::RefPtr<objc::Object> property(objc::Object* self, objc::SEL, objc::Object* key) {
    return static_cast<Specifier*>(self)->propertyForKey(dynamic_cast<NS::String*>(key));
}

// Made once, registered and unregistered by name; classes live for the whole process.
objc::Class* specifierClass() {
    static objc::Class* cls = [] {
        objc::Class* c = objc::objc_allocateClassPair(objc::NSObjectClass(), "PSSpecifier");
        c->addClassMethod(
            objc::sel_registerName("preferenceSpecifierNamed:target:set:get:detail:cell:edit:"),
            objc::imp_cast(&factory));
        c->addMethod(objc::sel_registerName("setProperty:forKey:"), objc::imp_cast(&setProperty));
        c->addMethod(objc::sel_registerName("propertyForKey:"), objc::imp_cast(&property));
        return c;
    }();
    return cls;
}

} // namespace

Specifier::Specifier(objc::Class* cls, const NS::String* name, objc::Object* target, objc::SEL set,
                     objc::SEL get, objc::Class* detail, long cell, objc::Class* edit)
    : Object(cls),
      m_name(name ? objc::RefPtr<NS::String>(NS::String::string(name->str())) : nullptr),
      m_target(target), m_set(set), m_get(get), m_detail(detail), m_cell(cell), m_edit(edit) {}

objc::RefPtr<Specifier> Specifier::preferenceSpecifierNamedTargetSetGetDetailCellEdit(
    const NS::String* name, objc::Object* target, objc::SEL set, objc::SEL get, objc::Class* detail,
    long cell, objc::Class* edit) {
    objc::Class* cls = objc::objc_getClass("PSSpecifier");
    if (cls != specifierClass())
        return nullptr;
    return objc::adopt(new Specifier(cls, name, target, set, get, detail, cell, edit));
}

void Specifier::setPropertyForKey(objc::Object* value, const NS::String* key) {
    if (!key)
        return;
    objc::RefPtr<objc::Object> old;
    std::lock_guard guard(m_lock);
    if (value) {
        old = std::exchange(m_properties[key->str()], value);
    } else if (auto it = m_properties.find(key->str()); it != m_properties.end()) {
        old = std::move(it->second);
        m_properties.erase(it);
    }
}

objc::RefPtr<objc::Object> Specifier::propertyForKey(const NS::String* key) const {
    return key ? propertyForKey(key->str()) : nullptr;
}

objc::RefPtr<objc::Object> Specifier::propertyForKey(std::string_view key) const {
    std::lock_guard guard(m_lock);
    auto it = m_properties.find(std::string(key));
    return it == m_properties.end() ? nullptr : it->second;
}

std::string Specifier::description() const {
    return "<PSSpecifier " + std::string(m_name ? m_name->str() : "(null)") + ">";
}

} // namespace PS

namespace preferences {

void registerClasses() {
    objc::objc_registerClassPair(PS::specifierClass());
}

void unregisterClasses() {
    objc::objc_unregisterClass(PS::specifierClass());
}

} // namespace preferences
