// UI::NavigationController: a stack of controllers under one navigation bar.
#pragma once

#include "foundation/Collections.h"
#include "uikit/NavigationBar.h"
#include "uikit/ViewController.h"

#include <vector>

namespace UI {

class NavigationController : public ViewController {
public:
    // A nil root gives an empty stack.
    static objc::Ref<NavigationController> initWithRootViewController(ViewController* root);

    // The stack, root first, as a new array.
    objc::Ref<NS::Array> viewControllers() const;
    ViewController* topViewController() const;
    // What is on screen: the controller presented over this one if there is one, otherwise
    // the top of the stack.
    ViewController* visibleViewController() const;
    NavigationBar& navigationBar() { return *m_navigationBar; }

    // Ignores nil and controllers already on the stack.
    void pushViewControllerAnimated(ViewController* controller, bool animated);
    // The root stays; returns the controller taken off, or nil.
    objc::RefPtr<ViewController> popViewControllerAnimated(bool animated);

private:
    NavigationController();
    std::vector<objc::Ref<ViewController>> m_stack;
    objc::Ref<NavigationBar> m_navigationBar;
};

} // namespace UI
