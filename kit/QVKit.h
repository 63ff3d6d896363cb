// The developer kit: the one public header of the QV… functions and classes that the
// tweak's settings pane (and the tweak itself) call. Everything here is exported under its
// plain name; the functions have C linkage. The four classes are in the runtime as soon as the
// library is loaded (objc_getClass finds them by name), and each answers respondsToSelector for
// every method it lists below by its selector; `dealloc` frees at once, as on the device.
#pragma once

#include "foundation/String.h"
#include "objc/Object.h"
#include "uikit/BarButtonItem.h"

#include <mutex>

#if defined(QV_BUILDING_KIT)
#define QV_EXPORT __attribute__((visibility("default")))
#else
#define QV_EXPORT
#endif

// ---- Follow invitation and Twitter profile ------------------------------------------------

namespace UI {
class AlertView;
}
namespace AC {
class Account;
}

// Opens the profile of a Twitter handle (no leading "@") in the first installed client, or on
// the web. A nil handle opens nothing. Main thread.
extern "C" QV_EXPORT void QVOpenTwitterUsername(NS::String* username);

// Invites the user to follow `username`. A nil title leaves the alert without one; a nil
// message shows the default invitation. A nil handle still shows the invitation: only what
// needs a handle is left out, so "I'd love to!" then asks for no accounts, follows no one and
// opens nothing. Main thread.
extern "C" QV_EXPORT void QVShowTwitterFollowAlert(NS::String* title, NS::String* message,
                                                   NS::String* username);

// The delegate of the invitation and of the account chooser. It lives as long as the alert
// or the access callback that holds it. Methods: "alertView:clickedButtonAtIndex:",
// "dropMeAFollow", "followWithAccount:", "dealloc", "username", "setUsername:". A chooser tap
// outside the account list follows no one and thanks no one.
class QV_EXPORT QVWelcomeTwitterHandler : public objc::Object {
public:
    static objc::Ref<QVWelcomeTwitterHandler> create();
    static objc::Class* runtimeClass();

    objc::RefPtr<NS::String> username() const { return m_username; }
    void setUsername(NS::String* username) { m_username = username; }

    void alertViewClickedButtonAtIndex(UI::AlertView* alert, long index);
    void dropMeAFollow();
    void followWithAccount(AC::Account* account);

protected:
    QVWelcomeTwitterHandler();
    ~QVWelcomeTwitterHandler() override; // dealloc: lets go of the handle

private:
    objc::RefPtr<NS::String> m_username;
};

// ---- Donation invitation and mail link ----------------------------------------------------

namespace UI {
class AlertView;
class Color;
class Image;
class ViewController;
} // namespace UI

// The delegate of the donation alert. The alert holds it (the keep-alive convention), so it
// is freed together with the alert once the user has answered. Methods:
// "alertView:clickedButtonAtIndex:", "dealloc".
class QV_EXPORT QVDonateHandler : public objc::Object {
public:
    static objc::Ref<QVDonateHandler> create();
    static objc::Class* runtimeClass();

    // "Sure!" (index 1) opens the donation page; any other answer does nothing.
    void alertViewClickedButtonAtIndex(UI::AlertView* alert, long index);

protected:
    QVDonateHandler();
};

// Invites the user to donate for the product `name`: the name is the alert's title and fills
// the message, always shown literally. Returns at once. Main thread.
extern "C" QV_EXPORT void QVShowDonateAlert(NS::String* name);
// Opens a new mail to `address` ("mailto:" and the address, unchanged). An address that cannot
// form a URL, or none, opens nothing. Main thread.
extern "C" QV_EXPORT void QVOpenMailAddress(NS::String* address);

// ---- Share button ---------------------------------------------------------------------------

// A share button: it carries its own text and the controller that shows the composer.
// Methods: "dealloc", "shareText", "setShareText:", "container", "setContainer:".
class QV_EXPORT QVBarButtonItem : public UI::BarButtonItem {
public:
    // Made with the inherited initWithImageStyleTargetAction.
    static objc::Ref<QVBarButtonItem> alloc();
    static objc::Class* runtimeClass();

    // Retained.
    objc::RefPtr<NS::String> shareText() const { return m_shareText; }
    void setShareText(NS::String* text) { m_shareText = text; }
    // A weak link: the controller owns the item, never the other way round, and the link
    // reads nil once the controller is gone.
    objc::RefPtr<UI::ViewController> container() const;
    void setContainer(UI::ViewController* container);

protected:
    QVBarButtonItem();
    ~QVBarButtonItem() override; // dealloc: lets go of the text

private:
    objc::RefPtr<NS::String> m_shareText;
    mutable std::mutex m_containerLock; // the container property is atomic
    objc::WeakPtr<UI::ViewController> m_container;
};

// The one target of every share button in the process. It holds no state: what a tap needs
// is on the item that sends it. Methods: "shareTapped:", and the class method "sharedInstance".
class QV_EXPORT QVTwitterShareHandler : public objc::Object {
public:
    // Made on first use and kept for the life of the process; the caller does not own it.
    // Any thread: every call takes the lock of the class object.
    static QVTwitterShareHandler* sharedInstance();
    static objc::Class* runtimeClass();

    // The buttons' action: opens the Twitter composer with the sender's text over the sender's
    // container. Does nothing where Social is missing. Main thread.
    void shareTapped(objc::Object* sender);

protected:
    QVTwitterShareHandler();
};

// Puts a share button at the right of the controller's navigation bar, replacing any right
// button there. A tap opens the Twitter composer over that controller, prefilled with
// `shareText`. Main thread.
extern "C" QV_EXPORT void QVAddTwitterShareButton(UI::ViewController* viewController,
                                                  UI::Image* image, NS::String* shareText);

// ---- Version and copyright footer -----------------------------------------------------------

// A Preferences group specifier whose centred footer reads "© holder years" and, on the next
// line behind one space, the "Version" lines that dpkg reports for the package. The years are
// the current UTC year alone when `startYear` is equal to it (a string), else "start - current".
// The identifier is quoted for the shell, so any text reaches dpkg as one word (dpkg ignores
// case: "Com.Quarvo.Tapsonata" shows the version). Only an identifier that could never name a
// package runs nothing and shows no version: an empty one, one holding a control character,
// or one starting with '-', which dpkg would read as an option. Nil where
// the Preferences framework is not loaded (no class "PSSpecifier"); the query has still run.
// Blocks until the query's output closes. Any thread.
extern "C" QV_EXPORT objc::RefPtr<objc::Object>
QVVersionCopyrightSpecifier(NS::String* packageIdentifier, NS::String* holder,
                            objc::Object* startYear);

// ---- Settings-pane tint -------------------------------------------------------------------

// Colours the navigation bar's title and buttons and the view on screen, extends the pane's
// layout under the bottom bar where the system can, and colours the switches, sliders and
// segmented controls of every controller of the pane's class from then on. A nil colour does
// nothing. A nil pane does nothing either: the device would still run the three appearance
// steps with no container class, which UIKit reads as every control in the process, and a
// missing pane is no reason to colour the whole process. Main thread.
extern "C" QV_EXPORT void QVSetPrefsTint(UI::ViewController* paneController, UI::Color* colour);
// Sets the bar (black title, no tints) and the view on screen (no tint, no autoresizing) back;
// leaves the edges and the controls' colours. Main thread.
extern "C" QV_EXPORT void QVResetPrefsTint(UI::ViewController* paneController);

// ---- Process termination ------------------------------------------------------------------

// Sends `signal` (its description, as killall takes it after a hyphen; nil for 9) to the
// processes named `processName` by starting /usr/bin/killall. Returns at once, without
// waiting; the child is reaped in the background. Any thread.
extern "C" QV_EXPORT void QVKillProcess(objc::Object* signal, NS::String* processName);
