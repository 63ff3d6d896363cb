#include "uikit/ViewController.h"

#include "foundation/Log.h"
#include "objc/Runtime.h"
#include "uikit/NavigationItem.h"
#include "uikit/SplitViewController.h"

namespace UI {

namespace {

unsigned long edgesForExtendedLayout(objc::Object* self, objc::SEL) {
    return static_cast<ViewController*>(self)->storedEdgesForExtendedLayout();
}

} // namespace

void ViewController::registerMethods(objc::Class* cls) {
    cls->addMethod(objc::sel_registerName("edgesForExtendedLayout"),
                   objc::imp_cast(&edgesForExtendedLayout));
    cls->addMethod(objc::sel_registerName("setEdgesForExtendedLayout:"),
                   objc::imp_cast(+[](objc::Object* self, objc::SEL, unsigned long edges) {
                       static_cast<ViewController*>(self)->m_edges = edges;
                   }));
}

objc::Class* ViewController::viewControllerClass() {
    static objc::Class* cls = [] {
        objc::Class* c =
            objc::objc_lookUpOrRegisterClass("UIViewController", View::responderClass());
        registerMethods(c);
        return c;
    }();
    return cls;
}

objc::Class* ViewController::registerLegacyClass(const char* name) {
    return objc::objc_lookUpOrRegisterClass(name, View::responderClass());
}

ViewController::ViewController(objc::Class* cls) : Object(cls ? cls : viewControllerClass()) {}

ViewController::~ViewController() = default;

objc::Ref<ViewController> ViewController::create(objc::Class* cls) {
    return objc::adopt(new ViewController(cls));
}

NavigationItem& ViewController::navigationItem() {
    if (!m_navigationItem)
        m_navigationItem = NavigationItem::create();
    return *m_navigationItem;
}

View& ViewController::view() {
    if (!m_view)
        m_view = View::create();
    return *m_view;
}

objc::RefPtr<SplitViewController> ViewController::splitViewController() const {
    for (objc::RefPtr<ViewController> c = m_parent.get(); c; c = c->m_parent.get()) {
        if (auto* split = dynamic_cast<SplitViewController*>(c.get()))
            return split;
    }
    return nullptr;
}

void ViewController::presentViewControllerAnimatedCompletion(
    ViewController* controller, bool animated, const std::function<void()>& completion) {
    if (!controller)
        return;
    if (m_presented || controller->m_presenting.get() || controller == this) {
        CFLog(4, "Warning: Attempt to present %@ on %@ which is already presenting", controller,
              this);
        return;
    }
    m_presented = controller;
    controller->m_presenting = this;
    controller->didPresent();
    if (completion)
        completion();
}

void ViewController::dismissViewControllerAnimatedCompletion(bool animated,
                                                             std::function<void()> completion) {
    if (!m_presented) {
        // A presented controller dismisses itself through the one that presented it.
        if (objc::RefPtr<ViewController> presenter = m_presenting.get())
            presenter->dismissViewControllerAnimatedCompletion(animated, std::move(completion));
        return;
    }
    objc::RefPtr<ViewController> presented = std::move(m_presented);
    presented->m_presenting = nullptr;
    if (completion)
        completion();
}

} // namespace UI
