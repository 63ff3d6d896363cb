// The decisions of the settings-pane kit, as plain functions and tables: which texts the
// donation alert shows and which page it opens, which command the footer runs and which text
// it holds, which property of which object a tint sets, and which arguments killall gets.
// The platform only carries them out.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

// ---- Donation invitation and mail link ----------------------------------------------------

// The one placeholder takes the product's name, always as an argument, never as the format.
inline constexpr std::string_view kDonateMessageFormat =
    "Hey there! %@ is free, if you like it, please consider a little donation :) It would be "
    "incredibly kind from you!";
inline constexpr std::string_view kDonateCancelTitle = "No thanks!"; // index 0
inline constexpr std::string_view kDonateAcceptTitle = "Sure!";      // index 1
inline constexpr std::string_view kMailLinkPrefix = "mailto:";

// The donation page, the same whatever product asks.
std::string donationPageURL();
// Only "Sure!" opens the page; any other index does nothing.
bool donateAnswerOpensPage(long buttonIndex);

// ---- Version and copyright footer -------------------------------------------------------------

inline constexpr std::string_view kShellPath = "/bin/sh";
inline constexpr std::string_view kYearLocale = "en_US_POSIX";
inline constexpr std::string_view kYearFormat = "yyyy";
inline constexpr std::string_view kFooterTextKey = "footerText";
inline constexpr std::string_view kFooterAlignmentKey = "footerAlignment";
inline constexpr std::string_view kFooterAlignmentCentred = "1"; // a string, not a number

// Whether dpkg could ever be asked about the identifier: not empty, no control character, and
// no leading '-', which dpkg would take for an option. Anything else is dpkg's to judge (it
// looks names up without regard to case).
bool isQueryableIdentifier(std::string_view identifier);
// The shell command that prints the package's "Version" lines, with the identifier quoted as
// one word whatever it holds. None for an identifier that is not queryable: nothing runs then.
std::optional<std::string> versionQueryCommand(std::string_view packageIdentifier);
// The current year alone when the start year is it, else "start - current", start first:
// years are compared for equality only, never ordered.
std::string footerYears(std::string_view startYear, bool startIsCurrentYear,
                        std::string_view currentYear);
// "© holder years", a line feed, one space, and the version text unchanged.
std::string footerText(std::string_view holder, std::string_view years,
                       std::string_view versionText);

// ---- Settings-pane tint -------------------------------------------------------------------

enum class TintTarget {
    NavigationBar,    // of the navigation controller that shows the pane
    VisibleView,      // the view of the controller on screen
    PaneController,   // the pane's own controller
    SegmentedControl, // appearance proxies inside the pane controller's class
    Slider,
    Switch,
};
enum class TintProperty {
    TitleTextAttributes, // a one-entry dictionary: the foreground colour
    TintColor,
    BarTintColor,
    AutoresizesSubviews,
    EdgesForExtendedLayout,
    MaximumTrackTintColor,
    OnTintColor,
};
enum class TintValue { Colour, Black, Nil, Yes, No, BottomEdge };

struct TintStep {
    TintTarget target;
    TintProperty property;
    TintValue value;
    bool operator==(const TintStep&) const = default;
};

// The steps of a tint, in order. None without a colour: the title step needs one.
std::vector<TintStep> tintSteps(bool haveColour, bool paneHasExtendedLayout);
// The steps of a reset, in order; it leaves the edges and the appearance proxies alone.
std::vector<TintStep> resetSteps();

// ---- Process termination ------------------------------------------------------------------

inline constexpr std::string_view kKillallPath = "/usr/bin/killall";

// "killall", then "-" and the signal's text ("9" when there is no signal; a hyphen is added
// whatever the text holds), then the process name when there is one.
std::vector<std::string> killallArguments(const std::optional<std::string>& signalText,
                                          const std::optional<std::string>& processName);

} // namespace kit
