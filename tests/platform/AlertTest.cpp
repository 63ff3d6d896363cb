// UI::AlertView: the kit's flows act once per alert, so only the first tap on a button the alert
// has may reach the delegate, whatever is tapped after it.
#include "dispatch/Queue.h"
#include "objc/Runtime.h"
#include "uikit/AlertView.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<long> g_clicks;

class Delegate : public objc::Object {
public:
    Delegate() : objc::Object(cls()) {}

private:
    static void clicked(objc::Object*, objc::SEL, objc::Object*, long index) {
        g_clicks.push_back(index);
    }
    static objc::Class* cls() {
        static objc::Class* c = [] {
            objc::Class* k =
                objc::objc_lookUpOrRegisterClass("AlertTestDelegate", objc::NSObjectClass());
            k->addMethod(objc::sel_registerName("alertView:clickedButtonAtIndex:"),
                         objc::imp_cast(&clicked));
            return k;
        }();
        return c;
    }
};

TEST(AlertView, OnlyTheFirstTapOnAButtonItHasReachesTheDelegate) {
    const struct {
        std::vector<long> taps;
        std::vector<long> delivered;
    } cases[] = {{{1, 0}, {1}}, {{0, 0}, {0}}, {{2, -1, 1, 1}, {1}}, {{}, {}}};
    for (const auto& c : cases) {
        g_clicks.clear();
        auto delegate = objc::adopt(new Delegate);
        auto alert = UI::AlertView::initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
            NS::str("Title").ptr(), nullptr, delegate.ptr(), NS::str("No thanks!").ptr(),
            {NS::str("I'd love to!").ptr()});
        alert->show();
        for (long index : c.taps)
            alert->tapButtonAtIndex(index);
        dispatch::main().runUntilIdle();
        EXPECT_EQ(g_clicks, c.delivered) << c.taps.size() << " taps";
        if (alert->isVisible())
            alert->tapButtonAtIndex(0);
        dispatch::main().runUntilIdle();
    }
}

} // namespace
