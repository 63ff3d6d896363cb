#include "uikit/SplitViewController.h"

#include "objc/Runtime.h"

namespace UI {

SplitViewController::SplitViewController()
    : ViewController(
          objc::objc_lookUpOrRegisterClass("UISplitViewController", viewControllerClass())) {}

objc::Ref<SplitViewController> SplitViewController::create() {
    return objc::adopt(new SplitViewController);
}

objc::Ref<NS::Array> SplitViewController::viewControllers() const {
    std::vector<objc::RefPtr<objc::Object>> items(m_children.begin(), m_children.end());
    return NS::Array::array(std::move(items));
}

void SplitViewController::setViewControllers(std::vector<objc::Ref<ViewController>> controllers) {
    for (auto& child : m_children)
        child->setParentViewController(nullptr);
    m_children = std::move(controllers);
    for (auto& child : m_children)
        child->setParentViewController(this);
}

} // namespace UI
