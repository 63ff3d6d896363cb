#include "uikit/AlertView.h"

#include "device/Events.h"
#include "dispatch/Queue.h"
#include "objc/Runtime.h"

#include <algorithm>
#include <optional>

namespace UI {

namespace {

constexpr const char* kClickedSelector = "alertView:clickedButtonAtIndex:";

// The alerts on screen. Never destroyed: an alert still showing at exit is not freed during
// static destruction, where its delegate's dealloc could reach torn-down state.
struct AlertsOnScreen {
    std::mutex lock;
    std::vector<Ref<AlertView>> alerts;
};

AlertsOnScreen& screen() {
    static auto* instance = new AlertsOnScreen;
    return *instance;
}

std::optional<std::string> text(const RefPtr<NS::String>& s) {
    return s ? std::optional<std::string>(s->str()) : std::nullopt;
}

} // namespace

AlertView::AlertView() {
    static objc::Class* cls =
        objc::objc_lookUpOrRegisterClass("UIAlertView", objc::NSObjectClass());
    setIsa(cls);
}

Ref<AlertView> AlertView::initWithTitleMessageDelegateCancelButtonTitleOtherButtonTitles(
    const NS::String* title, const NS::String* message, objc::Object* delegate,
    const NS::String* cancelButtonTitle,
    std::initializer_list<const NS::String*> otherButtonTitles) {
    Ref<AlertView> alert = objc::adopt(new AlertView);
    alert->m_title = const_cast<NS::String*>(title);
    alert->m_message = const_cast<NS::String*>(message);
    alert->m_delegate = objc::WeakPtr<objc::Object>(delegate);
    if (cancelButtonTitle)
        alert->m_cancelButtonIndex = alert->addButtonWithTitle(cancelButtonTitle);
    for (const NS::String* other : otherButtonTitles)
        alert->addButtonWithTitle(other);
    return alert;
}

NSInteger AlertView::addButtonWithTitle(const NS::String* title) {
    if (!title)
        return -1;
    std::lock_guard guard(m_lock);
    m_buttons.emplace_back(const_cast<NS::String&>(*title));
    return static_cast<NSInteger>(m_buttons.size()) - 1;
}

void AlertView::setTag(NSInteger tag) {
    std::lock_guard guard(m_lock);
    m_tag = tag;
}

NSInteger AlertView::tag() const {
    std::lock_guard guard(m_lock);
    return m_tag;
}

RefPtr<NS::String> AlertView::title() const {
    std::lock_guard guard(m_lock);
    return m_title;
}

RefPtr<NS::String> AlertView::message() const {
    std::lock_guard guard(m_lock);
    return m_message;
}

RefPtr<objc::Object> AlertView::delegate() const {
    std::lock_guard guard(m_lock);
    return m_delegate.get();
}

void AlertView::setDelegate(objc::Object* delegate) {
    objc::WeakPtr<objc::Object> link(delegate);
    std::lock_guard guard(m_lock);
    std::swap(m_delegate, link);
}

NSInteger AlertView::cancelButtonIndex() const {
    std::lock_guard guard(m_lock);
    return m_cancelButtonIndex;
}

NSInteger AlertView::numberOfButtons() const {
    std::lock_guard guard(m_lock);
    return static_cast<NSInteger>(m_buttons.size());
}

RefPtr<NS::String> AlertView::buttonTitleAtIndex(NSInteger index) const {
    std::lock_guard guard(m_lock);
    if (index < 0 || index >= static_cast<NSInteger>(m_buttons.size()))
        return nullptr;
    return m_buttons[static_cast<std::size_t>(index)];
}

bool AlertView::isVisible() const {
    std::lock_guard guard(m_lock);
    return m_visible;
}

void AlertView::show() {
    NSInteger tag;
    RefPtr<NS::String> title, message;
    std::vector<std::string> buttons;
    {
        std::lock_guard guard(m_lock);
        if (m_visible)
            return;
        m_visible = true;
        tag = m_tag;
        title = m_title;
        message = m_message;
        for (const auto& button : m_buttons)
            buttons.push_back(button->str());
    }
    {
        AlertsOnScreen& s = screen();
        std::lock_guard guard(s.lock);
        s.alerts.emplace_back(*this);
    }
    device::emit(
        "alert",
        {{"tag", tag}, {"title", text(title)}, {"message", text(message)}, {"buttons", buttons}});
}

std::vector<Ref<AlertView>> AlertView::visibleAlerts() {
    AlertsOnScreen& s = screen();
    std::lock_guard guard(s.lock);
    return s.alerts;
}

void AlertView::tapButtonAtIndex(NSInteger index) {
    Ref<AlertView> self(*this); // the alert lives on until the delegate has been told
    {
        std::lock_guard guard(m_lock);
        if (!m_visible || index < 0 || index >= static_cast<NSInteger>(m_buttons.size()))
            return;
        m_visible = false;
    }
    std::vector<Ref<AlertView>> dismissed; // released outside the screen's lock
    {
        AlertsOnScreen& s = screen();
        std::lock_guard guard(s.lock);
        auto it = std::find_if(s.alerts.begin(), s.alerts.end(),
                               [this](const Ref<AlertView>& a) { return a.ptr() == this; });
        if (it != s.alerts.end()) {
            dismissed.push_back(std::move(*it));
            s.alerts.erase(it);
        }
    }
    device::emit("tap", {{"index", index}});
    dispatch::main().async([alert = std::move(self), index] {
        RefPtr<objc::Object> delegate = alert->delegate();
        if (delegate && delegate->respondsToSelector(kClickedSelector))
            objc::msgSend<void>(delegate.get(), kClickedSelector,
                                static_cast<objc::Object*>(alert.ptr()), static_cast<long>(index));
    });
}

} // namespace UI
