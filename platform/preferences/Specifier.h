// PS::Specifier: a row or group of a Preferences pane, with properties the pane reads.
//
// The Preferences framework is not linked by the library: it is loaded only into a settings
// pane's process. So the runtime class "PSSpecifier" exists only once a process has called
// preferences::registerClasses(); elsewhere objc_getClass("PSSpecifier") finds nothing and
// the factory gives nil. Code that must not depend on the framework reaches it through the
// runtime by the class's name:
//   class method "preferenceSpecifierNamed:target:set:get:detail:cell:edit:"
//       RefPtr<Object> (Object* cls, SEL, Object* name, Object* target, SEL set, SEL get,
//                       Class* detail, long cell, Class* edit)
//   "setProperty:forKey:"  void (Object* self, SEL, Object* value, Object* key)
//   "propertyForKey:"      RefPtr<Object> (Object* self, SEL, Object* key)
#pragma once

#include "foundation/String.h"
#include "objc/Runtime.h"

#include <map>
#include <mutex>
#include <string>

namespace PS {

enum PSCellType : long {
    PSGroupCell = 0,
    PSLinkCell = 1,
    PSLinkListCell = 2,
    PSListItemCell = 3,
    PSTitleValueCell = 4,
    PSSliderCell = 5,
    PSSwitchCell = 6,
    PSStaticTextCell = 7,
    PSEditTextCell = 8,
    PSSegmentCell = 9,
    PSButtonCell = 13,
};

class Specifier : public objc::Object {
public:
    // Nil while the class is not registered in the process.
    static objc::RefPtr<Specifier> preferenceSpecifierNamedTargetSetGetDetailCellEdit(
        const NS::String* name, objc::Object* target, objc::SEL set, objc::SEL get,
        objc::Class* detail, long cell, objc::Class* edit);

    NS::String* name() const { return m_name.get(); }
    objc::RefPtr<objc::Object> target() const { return m_target.get(); }
    objc::SEL setter() const { return m_set; }
    objc::SEL getter() const { return m_get; }
    objc::Class* detailControllerClass() const { return m_detail; }
    objc::Class* editPaneClass() const { return m_edit; }
    long cellType() const { return m_cell; }

    // A nil value removes the property; a nil key is ignored.
    void setPropertyForKey(objc::Object* value, const NS::String* key);
    objc::RefPtr<objc::Object> propertyForKey(const NS::String* key) const;
    objc::RefPtr<objc::Object> propertyForKey(std::string_view key) const;

    std::string description() const override;

private:
    Specifier(objc::Class* cls, const NS::String* name, objc::Object* target, objc::SEL set,
              objc::SEL get, objc::Class* detail, long cell, objc::Class* edit);

    objc::RefPtr<NS::String> m_name;
    objc::WeakPtr<objc::Object> m_target; // the pane's controller owns its specifiers
    objc::SEL m_set;
    objc::SEL m_get;
    objc::Class* m_detail;
    long m_cell;
    objc::Class* m_edit;
    mutable std::mutex m_lock;
    std::map<std::string, objc::RefPtr<objc::Object>> m_properties;
};

} // namespace PS

namespace preferences {

// Loads the Preferences stand-in into this process: registers "PSSpecifier". Idempotent.
void registerClasses();
// Unloads it again (for tests that need a process without it).
void unregisterClasses();

} // namespace preferences
