// The hooking facility: functions through their hookable entries, and methods in class tables.
#include "substrate/Substrate.h"

#include "fixtures/Capture.h"
#include "objc/Runtime.h"
#include "substrate/Hookable.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Hookable functions of the test's own, one per test so that hooks never leak between tests.
int triple(int x);
int quadruple(int x);
int negate(int x);
int square(int x);
int describe(int x);
int untouched(int x);

namespace {

int tripleImpl(int x) {
    return 3 * x;
}
int quadrupleImpl(int x) {
    return 4 * x;
}
int negateImpl(int x) {
    return -x;
}
int squareImpl(int x) {
    return x * x;
}
int describeImpl(int x) {
    return 1000 + x;
}
int untouchedImpl(int x) {
    return x + 1;
}

} // namespace

SUBSTRATE_HOOKABLE(g_tripleSlot, triple, tripleImpl);
SUBSTRATE_HOOKABLE(g_quadrupleSlot, quadruple, quadrupleImpl);
SUBSTRATE_HOOKABLE(g_negateSlot, negate, negateImpl);
SUBSTRATE_HOOKABLE(g_squareSlot, square, squareImpl);
SUBSTRATE_HOOKABLE(g_describeSlot, describe, describeImpl);
SUBSTRATE_HOOKABLE(g_untouchedSlot, untouched, untouchedImpl);

int triple(int x) {
    return substrate::call(g_tripleSlot, x);
}
int quadruple(int x) {
    return substrate::call(g_quadrupleSlot, x);
}
int negate(int x) {
    return substrate::call(g_negateSlot, x);
}
int square(int x) {
    return substrate::call(g_squareSlot, x);
}
int describe(int x) {
    return substrate::call(g_describeSlot, x);
}
int untouched(int x) {
    return substrate::call(g_untouchedSlot, x);
}

namespace {

using Fn = int (*)(int);

// An unregistered function: it has no slot, so it cannot be hooked.
int plainFunction(int x) {
    return x;
}

Fn g_savedTriple = nullptr;
int tripleHook(int x) {
    return g_savedTriple(x) + 1;
}

Fn g_savedQuadruple = nullptr;
int quadrupleHook(int x) {
    return 100 + g_savedQuadruple(x);
}

Fn g_firstSaved = nullptr;
Fn g_secondSaved = nullptr;
std::vector<std::string> g_trail;
int firstHook(int x) {
    g_trail.push_back("first");
    return g_firstSaved(x) + 10;
}
int secondHook(int x) {
    g_trail.push_back("second");
    return g_secondSaved(x) + 20;
}

// Like the key-click hook: swallows one value and calls the public entry with another,
// which must enter this hook again before reaching the original.
Fn g_savedSquare = nullptr;
std::vector<int> g_squareEntries;
int squareHook(int x) {
    g_squareEntries.push_back(x);
    if (x == 1104)
        return square(7);
    return g_savedSquare(x);
}

int replacementOfNothing(int x) {
    return -1;
}

TEST(HookFunction, EveryCallEntersTheReplacementAndTheSavedEntryDoesWhatTheFunctionDid) {
    EXPECT_EQ(triple(5), 15);
    MSHookFunction(&triple, &tripleHook, &g_savedTriple);
    ASSERT_NE(g_savedTriple, nullptr);
    EXPECT_EQ(g_savedTriple(5), 15);
    EXPECT_EQ(triple(5), 16);
}

TEST(HookFunction, APointerTakenBeforeTheHookEntersIt) {
    volatile Fn early = &quadruple; // volatile: the call must go through the pointer
    EXPECT_EQ(early(2), 8);
    MSHookFunction(reinterpret_cast<void*>(&quadruple), reinterpret_cast<void*>(&quadrupleHook),
                   reinterpret_cast<void**>(&g_savedQuadruple));
    EXPECT_EQ(early(2), 108);
    EXPECT_EQ(quadruple(2), 108);
}

TEST(HookFunction, ASecondHookChainsOverTheFirst) {
    MSHookFunction(&negate, &firstHook, &g_firstSaved);
    MSHookFunction(&negate, &secondHook, &g_secondSaved);
    EXPECT_EQ(g_secondSaved, &firstHook);
    EXPECT_EQ(negate(1), -1 + 10 + 20);
    EXPECT_EQ(g_trail, (std::vector<std::string>{"second", "first"}));
}

TEST(HookFunction, TheReplacementCallingThePublicEntryEntersItselfAgain) {
    MSHookFunction(&square, &squareHook, &g_savedSquare);
    EXPECT_EQ(square(1104), 49);
    EXPECT_EQ(g_squareEntries, (std::vector<int>{1104, 7}));
}

TEST(HookFunction, ANullResultStillHooks) {
    MSHookFunction(reinterpret_cast<void*>(&describe),
                   reinterpret_cast<void*>(&replacementOfNothing), nullptr);
    EXPECT_EQ(describe(3), -1);
}

TEST(HookFunction, TheSlotIsFoundByTheEntry) {
    EXPECT_NE(substrate::hookableSlot(reinterpret_cast<void*>(&untouched)), nullptr);
    EXPECT_EQ(substrate::hookableSlot(reinterpret_cast<void*>(&plainFunction)), nullptr);
}

struct Refusal {
    const char* what;
    void* symbol;
    void* replace;
};

class HookFunctionRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(HookFunctionRefusal, IsLoggedLeavesTheResultAndTheFunctionAlone) {
    fixtures::LogCapture log;
    Fn sentinel = &plainFunction;
    MSHookFunction(GetParam().symbol, GetParam().replace, reinterpret_cast<void**>(&sentinel));
    EXPECT_EQ(sentinel, &plainFunction);
    EXPECT_EQ(untouched(1), 2);
    auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0].level, 3);
    EXPECT_EQ(lines[0].text.rfind("MS:Error: MSHookFunction: ", 0), 0U) << lines[0].text;
    EXPECT_NE(lines[0].text.find(GetParam().what), std::string::npos) << lines[0].text;
}

INSTANTIATE_TEST_SUITE_P(
    HookFunction, HookFunctionRefusal,
    testing::Values(Refusal{"null symbol", nullptr, reinterpret_cast<void*>(&replacementOfNothing)},
                    Refusal{"not a hookable entry", reinterpret_cast<void*>(&plainFunction),
                            reinterpret_cast<void*>(&replacementOfNothing)},
                    Refusal{"null replacement", reinterpret_cast<void*>(&untouched), nullptr},
                    Refusal{"already enters", reinterpret_cast<void*>(&untouched),
                            reinterpret_cast<void*>(&untouched)},
                    Refusal{"already enters", reinterpret_cast<void*>(&untouched),
                            reinterpret_cast<void*>(&untouchedImpl)}));

TEST(HookFunction, ARefusalNamesTheAddress) {
    fixtures::LogCapture log;
    MSHookFunction(reinterpret_cast<void*>(&plainFunction),
                   reinterpret_cast<void*>(&replacementOfNothing), nullptr);
    char address[32];
    std::snprintf(address, sizeof address, "%p", reinterpret_cast<void*>(&plainFunction));
    ASSERT_EQ(log.lines().size(), 1U);
    EXPECT_NE(log.lines()[0].text.find(address), std::string::npos) << log.lines()[0].text;
}

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

struct MethodCall {
    objc::Object* self = nullptr;
    objc::SEL sel = nullptr;
    int argument = 0;
};
MethodCall g_lastCall;
objc::IMP g_savedSpeak = nullptr;
int speakHook(objc::Object* self, objc::SEL sel, int x) {
    g_lastCall = {self, sel, x};
    return 1000 + reinterpret_cast<Speak>(g_savedSpeak)(self, sel, x);
}

class HookMessage : public testing::Test {
protected:
    objc::Class* define(const char* name, objc::Class* super) {
        objc::Class* cls = objc::objc_allocateClassPair(super, name);
        objc::objc_registerClassPair(cls);
        m_classes.push_back(cls);
        return cls;
    }
    objc::Ref<Widget> make(objc::Class* cls) { return objc::adopt(new Widget(cls)); }
    void TearDown() override {
        g_savedSpeak = nullptr;
        g_lastCall = {};
        for (objc::Class* cls : m_classes) {
            objc::objc_unregisterClass(cls);
            retired().push_back(cls);
        }
    }
    // Classes live as long as the process, as on the device.
    static std::vector<objc::Class*>& retired() {
        static auto* classes = new std::vector<objc::Class*>;
        return *classes;
    }
    std::vector<objc::Class*> m_classes;
};

TEST_F(HookMessage, ReplacesTheMethodOfAClassFoundByName) {
    define("SubstrateTestSpeaker", objc::NSObjectClass())
        ->addMethod(objc::sel_registerName("speak:"), objc::imp_cast(&speakImpl));
    objc::Class* cls = objc::objc_getClass("SubstrateTestSpeaker");
    ASSERT_NE(cls, nullptr);
    auto widget = make(cls);

    MSHookMessageEx(cls, "speak:", objc::imp_cast(&speakHook), &g_savedSpeak);
    EXPECT_EQ(g_savedSpeak, objc::imp_cast(&speakImpl));
    EXPECT_EQ(objc::msgSend<int>(widget.ptr(), "speak:", 4), 1004);
    EXPECT_EQ(g_lastCall.self, widget.ptr());
    EXPECT_STREQ(g_lastCall.sel, "speak:");
    EXPECT_EQ(g_lastCall.argument, 4);
}

TEST_F(HookMessage, AnInheritedMethodGetsAnOverrideThatCallsTheInheritedOne) {
    objc::Class* base = define("SubstrateTestBase", objc::NSObjectClass());
    base->addMethod(objc::sel_registerName("speak:"), objc::imp_cast(&baseSpeakImpl));
    objc::Class* derived = define("SubstrateTestDerived", base);
    auto derivedWidget = make(derived);
    auto baseWidget = make(base);

    MSHookMessageEx(derived, "speak:", objc::imp_cast(&speakHook), &g_savedSpeak);
    EXPECT_EQ(g_savedSpeak, objc::imp_cast(&baseSpeakImpl));
    EXPECT_TRUE(derived->definesMethod(objc::sel_registerName("speak:")));
    EXPECT_EQ(objc::msgSend<int>(derivedWidget.ptr(), "speak:", 1), 1051);
    EXPECT_EQ(objc::msgSend<int>(baseWidget.ptr(), "speak:", 1), 51); // the superclass is untouched
}

objc::IMP g_firstMethodSaved = nullptr;
int firstSpeakHook(objc::Object* self, objc::SEL sel, int x) {
    return 10 + reinterpret_cast<Speak>(g_firstMethodSaved)(self, sel, x);
}

TEST_F(HookMessage, ASecondHookChainsOverTheFirst) {
    objc::Class* cls = define("SubstrateTestChained", objc::NSObjectClass());
    cls->addMethod(objc::sel_registerName("speak:"), objc::imp_cast(&speakImpl));
    MSHookMessageEx(cls, "speak:", objc::imp_cast(&firstSpeakHook), &g_firstMethodSaved);
    MSHookMessageEx(cls, "speak:", objc::imp_cast(&speakHook), &g_savedSpeak);
    EXPECT_EQ(g_savedSpeak, objc::imp_cast(&firstSpeakHook));
    EXPECT_EQ(objc::msgSend<int>(make(cls).ptr(), "speak:", 2), 1012);
}

TEST_F(HookMessage, RefusalsAreLoggedAndLeaveTheResultAlone) {
    objc::Class* cls = define("SubstrateTestRefuser", objc::NSObjectClass());
    cls->addMethod(objc::sel_registerName("speak:"), objc::imp_cast(&speakImpl));
    const objc::IMP sentinel = objc::imp_cast(&baseSpeakImpl);

    struct Case {
        objc::Class* cls;
        objc::SEL sel;
        objc::IMP replace;
        const char* what;
    } cases[] = {
        {nullptr, "speak:", objc::imp_cast(&speakHook), "nil class"},
        {cls, nullptr, objc::imp_cast(&speakHook), "null selector"},
        {cls, "speak:", nullptr, "null replacement"},
        {cls, "shout:", objc::imp_cast(&speakHook),
         "message not found [SubstrateTestRefuser shout:]"},
        {cls, "speak:", objc::imp_cast(&speakImpl), "already enters"},
    };
    for (const Case& c : cases) {
        fixtures::LogCapture log;
        objc::IMP result = sentinel;
        MSHookMessageEx(c.cls, c.sel, c.replace, &result);
        EXPECT_EQ(result, sentinel) << c.what;
        auto lines = log.lines();
        ASSERT_EQ(lines.size(), 1U) << c.what;
        EXPECT_EQ(lines[0].level, 3);
        EXPECT_NE(lines[0].text.find(c.what), std::string::npos) << lines[0].text;
        EXPECT_EQ(lines[0].text.rfind("MS:Error: MSHookMessageEx: ", 0), 0U) << lines[0].text;
    }
    EXPECT_EQ(objc::msgSend<int>(make(cls).ptr(), "speak:", 3), 3);
}

TEST_F(HookMessage, ASelectorNeedNotBeInterned) {
    objc::Class* cls = define("SubstrateTestInterning", objc::NSObjectClass());
    cls->addMethod(objc::sel_registerName("speak:"), objc::imp_cast(&speakImpl));
    std::string name = "speak:"; // a different pointer with the same text
    MSHookMessageEx(cls, name.c_str(), objc::imp_cast(&speakHook), &g_savedSpeak);
    EXPECT_EQ(objc::msgSend<int>(make(cls).ptr(), "speak:", 5), 1005);
}

} // namespace
