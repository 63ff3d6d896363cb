// PS::Specifier: present in the runtime only once the Preferences stand-in is loaded, and
// reachable through the runtime by name.
#include "preferences/Specifier.h"

#include "foundation/Number.h"
#include "objc/Runtime.h"

#include <gtest/gtest.h>

namespace {

using objc::Ref;
using objc::RefPtr;

constexpr const char* kFactory = "preferenceSpecifierNamed:target:set:get:detail:cell:edit:";

RefPtr<objc::Object> makeThroughTheRuntime(objc::Class* cls, const char* name, long cell) {
    return objc::msgSend<RefPtr<objc::Object>, objc::Object*, objc::Object*, objc::SEL, objc::SEL,
                         objc::Class*, long, objc::Class*>(
        cls, kFactory, NS::str(name).ptr(), nullptr, nullptr, nullptr, nullptr, cell, nullptr);
}

class Specifier : public ::testing::Test {
protected:
    void TearDown() override { preferences::unregisterClasses(); }
};

TEST_F(Specifier, AbsentUntilThePreferencesStandInIsLoaded) {
    preferences::unregisterClasses();
    EXPECT_EQ(objc::objc_getClass("PSSpecifier"), nullptr);
    EXPECT_FALSE(PS::Specifier::preferenceSpecifierNamedTargetSetGetDetailCellEdit(
        NS::str("x").ptr(), nullptr, nullptr, nullptr, nullptr, PS::PSGroupCell, nullptr));
    // A message to the missing class is a message to nil.
    EXPECT_FALSE(makeThroughTheRuntime(objc::objc_getClass("PSSpecifier"), "x", 0));

    preferences::registerClasses();
    preferences::registerClasses(); // loading twice is loading once
    ASSERT_NE(objc::objc_getClass("PSSpecifier"), nullptr);
    EXPECT_TRUE(PS::Specifier::preferenceSpecifierNamedTargetSetGetDetailCellEdit(
        NS::str("x").ptr(), nullptr, nullptr, nullptr, nullptr, PS::PSGroupCell, nullptr));
}

TEST_F(Specifier, TheFactoryIsAClassMethodFoundByName) {
    preferences::registerClasses();
    objc::Class* cls = objc::objc_getClass("PSSpecifier");
    ASSERT_NE(cls, nullptr);
    EXPECT_FALSE(cls->instancesRespondToSelector(kFactory));
    RefPtr<objc::Object> made = makeThroughTheRuntime(cls, "Group", PS::PSGroupCell);
    auto* specifier = dynamic_cast<PS::Specifier*>(made.get());
    ASSERT_NE(specifier, nullptr);
    EXPECT_EQ(specifier->isa(), cls);
    EXPECT_EQ(specifier->name()->str(), "Group");
    EXPECT_EQ(specifier->cellType(), PS::PSGroupCell);
    EXPECT_EQ(made->retainCount(), 1u);
}

TEST_F(Specifier, PropertiesByKeyDirectlyAndByMessage) {
    preferences::registerClasses();
    RefPtr<objc::Object> made = makeThroughTheRuntime(objc::objc_getClass("PSSpecifier"), "", 0);
    ASSERT_TRUE(made);
    objc::msgSend<void, objc::Object*, objc::Object*>(
        made.get(), "setProperty:forKey:", NS::str("1").ptr(), NS::str("align").ptr());
    auto* specifier = dynamic_cast<PS::Specifier*>(made.get());
    EXPECT_EQ(specifier->propertyForKey("align")->description(), "1");
    RefPtr<objc::Object> read = objc::msgSend<RefPtr<objc::Object>, objc::Object*>(
        made.get(), "propertyForKey:", NS::str("align").ptr());
    EXPECT_EQ(read->description(), "1");

    specifier->setPropertyForKey(NS::Number::numberWithInt(2).ptr(), NS::str("align").ptr());
    EXPECT_EQ(specifier->propertyForKey("align")->description(), "2") << "a new value replaces";
    specifier->setPropertyForKey(nullptr, NS::str("align").ptr());
    EXPECT_FALSE(specifier->propertyForKey("align"));
    specifier->setPropertyForKey(NS::str("v").ptr(), nullptr);
    EXPECT_FALSE(specifier->propertyForKey(static_cast<const NS::String*>(nullptr)));
}

} // namespace
