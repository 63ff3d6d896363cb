// UI::NavigationItem: what a view controller shows in the navigation bar; here its right item.
#pragma once

#include "uikit/BarButtonItem.h"

namespace UI {

class NavigationItem : public objc::Object {
public:
    static objc::Ref<NavigationItem> create();

    BarButtonItem* rightBarButtonItem() const { return m_rightItem.get(); }
    // Retains the new item and lets go of the one it replaces.
    void setRightBarButtonItem(BarButtonItem* item) { m_rightItem = item; }

private:
    NavigationItem();
    objc::RefPtr<BarButtonItem> m_rightItem;
};

} // namespace UI
