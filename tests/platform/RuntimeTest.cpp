// Message sending through classes found by name: lookup along the superclass chain,
// method replacement, class methods, messages to nil, and the per-object lock.
#include "objc/Runtime.h"

#include "foundation/String.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using namespace objc;

class Instance : public Object {
public:
    explicit Instance(Class* cls) : Object(cls) {}
};

Ref<Instance> make(Class* cls) {
    return adopt(new Instance(cls));
}

int answer(Object*, SEL) {
    return 42;
}
int otherAnswer(Object*, SEL) {
    return 7;
}
int add(Object*, SEL, int a, int b) {
    return a + b;
}
std::string* g_lastName = nullptr;
void remember(Object*, SEL, const char* name) {
    *g_lastName = name;
}

Class* defineClass(const char* name, Class* super = NSObjectClass()) {
    Class* cls = objc_allocateClassPair(super, name);
    objc_registerClassPair(cls);
    return cls;
}

TEST(Runtime, SelectorsAreInternedByName) {
    std::string name = "alertView:clickedButtonAtIndex:";
    EXPECT_EQ(sel_registerName(name.c_str()), sel_registerName("alertView:clickedButtonAtIndex:"));
    EXPECT_NE(sel_registerName("show"), sel_registerName("dismiss"));
    EXPECT_STREQ(sel_registerName("show"), "show");
}

TEST(Runtime, ClassIsFoundByNameAndAnswersMessages) {
    Class* cls = defineClass("RuntimeTestGreeter");
    cls->addMethod(sel_registerName("answer"), imp_cast(&answer));
    cls->addMethod(sel_registerName("add:to:"), imp_cast(&add));

    Class* found = objc_getClass("RuntimeTestGreeter");
    ASSERT_EQ(found, cls);
    EXPECT_EQ(found->name(), "RuntimeTestGreeter");
    auto object = make(found);
    EXPECT_TRUE(object->respondsToSelector("answer"));
    EXPECT_FALSE(object->respondsToSelector("question"));
    EXPECT_EQ(msgSend<int>(object.ptr(), "answer"), 42);
    EXPECT_EQ(msgSend<int>(object.ptr(), "add:to:", 2, 3), 5);
}

TEST(Runtime, UnknownNamesFindNothing) {
    EXPECT_EQ(objc_getClass("RuntimeTestNoSuchClass"), nullptr);
    EXPECT_EQ(objc_getClass(nullptr), nullptr);
    Class* cls = defineClass("RuntimeTestTransient");
    objc_unregisterClass(cls);
    EXPECT_EQ(objc_getClass("RuntimeTestTransient"), nullptr);
}

TEST(Runtime, ReplacingAMethodOnAClassFoundByName) {
    Class* cls = defineClass("RuntimeTestReplaced");
    SEL sel = sel_registerName("answer");
    cls->addMethod(sel, imp_cast(&answer));
    auto object = make(cls);

    IMP saved = objc_getClass("RuntimeTestReplaced")->replaceMethod(sel, imp_cast(&otherAnswer));
    EXPECT_EQ(saved, imp_cast(&answer));
    EXPECT_EQ(msgSend<int>(object.ptr(), "answer"), 7);
    // The saved implementation still does what the method did before.
    EXPECT_EQ(reinterpret_cast<int (*)(Object*, SEL)>(saved)(object.ptr(), sel), 42);
}

TEST(Runtime, ReplaceIgnoresMethodsTheClassOnlyInherits) {
    Class* base = defineClass("RuntimeTestReplaceBase");
    Class* derived = defineClass("RuntimeTestReplaceDerived", base);
    SEL sel = sel_registerName("answer");
    base->addMethod(sel, imp_cast(&answer));
    EXPECT_EQ(derived->replaceMethod(sel, imp_cast(&otherAnswer)), nullptr);
    EXPECT_EQ(msgSend<int>(make(base).ptr(), "answer"), 42);
    EXPECT_EQ(msgSend<int>(make(derived).ptr(), "answer"), 42);
}

TEST(Runtime, LookupClimbsTheSuperclassChain) {
    Class* base = defineClass("RuntimeTestBase");
    Class* middle = defineClass("RuntimeTestMiddle", base);
    Class* leaf = defineClass("RuntimeTestLeaf", middle);
    base->addMethod(sel_registerName("answer"), imp_cast(&answer));
    middle->addMethod(sel_registerName("add:to:"), imp_cast(&add));

    auto object = make(leaf);
    EXPECT_EQ(leaf->superclass(), middle);
    EXPECT_TRUE(object->isKindOfClass(base));
    EXPECT_FALSE(make(base)->isKindOfClass(leaf));
    EXPECT_EQ(msgSend<int>(object.ptr(), "answer"), 42);
    EXPECT_EQ(msgSend<int>(object.ptr(), "add:to:", 20, 22), 42);
    EXPECT_FALSE(make(base)->respondsToSelector("add:to:"));
    EXPECT_TRUE(leaf->instancesRespondToSelector("add:to:"));
    EXPECT_FALSE(base->instancesRespondToSelector("add:to:"));

    // A change in the superclass reaches subclasses that do not override.
    base->replaceMethod(sel_registerName("answer"), imp_cast(&otherAnswer));
    EXPECT_EQ(msgSend<int>(object.ptr(), "answer"), 7);
    leaf->addMethod(sel_registerName("answer"), imp_cast(&answer));
    EXPECT_EQ(msgSend<int>(object.ptr(), "answer"), 42);
    EXPECT_EQ(msgSend<int>(make(middle).ptr(), "answer"), 7);
}

TEST(Runtime, MessageToNilYieldsZero) {
    const Object* nil = nullptr;
    EXPECT_EQ(msgSend<int>(nil, "answer"), 0);
    EXPECT_EQ(msgSend<double>(nil, "doubleValue"), 0.0);
    EXPECT_FALSE(msgSend<bool>(nil, "boolValue"));
    EXPECT_FALSE(msgSend<RefPtr<Object>>(nil, "description"));
    msgSend(nil, "show");
}

TEST(Runtime, UnrecognizedSelectorIsRaisedNotCrashed) {
    auto object = make(defineClass("RuntimeTestSilent"));
    EXPECT_THROW(msgSend<int>(object.ptr(), "answer"), UnrecognizedSelector);
    EXPECT_FALSE(object->respondsToSelector(nullptr));
}

TEST(Runtime, ArgumentsReachTheImplementation) {
    Class* cls = defineClass("RuntimeTestRecorder");
    cls->addMethod(sel_registerName("remember:"), imp_cast(&remember));
    std::string last;
    g_lastName = &last;
    msgSend(make(cls).ptr(), "remember:", "dpkg");
    EXPECT_EQ(last, "dpkg");
}

Object* makeInstance(Object* self, SEL) {
    return adopt(new Instance(static_cast<Class*>(self))).leak();
}

TEST(Runtime, ClassMethodsAreSentToTheClassObject) {
    Class* cls = defineClass("RuntimeTestFactory");
    cls->addClassMethod(sel_registerName("make"), imp_cast(&makeInstance));
    cls->addMethod(sel_registerName("answer"), imp_cast(&answer));

    Class* found = objc_getClass("RuntimeTestFactory");
    EXPECT_TRUE(found->respondsToSelector("make"));
    EXPECT_FALSE(found->respondsToSelector("answer"));
    EXPECT_FALSE(found->instancesRespondToSelector("make"));
    RefPtr<Object> made = adoptPtr(msgSend<Object*>(found, "make"));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->isa(), found);
    EXPECT_EQ(msgSend<int>(made.get(), "answer"), 42);
    EXPECT_THROW(msgSend(found, "answer"), UnrecognizedSelector);
}

TEST(Runtime, ClassMethodsAreInherited) {
    Class* base = defineClass("RuntimeTestFactoryBase");
    Class* derived = defineClass("RuntimeTestFactoryDerived", base);
    base->addClassMethod(sel_registerName("answer"), imp_cast(&answer));
    EXPECT_EQ(msgSend<int>(derived, "answer"), 42);
    EXPECT_EQ(derived->metaclass()->superclass(), base->metaclass());
}

TEST(Runtime, PlatformClassesAreRegistered) {
    auto text = NS::str("x");
    EXPECT_EQ(text->isa(), objc_getClass("NSString"));
    EXPECT_TRUE(text->isKindOfClass(NSObjectClass()));
    EXPECT_EQ(objc_getClass("NSObject"), NSObjectClass());
}

TEST(Sync, EnterIsRecursiveOnOneThread) {
    auto object = make(NSObjectClass());
    EXPECT_EQ(objc_sync_enter(object.ptr()), 0);
    EXPECT_EQ(objc_sync_enter(object.ptr()), 0);
    EXPECT_EQ(objc_sync_exit(object.ptr()), 0);
    EXPECT_EQ(objc_sync_exit(object.ptr()), 0);
}

TEST(Sync, ExitWithoutEnterIsRefused) {
    auto object = make(NSObjectClass());
    EXPECT_EQ(objc_sync_exit(object.ptr()), OBJC_SYNC_NOT_OWNING_THREAD_ERROR);
    EXPECT_EQ(objc_sync_enter(object.ptr()), 0);
    EXPECT_EQ(objc_sync_exit(object.ptr()), 0);
    EXPECT_EQ(objc_sync_exit(object.ptr()), OBJC_SYNC_NOT_OWNING_THREAD_ERROR);
}

TEST(Sync, NilDoesNothing) {
    EXPECT_EQ(objc_sync_enter(nullptr), 0);
    EXPECT_EQ(objc_sync_exit(nullptr), 0);
}

TEST(Sync, ClassObjectsHaveTheirOwnLock) {
    Class* cls = defineClass("RuntimeTestLocked");
    EXPECT_EQ(objc_sync_enter(cls), 0);
    EXPECT_EQ(objc_sync_exit(cls), 0);
}

} // namespace
