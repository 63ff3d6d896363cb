// The decisions of the follow invitation and the profile opener, as plain functions: which
// alert to build, what a tap means, what the access answer leads to, which request to send
// and which profile URL to open. The platform only carries them out.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kit {

inline constexpr long kInvitationTag = 1;
inline constexpr long kChooserTag = 2;

struct AlertDescription {
    std::optional<std::string> title;
    std::optional<std::string> message;
    std::optional<std::string> cancelButton; // index 0 when present
    std::vector<std::string> otherButtons;   // then these, in order
    bool delegateIsHandler = false;
    std::optional<long> tag; // not set: the platform's default
};

// `title` and `message` are absent when the caller passed none; an empty message stays empty.
AlertDescription invitationAlert(const std::optional<std::string>& title,
                                 const std::optional<std::string>& message);
AlertDescription singleAccountConfirmation();
AlertDescription accountChooser(const std::vector<std::string>& accountNames);
AlertDescription chooserConfirmation();

// What a tap on an alert of the handler means. Without a handle there is no one to follow,
// so "I'd love to!" asks for nothing.
struct ClickDecision {
    bool askForAccess = false;            // "I'd love to!" on the invitation
    std::vector<std::size_t> follow;      // accounts to follow from, by list position, in order
    bool showChooserConfirmation = false; // thanks only when someone was followed
};
ClickDecision decideClick(long tag, long index, std::size_t accountCount, bool haveHandle);

// What the answer to the access request leads to.
enum class AccessOutcome { Nothing, FollowTheOnlyAccount, ShowChooser, OpenProfile };
AccessOutcome decideAccess(bool granted, std::size_t accountCount);

struct FollowRequest {
    std::string serviceType;
    int method; // 1: POST
    std::string url;
    std::map<std::string, std::string> parameters;
};
// The request that follows `username` from an account. The API's host is the real service's;
// the platform may point it elsewhere.
FollowRequest followRequest(const std::optional<std::string>& username);

// The profile to open for a handle: the first installed client in the preference order, else
// the web. `canOpen` answers the probes, asked in order and no further than the first yes.
std::string profileURL(const std::string& handle,
                       const std::function<bool(const std::string& probe)>& canOpen);

} // namespace kit
