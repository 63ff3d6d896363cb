// UI::AlertView: a system alert. Showing never blocks: show() returns at once, and a tap
// (from the simulator or a test) arrives later as the delegate's
// "alertView:clickedButtonAtIndex:", on the main queue.
//
// Button indices follow the platform's rule: the cancel button, if any, is index 0, and the
// other buttons follow in the order given or added. The platform keeps a shown alert alive
// until a tap dismisses it; the delegate is a weak link, so whoever wants it to live as long
// as the alert attaches it as an associated object of the alert.
#pragma once

#include "foundation/String.h"

#include <initializer_list>
#include <mutex>
#include <vector>

namespace UI {

using NSInteger = long;
using objc::Ref;
using objc::RefPtr;

class AlertView : public objc::Object {
public:
    // An absent title, message, cancel title or delegate is simply left out; nil entries
    // among the other titles are skipped.
    static Ref<AlertView> initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
        const NS::String* title, const NS::String* message, objc::Object* delegate,
        const NS::String* cancelButtonTitle,
        std::initializer_list<const NS::String*> otherButtonTitles);

    // The new button's index; -1 (and no button) for a nil title.
    NSInteger addButtonWithTitle(const NS::String* title);
    void setTag(NSInteger tag);
    NSInteger tag() const;
    RefPtr<NS::String> title() const;
    RefPtr<NS::String> message() const;
    RefPtr<objc::Object> delegate() const;
    void setDelegate(objc::Object* delegate);
    NSInteger cancelButtonIndex() const; // -1 when there is none
    NSInteger numberOfButtons() const;
    RefPtr<NS::String> buttonTitleAtIndex(NSInteger index) const; // nil outside the buttons
    bool isVisible() const;

    // Puts the alert on screen and reports it as an "alert" event. Showing an alert that is
    // already on screen does nothing.
    void show();

    // Host side. The alerts on screen, oldest first.
    static std::vector<Ref<AlertView>> visibleAlerts();
    // Taps a button of an alert on screen: reports a "tap" event, dismisses the alert, and
    // queues the delegate's "alertView:clickedButtonAtIndex:" on the main queue, holding the
    // alert until that has run. A tap on an alert not on screen, or outside its buttons, does
    // nothing.
    void tapButtonAtIndex(NSInteger index);

private:
    AlertView();

    mutable std::mutex m_lock;
    RefPtr<NS::String> m_title;
    RefPtr<NS::String> m_message;
    objc::WeakPtr<objc::Object> m_delegate;
    std::vector<Ref<NS::String>> m_buttons;
    NSInteger m_cancelButtonIndex = -1;
    NSInteger m_tag = 0;
    bool m_visible = false;
};

} // namespace UI
