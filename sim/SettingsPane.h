// The tweak's settings pane as the Preferences app shows it: a list controller inside a
// navigation controller, the last child of a split view controller. What its buttons do is
// the kit's: the pane calls the kit's exported functions, found in the loaded library by
// name, as the real pane bundle would. It reports what a user would see as events.
//
// Sub-actions (`pane WORD ...` in a run):
//   instrument NAME|N        stores the instrument in the settings file, as the pane's list does
//   enable | disable         stores "enabled"
//   donate [NAME]            QVShowDonateAlert (name "Tapsonata"); `tap 1` opens the page
//   mail ADDRESS             QVOpenMailAddress
//   follow [HANDLE]          QVShowTwitterFollowAlert, titled "Tapsonata", default message
//   profile [HANDLE]         QVOpenTwitterUsername (handle "Quarvo")
//   share TEXT               QVAddTwitterShareButton: a share button in the navigation bar
//   share-tap                taps that button: the Twitter composer, prefilled
//   footer [PKG [HOLDER [YEAR]]]  QVVersionCopyrightSpecifier (com.quarvo.tapsonata, Quarvo, 2015)
//   tint COLOUR              QVSetPrefsTint with "#rrggbb" or a colour's name
//   reset                    QVResetPrefsTint
//   kill [SIGNAL] NAME       QVKillProcess: the simulator ends the device's processes of that name
#pragma once

#include "device/Events.h"
#include "uikit/NavigationController.h"
#include "uikit/SplitViewController.h"

#include <optional>
#include <string>
#include <vector>

namespace sim {

struct PaneActionSyntax {
    const char* name;
    std::size_t required;
    std::size_t optional;
};

// The sub-action named `word`, or nothing.
std::optional<PaneActionSyntax> paneAction(const std::string& word);

class SettingsPane {
public:
    // `library` is the handle of the loaded tweak.
    explicit SettingsPane(void* library);

    // Carries out one sub-action; reports an "error" event for a bad one.
    void perform(const std::vector<std::string>& words);

private:
    void reportTint();
    void storeSetting(const std::string& key, const objc::Ref<objc::Object>& value,
                      const device::JsonValue& shown);

    void* m_library;
    objc::Ref<UI::ViewController> m_pane;
    objc::Ref<UI::NavigationController> m_navigation;
    objc::Ref<UI::SplitViewController> m_split;
};

} // namespace sim
