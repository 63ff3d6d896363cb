// Message sending through classes found by name: lookup along the superclass chain,
// method replacement, class methods, messages to nil, and the per-object lock.
#include "objc/Runtime.h"

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

Class* defineClass(const char* name, Class* super = NSObjectClass()) {
    Class* cls = objc_allocateClassPair(super, name);
    objc_registerClassPair(cls);
    return cls;
}

TEST(Runtime, ClassIsFoundByNameAndAnswersMessagesBySelectorText) {
    Class* cls = defineClass("RuntimeTestGreeter");
    cls->addMethod(sel_registerName("answer"), imp_cast(&answer));
    cls->addMethod(sel_registerName("add:to:"), imp_cast(&add));
    std::string built = "add:to:";
    EXPECT_EQ(sel_registerName(built.c_str()), sel_registerName("add:to:"));

    ASSERT_EQ(objc_getClass("RuntimeTestGreeter"), cls);
    auto object = make(cls);
    EXPECT_TRUE(object->respondsToSelector("answer"));
    EXPECT_FALSE(object->respondsToSelector("question"));
    EXPECT_FALSE(object->respondsToSelector(nullptr));
    EXPECT_EQ(msgSend<int>(object.ptr(), "answer"), 42);
    EXPECT_EQ(msgSend<int>(object.ptr(), built.c_str(), 2, 3), 5);
    EXPECT_THROW(msgSend<int>(object.ptr(), "question"), UnrecognizedSelector);
}

TEST(Runtime, UnknownAndUnregisteredNamesFindNothing) {
    EXPECT_EQ(objc_getClass("RuntimeTestNoSuchClass"), nullptr);
    EXPECT_EQ(objc_getClass(nullptr), nullptr);
    objc_unregisterClass(defineClass("RuntimeTestTransient"));
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

TEST(Runtime, LookupClimbsTheSuperclassChainAndSeesLaterChanges) {
    Class* base = defineClass("RuntimeTestBase");
    Class* middle = defineClass("RuntimeTestMiddle", base);
    Class* leaf = defineClass("RuntimeTestLeaf", middle);
    base->addMethod(sel_registerName("answer"), imp_cast(&answer));
    middle->addMethod(sel_registerName("add:to:"), imp_cast(&add));

    auto object = make(leaf);
    EXPECT_TRUE(object->isKindOfClass(base));
    EXPECT_FALSE(make(base)->isKindOfClass(leaf));
    EXPECT_EQ(msgSend<int>(object.ptr(), "answer"), 42);
    EXPECT_EQ(msgSend<int>(object.ptr(), "add:to:", 20, 22), 42);
    EXPECT_FALSE(base->instancesRespondToSelector("add:to:"));

    EXPECT_EQ(leaf->replaceMethod(sel_registerName("answer"), imp_cast(&otherAnswer)), nullptr)
        << "replace leaves a method the class only inherits";
    EXPECT_EQ(msgSend<int>(object.ptr(), "answer"), 42);
    base->replaceMethod(sel_registerName("answer"), imp_cast(&otherAnswer));
    EXPECT_EQ(msgSend<int>(object.ptr(), "answer"), 7);
    leaf->addMethod(sel_registerName("answer"), imp_cast(&answer));
    EXPECT_EQ(msgSend<int>(object.ptr(), "answer"), 42);
    EXPECT_EQ(msgSend<int>(make(middle).ptr(), "answer"), 7);
}

TEST(Runtime, MessageToNilYieldsZero) {
    const Object* nil = nullptr;
    EXPECT_EQ(msgSend<int>(nil, "answer"), 0);
    EXPECT_FALSE(msgSend<RefPtr<Object>>(nil, "description"));
    msgSend(nil, "show");
}

Object* makeInstance(Object* self, SEL) {
    return adopt(new Instance(static_cast<Class*>(self))).leak();
}

TEST(Runtime, ClassMethodsAreSentToTheClassObjectAndInherited) {
    Class* cls = defineClass("RuntimeTestFactory");
    Class* derived = defineClass("RuntimeTestFactoryDerived", cls);
    cls->addClassMethod(sel_registerName("make"), imp_cast(&makeInstance));
    cls->addMethod(sel_registerName("answer"), imp_cast(&answer));

    Class* found = objc_getClass("RuntimeTestFactory");
    EXPECT_FALSE(found->respondsToSelector("answer"));
    EXPECT_FALSE(found->instancesRespondToSelector("make"));
    RefPtr<Object> made = adoptPtr(msgSend<Object*>(found, "make"));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->isa(), found);
    EXPECT_EQ(msgSend<int>(made.get(), "answer"), 42);
    EXPECT_THROW(msgSend(found, "answer"), UnrecognizedSelector);
    RefPtr<Object> fromDerived = adoptPtr(msgSend<Object*>(derived, "make"));
    EXPECT_EQ(fromDerived->isa(), derived);
}

TEST(Sync, IsRecursiveRefusesAnExitWithoutEnterAndIgnoresNil) {
    auto object = make(NSObjectClass());
    EXPECT_EQ(objc_sync_exit(object.ptr()), OBJC_SYNC_NOT_OWNING_THREAD_ERROR);
    EXPECT_EQ(objc_sync_enter(object.ptr()), 0);
    EXPECT_EQ(objc_sync_enter(object.ptr()), 0);
    EXPECT_EQ(objc_sync_exit(object.ptr()), 0);
    EXPECT_EQ(objc_sync_exit(object.ptr()), 0);
    EXPECT_EQ(objc_sync_exit(object.ptr()), OBJC_SYNC_NOT_OWNING_THREAD_ERROR);
    EXPECT_EQ(objc_sync_enter(nullptr), 0);
    EXPECT_EQ(objc_sync_exit(nullptr), 0);
    Class* cls = defineClass("RuntimeTestLocked");
    EXPECT_EQ(objc_sync_enter(cls), 0);
    EXPECT_EQ(objc_sync_exit(cls), 0);
}

} // namespace
