#include "kit/PaneDecisions.h"

#include "kit/KitConfig.h"

#include <algorithm>

namespace kit {

std::string donationPageURL() {
    return "https://" + std::string(config::kDonationHost) +
           "/cgi-bin/webscr?cmd=_s-xclick&hosted_button_id=" +
           std::string(config::kDonationButtonIdentifier);
}

bool donateAnswerOpensPage(long buttonIndex) {
    return buttonIndex == 1;
}

namespace {

// One word for /bin/sh, whatever it holds.
std::string shellQuoted(std::string_view text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace

bool isQueryableIdentifier(std::string_view identifier) {
    if (identifier.empty() || identifier.front() == '-')
        return false;
    return std::none_of(identifier.begin(), identifier.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

std::optional<std::string> versionQueryCommand(std::string_view packageIdentifier) {
    if (!isQueryableIdentifier(packageIdentifier))
        return std::nullopt;
    return "dpkg -s " + shellQuoted(packageIdentifier) + " | grep 'Version'";
}

std::string footerYears(std::string_view startYear, bool startIsCurrentYear,
                        std::string_view currentYear) {
    if (startIsCurrentYear)
        return std::string(currentYear);
    return std::string(startYear) + " - " + std::string(currentYear);
}

std::string footerText(std::string_view holder, std::string_view years,
                       std::string_view versionText) {
    return "\u00A9 " + std::string(holder) + " " + std::string(years) + "\n " +
           std::string(versionText);
}

std::vector<TintStep> tintSteps(bool haveColour, bool paneHasExtendedLayout) {
    if (!haveColour)
        return {};
    using enum TintTarget;
    using P = TintProperty;
    using V = TintValue;
    std::vector<TintStep> steps = {
        {NavigationBar, P::TitleTextAttributes, V::Colour},
        {NavigationBar, P::TintColor, V::Colour},
        {VisibleView, P::TintColor, V::Colour},
        {VisibleView, P::AutoresizesSubviews, V::Yes},
    };
    if (paneHasExtendedLayout)
        steps.push_back({PaneController, P::EdgesForExtendedLayout, V::BottomEdge});
    steps.push_back({SegmentedControl, P::TintColor, V::Colour});
    steps.push_back({Slider, P::MaximumTrackTintColor, V::Colour});
    steps.push_back({Switch, P::OnTintColor, V::Colour});
    return steps;
}

std::vector<TintStep> resetSteps() {
    using enum TintTarget;
    using P = TintProperty;
    using V = TintValue;
    return {
        {NavigationBar, P::BarTintColor, V::Nil},          {NavigationBar, P::TintColor, V::Nil},
        {NavigationBar, P::TitleTextAttributes, V::Black}, {VisibleView, P::TintColor, V::Nil},
        {VisibleView, P::AutoresizesSubviews, V::No},
    };
}

std::vector<std::string> killallArguments(const std::optional<std::string>& signalText,
                                          const std::optional<std::string>& processName) {
    std::vector<std::string> arguments = {"killall", "-" + signalText.value_or("9")};
    if (processName)
        arguments.push_back(*processName);
    return arguments;
}

} // namespace kit
