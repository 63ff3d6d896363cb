// UI::BarButtonItem and UI::NavigationItem: a tap sends the action to a target the item does
// not own, and the navigation item owns its right item.
#include "objc/Runtime.h"
#include "uikit/NavigationItem.h"

#include <gtest/gtest.h>

namespace {

using objc::Ref;
using objc::RefPtr;
using objc::WeakPtr;

// A target that records the senders of "buttonTapped:".
class Target : public objc::Object {
public:
    static Ref<Target> create() {
        auto t = objc::adopt(new Target);
        t->setIsa(cls());
        return t;
    }
    std::vector<const objc::Object*> senders;

private:
    Target() = default;
    static objc::Class* cls() {
        static objc::Class* c = [] {
            objc::Class* k =
                objc::objc_lookUpOrRegisterClass("BarButtonItemTestTarget", objc::NSObjectClass());
            k->addMethod(objc::sel_registerName("buttonTapped:"),
                         objc::imp_cast(+[](objc::Object* self, objc::SEL, objc::Object* sender) {
                             static_cast<Target*>(self)->senders.push_back(sender);
                         }));
            return k;
        }();
        return c;
    }
};

TEST(BarButtonItem, ATapSendsTheActionWithTheItemAsSender) {
    Ref<Target> target = Target::create();
    RefPtr<UI::Image> image = UI::Image::imageWithPixels(1, 1, 1, {0, 0, 0, 0});
    Ref<UI::BarButtonItem> item = UI::BarButtonItem::alloc();
    item->initWithImageStyleTargetAction(image.get(), UI::BarButtonItemStyleDone, target.ptr(),
                                         "buttonTapped:");
    item->tap();
    item->tap();
    EXPECT_EQ(target->senders, (std::vector<const objc::Object*>{item.ptr(), item.ptr()}));
}

TEST(BarButtonItem, TheItemDoesNotOwnItsTargetNorSendsWhatItLacks) {
    Ref<UI::BarButtonItem> item = UI::BarButtonItem::alloc();
    Ref<Target> kept = Target::create();
    {
        Ref<Target> target = Target::create();
        item->initWithImageStyleTargetAction(nullptr, UI::BarButtonItemStylePlain, target.ptr(),
                                             "buttonTapped:");
        EXPECT_EQ(target->retainCount(), 1u);
    }
    EXPECT_FALSE(item->target());
    item->tap(); // no target: nothing happens
    item->initWithImageStyleTargetAction(nullptr, UI::BarButtonItemStylePlain, kept.ptr(),
                                         "somethingElse:");
    EXPECT_NO_THROW(item->tap());
    EXPECT_TRUE(kept->senders.empty());
}

TEST(NavigationItem, RetainsTheRightItemAndReleasesTheOneItReplaces) {
    Ref<UI::NavigationItem> navigationItem = UI::NavigationItem::create();
    WeakPtr<UI::BarButtonItem> first;
    {
        Ref<UI::BarButtonItem> item = UI::BarButtonItem::alloc();
        first = item;
        navigationItem->setRightBarButtonItem(item.ptr());
    }
    ASSERT_TRUE(first.get()) << "the navigation item owns it";
    Ref<UI::BarButtonItem> second = UI::BarButtonItem::alloc();
    navigationItem->setRightBarButtonItem(second.ptr());
    EXPECT_FALSE(first.get());
    EXPECT_EQ(second->retainCount(), 2u);
    navigationItem->setRightBarButtonItem(nullptr);
    EXPECT_EQ(second->retainCount(), 1u);
}

} // namespace
