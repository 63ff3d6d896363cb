// UI::ViewController: the parts of a view controller that a settings pane and the kit use:
// its navigation item, its view, the split view controller it sits in, presenting another
// controller over it, and `edgesForExtendedLayout` where the system has it.
#pragma once

#include "objc/Object.h"
#include "uikit/View.h"

#include <functional>

namespace UI {

class NavigationItem;
class SplitViewController;

enum RectEdge : unsigned long {
    RectEdgeNone = 0,
    RectEdgeTop = 1,
    RectEdgeLeft = 2,
    RectEdgeBottom = 4,
    RectEdgeRight = 8,
    RectEdgeAll = 15,
};

class ViewController : public objc::Object {
public:
    // A controller whose runtime class is `cls`: by default UIViewController; a pane's own
    // class is a runtime class under viewControllerClass() (or a legacy class, below).
    static objc::Ref<ViewController> create(objc::Class* cls = nullptr);
    static objc::Class* viewControllerClass();
    // A controller class as systems before iOS 7 have it: without `edgesForExtendedLayout`.
    // It stands beside UIViewController, not under it, since a subclass would inherit the
    // method.
    static objc::Class* registerLegacyClass(const char* name);

    // Both are made on first use and never nil.
    NavigationItem& navigationItem();
    View& view();

    // The nearest split view controller among the controllers that contain this one.
    objc::RefPtr<SplitViewController> splitViewController() const;
    objc::RefPtr<ViewController> parentViewController() const { return m_parent.get(); }

    // `edgesForExtendedLayout` and `setEdgesForExtendedLayout:` exist only as runtime methods
    // of UIViewController, so that callers must ask `respondsToSelector` first, as on older
    // systems. This reads the stored value, host side (RectEdgeAll until set).
    unsigned long storedEdgesForExtendedLayout() const { return m_edges; }

    // Shows `controller` over this one and retains it until dismissed; the completion runs
    // once it is shown. Ignored, with a warning, while this one already presents another or
    // when `controller` is nil or already presented elsewhere.
    void presentViewControllerAnimatedCompletion(ViewController* controller, bool animated,
                                                 const std::function<void()>& completion);
    void dismissViewControllerAnimatedCompletion(bool animated, std::function<void()> completion);
    ViewController* presentedViewController() const { return m_presented.get(); }
    objc::RefPtr<ViewController> presentingViewController() const { return m_presenting.get(); }

protected:
    explicit ViewController(objc::Class* cls);
    ~ViewController() override;
    // Called when this controller has been presented; what it shows is its own business.
    virtual void didPresent() {}
    void setParentViewController(ViewController* parent) { m_parent = parent; }

private:
    friend class NavigationController;
    friend class SplitViewController;
    static void registerMethods(objc::Class* cls);

    objc::RefPtr<NavigationItem> m_navigationItem;
    objc::RefPtr<View> m_view;
    objc::WeakPtr<ViewController> m_parent;
    objc::RefPtr<ViewController> m_presented;
    objc::WeakPtr<ViewController> m_presenting;
    unsigned long m_edges = RectEdgeAll;
};

} // namespace UI
