// The hooking facility: functions through their hookable entries, and methods in class tables.
// A function's chain of hooks, also through an earlier pointer, is checked where eight threads
// call it while the hooks go in.
#include "substrate/Substrate.h"

#include "fixtures/LogCapture.h"
#include "objc/Runtime.h"
#include "substrate/Hookable.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// A hookable function of the test's own, hooked by nothing.
int untouched(int x);

namespace {

int untouchedImpl(int x) {
    return x + 1;
}
// An unregistered function: it has no slot, so it cannot be hooked.
int plain(int x) {
    return x;
}

} // namespace

SUBSTRATE_HOOKABLE(g_untouchedSlot, untouched, untouchedImpl);

int untouched(int x) {
    return substrate::call(g_untouchedSlot, x);
}

namespace {

// Methods ----------------------------------------------------------------------------------

class Widget : public objc::Object {
public:
    explicit Widget(objc::Class* cls) : objc::Object(cls) {}
};

using Speak = int (*)(objc::Object*, objc::SEL, int);

int speakImpl(objc::Object*, objc::SEL, int x) {
    return x;
}
int baseSpeakImpl(objc::Object*, objc::SEL, int x) {
    return 50 + x;
}

objc::Object* g_lastSelf = nullptr;
objc::IMP g_savedSpeak = nullptr;
int speakHook(objc::Object* self, objc::SEL sel, int x) {
    g_lastSelf = self;
    return 1000 + reinterpret_cast<Speak>(g_savedSpeak)(self, sel, x);
}

objc::IMP g_firstMethodSaved = nullptr;
int firstSpeakHook(objc::Object* self, objc::SEL sel, int x) {
    return 10 + reinterpret_cast<Speak>(g_firstMethodSaved)(self, sel, x);
}

class HookMessage : public testing::Test {
protected:
    objc::Class* define(const char* name, objc::Class* super = objc::NSObjectClass()) {
        objc::Class* cls = objc::objc_allocateClassPair(super, name);
        objc::objc_registerClassPair(cls);
        m_classes.push_back(cls);
        return cls;
    }
    objc::Ref<Widget> make(objc::Class* cls) { return objc::adopt(new Widget(cls)); }
    void TearDown() override {
        g_savedSpeak = nullptr;
        g_lastSelf = nullptr;
        for (objc::Class* cls : m_classes)
            objc::objc_unregisterClass(cls);
    }
    std::vector<objc::Class*> m_classes;
};

// The first hook adds an override to the class found by name; the second replaces that one.
TEST_F(HookMessage, AnInheritedMethodGetsAnOverrideThatCallsItAndASecondHookChains) {
    objc::Class* base = define("SubstrateTestBase");
    base->addMethod(objc::sel_registerName("speak:"), objc::imp_cast(&baseSpeakImpl));
    define("SubstrateTestDerived", base);
    objc::Class* derived = objc::objc_getClass("SubstrateTestDerived");
    auto widget = make(derived);
    std::string name = "speak:"; // a selector need not be interned
    MSHookMessageEx(derived, name.c_str(), objc::imp_cast(&firstSpeakHook), &g_firstMethodSaved);
    EXPECT_EQ(objc::msgSend<int>(widget.ptr(), "speak:", 4), 64);
    MSHookMessageEx(derived, "speak:", objc::imp_cast(&speakHook), &g_savedSpeak);
    EXPECT_EQ(objc::msgSend<int>(widget.ptr(), "speak:", 4), 1064);
    EXPECT_EQ(g_lastSelf, widget.ptr());
    EXPECT_EQ(objc::msgSend<int>(make(base).ptr(), "speak:", 1), 51)
        << "the superclass is untouched";
}

// A refused hook is one error line, leaves the saved entry alone and changes nothing.
TEST_F(HookMessage, ARefusalOfAFunctionOrAMessageIsOneErrorLineAndChangesNothing) {
    objc::Class* cls = define("SubstrateTestRefuser");
    cls->addMethod(objc::sel_registerName("speak:"), objc::imp_cast(&speakImpl));
    auto* replacement = reinterpret_cast<void*>(&untouchedImpl);
    const std::pair<const char*, std::function<void(void**)>> cases[] = {
        {"is not a hookable entry",
         [&](void** saved) {
             MSHookFunction(reinterpret_cast<void*>(&plain), replacement, saved);
         }},
        {"already enters that replacement",
         [&](void** saved) {
             MSHookFunction(reinterpret_cast<void*>(&untouched), replacement, saved);
         }},
        {"MSHookMessageEx: message not found [SubstrateTestRefuser shout:]",
         [&](void** saved) {
             MSHookMessageEx(cls, "shout:", objc::imp_cast(&speakHook),
                             reinterpret_cast<objc::IMP*>(saved));
         }},
    };
    for (const auto& [line, hook] : cases) {
        fixtures::LogCapture log;
        void* saved = reinterpret_cast<void*>(&plain); // neither replacement
        hook(&saved);
        EXPECT_EQ(saved, reinterpret_cast<void*>(&plain)) << line;
        auto lines = log.lines();
        ASSERT_EQ(lines.size(), 1U) << line;
        EXPECT_EQ(lines[0].level, 3);
        EXPECT_EQ(lines[0].text.rfind("MS:Error: ", 0), 0U) << lines[0].text;
        EXPECT_NE(lines[0].text.find(line), std::string::npos) << lines[0].text;
    }
    EXPECT_EQ(untouched(1), 2);
    EXPECT_EQ(objc::msgSend<int>(make(cls).ptr(), "speak:", 3), 3);
}

} // namespace
