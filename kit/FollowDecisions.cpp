#include "kit/FollowDecisions.h"

namespace kit {

namespace {

constexpr const char* kDefaultInvitation =
    "Hey there! Thanks for installing my tweak! If you'd like to follow me on Twitter for more "
    "updates, tweak giveaways and other cool stuff, hit the button below!";
constexpr const char* kChooserMessage = "Looks like you have multiple Twitter accounts on this "
                                        "device. Which one would you like to use?";

struct ProfileRow {
    const char* probe;
    const char* prefix;
};
constexpr ProfileRow kClients[] = {
    {"tweetbot:", "tweetbot:///user_profile/"},
    {"twitterrific:", "twitterrific:///profile?screen_name="},
    {"tweetings:", "tweetings:///user?screen_name="},
    {"twitter:", "twitter://user?screen_name="},
};
constexpr const char* kWebProfilePrefix = "http://twitter.com/";

} // namespace

AlertDescription invitationAlert(const std::optional<std::string>& title,
                                 const std::optional<std::string>& message) {
    return {title,        message ? message : std::string(kDefaultInvitation),
            "No thanks!", {"I'd love to!"},
            true,         kInvitationTag};
}

AlertDescription singleAccountConfirmation() {
    return {"Done <3",    "Awesome. Thanks for following me ^-^",
            std::nullopt, {"You're welcome <3"},
            false,        std::nullopt};
}

AlertDescription accountChooser(const std::vector<std::string>& accountNames) {
    return {std::nullopt, kChooserMessage, "All!", accountNames, true, kChooserTag};
}

AlertDescription chooserConfirmation() {
    return {"Done <3",
            "Just moving around a few things aaaaaand..... hah! Just kidding. Thanks for following "
            "me. Enjoy the tweak! :)",
            std::nullopt,
            {"Will do!"},
            false,
            std::nullopt};
}

ClickDecision decideClick(long tag, long index, std::size_t accountCount, bool haveHandle) {
    ClickDecision decision;
    if (tag == kChooserTag) {
        // "All!" (index 0) follows from every account; index i from the i-th.
        if (index == 0) {
            for (std::size_t i = 0; i < accountCount; ++i)
                decision.follow.push_back(i);
        } else if (index > 0 && static_cast<std::size_t>(index) <= accountCount) {
            decision.follow.push_back(static_cast<std::size_t>(index) - 1);
        }
        // A tap outside the list follows no one, and no one is thanked for it.
        decision.showChooserConfirmation = !decision.follow.empty();
    } else if (tag == kInvitationTag && index == 1 && haveHandle) {
        decision.askForAccess = true;
    }
    return decision;
}

AccessOutcome decideAccess(bool granted, std::size_t accountCount) {
    if (!granted)
        return AccessOutcome::Nothing;
    if (accountCount == 1)
        return AccessOutcome::FollowTheOnlyAccount;
    return accountCount >= 2 ? AccessOutcome::ShowChooser : AccessOutcome::OpenProfile;
}

FollowRequest followRequest(const std::optional<std::string>& username) {
    FollowRequest request{"com.apple.social.twitter",
                          1,
                          "https://api.twitter.com/1.1/friendships/create.json",
                          {{"follow", "FALSE"}}};
    if (username)
        request.parameters["screen_name"] = *username;
    return request;
}

std::string profileURL(const std::string& handle,
                       const std::function<bool(const std::string& probe)>& canOpen) {
    for (const ProfileRow& row : kClients)
        if (canOpen(row.probe))
            return row.prefix + handle;
    return kWebProfilePrefix + handle;
}

} // namespace kit
