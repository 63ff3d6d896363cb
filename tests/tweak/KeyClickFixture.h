// The key-click hook installed in this test process over a recording stand-in for the saved
// sound function, on a device root with the notes installed.
#pragma once

#include "audiotoolbox/AudioServices.h"
#include "support/TemporaryRoot.h"
#include "tweak/KeyClickHook.h"
#include "tweak/TweakSettings.h"

#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <vector>

class KeyClickFixture : public ::testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // What reached the saved sound function, in order.
    static std::vector<SystemSoundID> passedOn();
    static void enable(int instrument);
    static std::unique_ptr<TemporaryRoot> root;
};
