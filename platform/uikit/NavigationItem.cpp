#include "uikit/NavigationItem.h"

#include "objc/Runtime.h"

namespace UI {

NavigationItem::NavigationItem()
    : Object(objc::objc_lookUpOrRegisterClass("UINavigationItem", objc::NSObjectClass())) {}

objc::Ref<NavigationItem> NavigationItem::create() {
    return objc::adopt(new NavigationItem);
}

} // namespace UI
