#include "sim/SettingsPane.h"

#include "cephei/AtomicFile.h"
#include "device/Events.h"
#include "device/Root.h"
#include "foundation/Number.h"
#include "kit/QVKit.h"
#include "preferences/Specifier.h"
#include "sim/Layout.h"
#include "uikit/Color.h"
#include "uikit/Controls.h"
#include "uikit/Image.h"
#include "uikit/NavigationItem.h"

#include <cmath>
#include <cstdio>
#include <dlfcn.h>

namespace sim {

namespace {

using objc::Ref;
using objc::RefPtr;

constexpr PaneActionSyntax kActions[] = {
    {"instrument", 1, 0}, {"enable", 0, 0}, {"disable", 0, 0}, {"donate", 0, 1},
    {"mail", 1, 0},       {"follow", 0, 1}, {"profile", 0, 1}, {"share", 1, 0},
    {"share-tap", 0, 0},  {"footer", 0, 3}, {"tint", 1, 0},    {"reset", 0, 0},
    {"kill", 1, 1},
};

void fail(const std::string& text) {
    device::emit("error", {{"text", text}});
}

// The kit's function of that name in the loaded library, typed as QVKit.h declares it. The
// simulator does not link the kit: it sees only what the library exports.
template <typename Fn>
Fn* kitFunction(void* library, const char* name) {
    void* symbol = library ? dlsym(library, name) : nullptr;
    if (!symbol)
        fail(std::string("the library exports no ") + name);
    return reinterpret_cast<Fn*>(symbol);
}
#define KIT_FUNCTION(library, name) kitFunction<decltype(name)>(library, #name)

std::optional<std::string> hexOf(const objc::Object* object) {
    const auto* colour = dynamic_cast<const UI::Color*>(object);
    if (!colour)
        return std::nullopt;
    auto byte = [](double c) {
        return static_cast<int>(std::lround(std::clamp(c, 0.0, 1.0) * 255));
    };
    char text[16];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", byte(colour->red()), byte(colour->green()),
                  byte(colour->blue()));
    return std::string(text);
}

RefPtr<UI::Color> parseColour(const std::string& text) {
    static const std::pair<const char*, const char*> kNames[] = {
        {"red", "#ff3b30"},   {"orange", "#ff9500"}, {"yellow", "#ffcc00"}, {"green", "#4cd964"},
        {"blue", "#007aff"},  {"purple", "#5856d6"}, {"pink", "#ff2d55"},   {"black", "#000000"},
        {"white", "#ffffff"}, {"gray", "#8e8e93"},
    };
    std::string hex = text;
    for (auto [name, value] : kNames)
        if (text == name)
            hex = value;
    if (hex.size() != 7 || hex[0] != '#' ||
        hex.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
        return nullptr;
    auto component = [&](std::size_t at) {
        return std::stoi(hex.substr(at, 2), nullptr, 16) / 255.0;
    };
    return UI::Color::colorWithRedGreenBlueAlpha(component(1), component(3), component(5), 1.0);
}

// The share button's picture: a small blue bird-less square, 20 x 20 points at scale 2.
RefPtr<UI::Image> shareImage() {
    constexpr std::size_t kPixels = 40;
    std::vector<std::uint8_t> rgba(kPixels * kPixels * 4);
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = 0x1d;
        rgba[i + 1] = 0xa1;
        rgba[i + 2] = 0xf2;
        rgba[i + 3] = 0xff;
    }
    return UI::Image::imageWithPixels(kPixels, kPixels, 2.0, std::move(rgba));
}

RefPtr<NS::String> optionalString(const std::vector<std::string>& words, std::size_t at,
                                  const char* fallback) {
    return NS::str(at < words.size() ? words[at] : std::string(fallback));
}

} // namespace

std::optional<PaneActionSyntax> paneAction(const std::string& word) {
    for (const PaneActionSyntax& action : kActions)
        if (word == action.name)
            return action;
    return std::nullopt;
}

SettingsPane::SettingsPane(void* library)
    : m_library(library),
      m_pane(UI::ViewController::create(objc::objc_lookUpOrRegisterClass(
          "TapsonataListController", UI::ViewController::viewControllerClass()))),
      m_navigation(UI::NavigationController::initWithRootViewController(m_pane.ptr())),
      m_split(UI::SplitViewController::create()) {
    // The Settings list on the left, the pane on the right.
    Ref<UI::NavigationController> list =
        UI::NavigationController::initWithRootViewController(UI::ViewController::create().ptr());
    m_split->setViewControllers({list, m_navigation});
}

void SettingsPane::perform(const std::vector<std::string>& words) {
    const std::string what = words.empty() ? std::string() : words[0];
    std::optional<PaneActionSyntax> syntax = paneAction(what);
    if (!syntax || words.size() < 1 + syntax->required ||
        words.size() > 1 + syntax->required + syntax->optional) {
        fail("pane: bad action: " + (what.empty() ? std::string("(none)") : what));
        return;
    }
    if (what == "instrument") {
        std::optional<int> instrument = parseInstrument(words[1]);
        if (!instrument)
            return fail("pane: unknown instrument: " + words[1]);
        storeSetting("instrument", NS::Number::numberWithInt(*instrument), *instrument);
    } else if (what == "enable" || what == "disable") {
        storeSetting("enabled", NS::Number::numberWithBool(what == "enable"), what == "enable");
    } else if (what == "donate") {
        if (auto show = KIT_FUNCTION(m_library, QVShowDonateAlert))
            show(optionalString(words, 1, "Tapsonata").get());
    } else if (what == "mail") {
        if (auto open = KIT_FUNCTION(m_library, QVOpenMailAddress))
            open(NS::str(words[1]).ptr());
    } else if (what == "follow") {
        if (auto show = KIT_FUNCTION(m_library, QVShowTwitterFollowAlert))
            show(NS::str("Tapsonata").ptr(), nullptr, optionalString(words, 1, "Quarvo").get());
    } else if (what == "profile") {
        if (auto open = KIT_FUNCTION(m_library, QVOpenTwitterUsername))
            open(optionalString(words, 1, "Quarvo").get());
    } else if (what == "share") {
        if (auto add = KIT_FUNCTION(m_library, QVAddTwitterShareButton)) {
            add(m_pane.ptr(), shareImage().get(), NS::str(words[1]).ptr());
            device::emit("share_button",
                         {{"shown", m_pane->navigationItem().rightBarButtonItem() != nullptr}});
        }
    } else if (what == "share-tap") {
        UI::BarButtonItem* button = m_pane->navigationItem().rightBarButtonItem();
        if (!button)
            return fail("pane: there is no share button to tap");
        // A composer still open from an earlier tap has been closed by the user.
        if (m_pane->presentedViewController())
            m_pane->dismissViewControllerAnimatedCompletion(false, nullptr);
        button->tap();
    } else if (what == "footer") {
        if (auto footer = KIT_FUNCTION(m_library, QVVersionCopyrightSpecifier)) {
            RefPtr<objc::Object> specifier = footer(
                optionalString(words, 1, kPackageIdentifier).get(),
                optionalString(words, 2, "Quarvo").get(), optionalString(words, 3, "2015").get());
            auto* group = dynamic_cast<PS::Specifier*>(specifier.get());
            auto text = [&](const char* key) -> std::optional<std::string> {
                RefPtr<objc::Object> value = group ? group->propertyForKey(key) : nullptr;
                return value ? std::optional<std::string>(value->description()) : std::nullopt;
            };
            device::emit("footer",
                         {{"text", text("footerText")}, {"alignment", text("footerAlignment")}});
        }
    } else if (what == "tint") {
        RefPtr<UI::Color> colour = parseColour(words[1]);
        if (!colour)
            return fail("pane: not a colour: " + words[1] + " (use #rrggbb or a name)");
        if (auto tint = KIT_FUNCTION(m_library, QVSetPrefsTint)) {
            tint(m_pane.ptr(), colour.get());
            reportTint();
        }
    } else if (what == "reset") {
        if (auto reset = KIT_FUNCTION(m_library, QVResetPrefsTint)) {
            reset(m_pane.ptr());
            reportTint();
        }
    } else if (what == "kill") {
        RefPtr<objc::Object> signal;
        if (words.size() == 3) {
            const std::string& s = words[1];
            // A number prints as its digits either way; small ones go as a number object.
            bool number = !s.empty() && s.size() < 10 &&
                          s.find_first_not_of("0123456789") == std::string::npos;
            signal = number ? RefPtr<objc::Object>(NS::Number::numberWithInt(std::stoi(s)))
                            : RefPtr<objc::Object>(NS::str(s));
        }
        if (auto killProcess = KIT_FUNCTION(m_library, QVKillProcess))
            killProcess(signal.get(), NS::str(words.back()).ptr());
    }
}

void SettingsPane::storeSetting(const std::string& key, const Ref<objc::Object>& value,
                                const device::JsonValue& shown) {
    // The same locked, atomic update as SpringBoard's preferences store, which writes this
    // file too: neither loses a key the other stored, and a full disk leaves the old file.
    std::filesystem::path file = device::resolve(kSettingsPath);
    std::string error;
    if (file.empty() ||
        !HB::updatePropertyListFile(
            file, [&](NS::Dictionary::Entries& entries) { entries[key] = value; }, error))
        return fail("pane: cannot write the settings file: " + error);
    device::emit("settings_write", {{"key", key}, {"value", shown}});
}

void SettingsPane::reportTint() {
    UI::NavigationBar& bar = m_navigation->navigationBar();
    NS::Dictionary* title = bar.titleTextAttributes();
    RefPtr<objc::Object> titleColour =
        title ? title->objectForKey(UI::NSForegroundColorAttributeName) : nullptr;
    UI::ViewController* visible = m_navigation->visibleViewController();
    UI::View* view = visible ? &visible->view() : nullptr;
    device::emit(
        "tint",
        {{"title", hexOf(titleColour.get())},
         {"bar_tint", hexOf(bar.tintColor())},
         {"bar_background", hexOf(bar.barTintColor())},
         {"view_tint", hexOf(view ? view->tintColor() : nullptr)},
         {"autoresizes", view && view->autoresizesSubviews()},
         {"edges", m_pane->storedEdgesForExtendedLayout()},
         {"switch", hexOf(UI::Switch::showInViewController(*m_pane)->onTintColor())},
         {"slider", hexOf(UI::Slider::showInViewController(*m_pane)->maximumTrackTintColor())},
         {"segmented", hexOf(UI::SegmentedControl::showInViewController(*m_pane)->tintColor())}});
}

} // namespace sim
