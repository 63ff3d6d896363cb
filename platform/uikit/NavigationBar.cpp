#include "uikit/NavigationBar.h"

#include "objc/Runtime.h"
#include "uikit/View.h"

namespace UI {

NavigationBar::NavigationBar()
    : Object(objc::objc_lookUpOrRegisterClass("UINavigationBar", View::responderClass())) {}

objc::Ref<NavigationBar> NavigationBar::create() {
    return objc::adopt(new NavigationBar);
}

void NavigationBar::setTitleTextAttributes(const NS::Dictionary* attributes) {
    if (!attributes) {
        m_titleTextAttributes = nullptr;
        return;
    }
    m_titleTextAttributes = NS::Dictionary::dictionary(attributes->entries());
}

} // namespace UI
