#include "uikit/View.h"

#include "objc/Runtime.h"

namespace UI {

objc::Class* View::responderClass() {
    static objc::Class* cls =
        objc::objc_lookUpOrRegisterClass("UIResponder", objc::NSObjectClass());
    return cls;
}

objc::Ref<View> View::create() {
    static objc::Class* cls = objc::objc_lookUpOrRegisterClass("UIView", responderClass());
    return objc::adopt(new View(cls));
}

} // namespace UI
