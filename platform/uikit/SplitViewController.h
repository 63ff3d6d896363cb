// UI::SplitViewController: a master and a detail controller side by side; a settings pane
// shows inside the last one, a navigation controller.
#pragma once

#include "foundation/Collections.h"
#include "uikit/ViewController.h"

#include <vector>

namespace UI {

class SplitViewController : public ViewController {
public:
    static objc::Ref<SplitViewController> create();

    // The children, master first, as a new array.
    objc::Ref<NS::Array> viewControllers() const;
    void setViewControllers(std::vector<objc::Ref<ViewController>> controllers);

private:
    SplitViewController();
    std::vector<objc::Ref<ViewController>> m_children;
};

} // namespace UI
