// The follow flow against the platform stand-ins: a device root with Twitter accounts, a URL
// opener that records, and a local server standing for the API.
#pragma once

#include "kit/QVKit.h"
#include "objc/Object.h"
#include "support/EventRecorder.h"
#include "support/FakeURLOpener.h"
#include "support/LocalHTTPServer.h"
#include "support/TemporaryRoot.h"
#include "uikit/AlertView.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

class FollowFlow : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The device's Twitter accounts and the user's answer to the access request.
    void setAccounts(const std::vector<std::string>& names, bool grant = true);
    // Runs the main queue and waits for background work until both are idle.
    static void settle();

    // The invitation as QVShowTwitterFollowAlert puts it up, and a weak link to its handler.
    objc::WeakPtr<UI::AlertView> invite();
    static objc::RefPtr<UI::AlertView> topAlert();
    static void tap(long index);

    std::vector<std::string> buttons(const UI::AlertView& alert) const;

    std::optional<TemporaryRoot> root;
    std::optional<support::ScopedFakeURLOpener> opener;
    std::optional<support::LocalHTTPServer> server;
    std::optional<support::EventRecorder> events;
    objc::WeakPtr<objc::Object> handler;
};
