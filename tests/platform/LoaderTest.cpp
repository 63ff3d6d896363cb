// The facility's loader: it opens the library installed under the device root, and the
// library's initialisers run once, in their order.
#include "device/Loader.h"

#include "device/Root.h"
#include "support/TemporaryRoot.h"

#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

namespace fs = std::filesystem;

// Built beside the tests by tests/loader_fixture.
const fs::path kFixture = fs::path(TAPSONATA_BINARY_DIR) / "lib" / "loader_fixture.so";

class Loader : public testing::Test {
protected:
    void install(std::string_view devicePath) {
        fs::create_directories(root.path(devicePath).parent_path());
        fs::copy_file(kFixture, root.path(devicePath));
    }
    TemporaryRoot root;
};

TEST_F(Loader, RunsTheInstalledTweaksInitialisersOnceInOrder) {
    ASSERT_TRUE(fs::exists(kFixture)) << kFixture;
    install(device::kTweakInstallPath);
    device::LoadResult loaded = device::loadTweak();
    ASSERT_NE(loaded.handle, nullptr) << loaded.error;
    EXPECT_EQ(loaded.error, "");

    auto order = reinterpret_cast<const char* (*)()>(dlsym(loaded.handle, "loaderFixtureOrder"));
    auto runs = reinterpret_cast<int (*)()>(dlsym(loaded.handle, "loaderFixtureRuns"));
    ASSERT_NE(order, nullptr);
    ASSERT_NE(runs, nullptr);
    EXPECT_STREQ(order(), "first;second;");
    EXPECT_EQ(runs(), 2);
    EXPECT_EQ(device::loadTweak().handle, loaded.handle);
    EXPECT_EQ(runs(), 2) << "loading again runs nothing";
}

TEST_F(Loader, WhatCannotBeLoadedGivesAnErrorThatSaysWhy) {
    auto error = [] { return device::loadTweak().error; };
    EXPECT_NE(error().find(std::string(device::kTweakInstallPath) + " is not installed"),
              std::string::npos)
        << error();
    root.write(device::kTweakInstallPath, "not an ELF object");
    EXPECT_EQ(error().rfind(std::string("cannot load ") + device::kTweakInstallPath + ": ", 0), 0U)
        << error();
    EXPECT_NE(
        device::loadLibrary("/../outside.dylib").error.find("not a path under the device root"),
        std::string::npos);
    device::setRoot({});
    EXPECT_EQ(device::loadTweak().handle, nullptr);
    EXPECT_NE(error().find("no device root is set"), std::string::npos) << error();
}

} // namespace
