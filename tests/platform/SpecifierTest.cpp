// PS::Specifier: present in the runtime only once the Preferences stand-in is loaded, and
// reachable through the runtime by name.
#include "preferences/Specifier.h"

#include "objc/Runtime.h"

#include <gtest/gtest.h>

namespace {

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

TEST_F(Specifier, TheFactoryAndPropertiesAreReachedThroughTheRuntimeByName) {
    preferences::registerClasses();
    objc::Class* cls = objc::objc_getClass("PSSpecifier");
    ASSERT_NE(cls, nullptr);
    RefPtr<objc::Object> made = makeThroughTheRuntime(cls, "Group", PS::PSGroupCell);
    auto* specifier = dynamic_cast<PS::Specifier*>(made.get());
    ASSERT_NE(specifier, nullptr);
    EXPECT_EQ(specifier->name()->str(), "Group");
    EXPECT_EQ(specifier->cellType(), PS::PSGroupCell);

    objc::msgSend<void, objc::Object*, objc::Object*>(
        made.get(), "setProperty:forKey:", NS::str("1").ptr(), NS::str("align").ptr());
    RefPtr<objc::Object> read = objc::msgSend<RefPtr<objc::Object>, objc::Object*>(
        made.get(), "propertyForKey:", NS::str("align").ptr());
    EXPECT_EQ(read->description(), "1");
}

} // namespace
