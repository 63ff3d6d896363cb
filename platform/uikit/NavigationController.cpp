#include "uikit/NavigationController.h"

#include "objc/Runtime.h"

#include <algorithm>

namespace UI {

NavigationController::NavigationController()
    : ViewController(
          objc::objc_lookUpOrRegisterClass("UINavigationController", viewControllerClass())),
      m_navigationBar(NavigationBar::create()) {}

objc::Ref<NavigationController>
NavigationController::initWithRootViewController(ViewController* root) {
    auto controller = objc::adopt(new NavigationController);
    controller->pushViewControllerAnimated(root, false);
    return controller;
}

objc::Ref<NS::Array> NavigationController::viewControllers() const {
    std::vector<objc::RefPtr<objc::Object>> items(m_stack.begin(), m_stack.end());
    return NS::Array::array(std::move(items));
}

ViewController* NavigationController::topViewController() const {
    return m_stack.empty() ? nullptr : m_stack.back().ptr();
}

ViewController* NavigationController::visibleViewController() const {
    if (ViewController* presented = presentedViewController())
        return presented;
    return topViewController();
}

void NavigationController::pushViewControllerAnimated(ViewController* controller, bool animated) {
    if (!controller || controller == this)
        return;
    if (std::any_of(m_stack.begin(), m_stack.end(),
                    [&](const auto& c) { return c.ptr() == controller; }))
        return;
    controller->setParentViewController(this);
    m_stack.emplace_back(*controller);
}

objc::RefPtr<ViewController> NavigationController::popViewControllerAnimated(bool animated) {
    if (m_stack.size() < 2)
        return nullptr;
    objc::Ref<ViewController> top = std::move(m_stack.back());
    m_stack.pop_back();
    top->setParentViewController(nullptr);
    return top;
}

} // namespace UI
