// The facility's loader: it opens the library installed under the device root, and the
// library's initialisers run once, in their order.
#include "device/Loader.h"

#include "fixtures/Capture.h"

#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

namespace fs = std::filesystem;

// Built beside the tests by tests/loader_fixture.
const fs::path kFixture = fs::path(TAPSONATA_BINARY_DIR) / "lib" / "loader_fixture.so";
using OrderFn = const char* (*)();
using RunsFn = int (*)();

class Loader : public testing::Test {
protected:
    fs::path install(std::string_view devicePath) {
        fs::path target = root / devicePath;
        fs::create_directories(target.parent_path());
        fs::copy_file(kFixture, target);
        return target;
    }
    fixtures::TemporaryRoot root;
};

TEST_F(Loader, RunsTheInstalledTweaksInitialisersOnceInOrder) {
    ASSERT_TRUE(fs::exists(kFixture)) << kFixture;
    install(device::kTweakInstallPath);
    device::LoadResult loaded = device::loadTweak();
    ASSERT_NE(loaded.handle, nullptr) << loaded.error;
    EXPECT_EQ(loaded.error, "");

    auto order = reinterpret_cast<OrderFn>(dlsym(loaded.handle, "loaderFixtureOrder"));
    auto runs = reinterpret_cast<RunsFn>(dlsym(loaded.handle, "loaderFixtureRuns"));
    ASSERT_NE(order, nullptr);
    ASSERT_NE(runs, nullptr);
    EXPECT_STREQ(order(), "first;second;");
    EXPECT_EQ(runs(), 2);

    device::LoadResult again = device::loadTweak();
    EXPECT_EQ(again.handle, loaded.handle);
    EXPECT_EQ(runs(), 2); // loading again runs nothing
}

TEST_F(Loader, LoadsALibraryAtAnyDevicePath) {
    install("/usr/lib/other.dylib");
    device::LoadResult loaded = device::loadLibrary("/usr/lib/other.dylib");
    ASSERT_NE(loaded.handle, nullptr) << loaded.error;
    auto order = reinterpret_cast<OrderFn>(dlsym(loaded.handle, "loaderFixtureOrder"));
    ASSERT_NE(order, nullptr);
    EXPECT_STREQ(order(), "first;second;");
}

TEST_F(Loader, AMissingTweakGivesAnErrorThatNamesIt) {
    device::LoadResult loaded = device::loadTweak();
    EXPECT_EQ(loaded.handle, nullptr);
    EXPECT_NE(loaded.error.find(device::kTweakInstallPath), std::string::npos) << loaded.error;
    EXPECT_NE(loaded.error.find("not installed"), std::string::npos) << loaded.error;
}

TEST_F(Loader, AFileThatIsNotALibraryGivesTheLinkersError) {
    fs::path target = root / device::kTweakInstallPath;
    fs::create_directories(target.parent_path());
    std::ofstream(target) << "not an ELF object";
    device::LoadResult loaded = device::loadTweak();
    EXPECT_EQ(loaded.handle, nullptr);
    EXPECT_EQ(loaded.error.rfind(std::string("cannot load ") + device::kTweakInstallPath + ": ", 0),
              0U)
        << loaded.error;
    EXPECT_GT(loaded.error.size(),
              std::string("cannot load ").size() + std::strlen(device::kTweakInstallPath) + 2);
}

TEST_F(Loader, APathThatLeavesTheRootIsRefused) {
    device::LoadResult loaded = device::loadLibrary("/../outside.dylib");
    EXPECT_EQ(loaded.handle, nullptr);
    EXPECT_NE(loaded.error.find("not a path under the device root"), std::string::npos)
        << loaded.error;
}

TEST_F(Loader, WithoutADeviceRootNothingIsLoaded) {
    install(device::kTweakInstallPath);
    device::setRoot({});
    device::LoadResult loaded = device::loadTweak();
    EXPECT_EQ(loaded.handle, nullptr);
    EXPECT_NE(loaded.error.find("no device root is set"), std::string::npos) << loaded.error;
}

} // namespace
