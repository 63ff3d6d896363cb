// The facility's loader says why a library cannot be loaded: the simulator shows it, and only
// a broken library reaches it through a run (the end-to-end tests check that one).
#include "device/Loader.h"

#include "device/Root.h"
#include "support/TemporaryRoot.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(Loader, WhatCannotBeLoadedGivesAnErrorThatSaysWhy) {
    TemporaryRoot root;
    auto error = [] { return device::loadTweak().error; };
    EXPECT_NE(error().find(std::string(device::kTweakInstallPath) + " is not installed"),
              std::string::npos)
        << error();
    EXPECT_NE(
        device::loadLibrary("/../outside.dylib").error.find("not a path under the device root"),
        std::string::npos);
    device::setRoot({});
    EXPECT_EQ(device::loadTweak().handle, nullptr);
    EXPECT_NE(error().find("no device root is set"), std::string::npos) << error();
}

} // namespace
