// The facility's loader opens only a library under the device root, and says why it could not.
#include "device/Loader.h"

#include "device/Root.h"
#include "support/TemporaryRoot.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(Loader, OpensOnlyUnderTheDeviceRootAndSaysWhyNot) {
    TemporaryRoot root;
    const std::string tweak = device::kTweakInstallPath;
    auto error = [] { return device::loadTweak().error; };
    EXPECT_NE(error().find(tweak + " is not installed"), std::string::npos) << error();
    root.write(tweak, "not an ELF object");
    EXPECT_EQ(error().rfind("cannot load " + tweak + ": ", 0), 0U) << error();
    device::LoadResult outside = device::loadLibrary("/../outside.dylib");
    EXPECT_EQ(outside.handle, nullptr);
    EXPECT_NE(outside.error.find("not a path under the device root"), std::string::npos);
    device::setRoot({});
    EXPECT_EQ(device::loadTweak().handle, nullptr);
    EXPECT_NE(error().find("no device root is set"), std::string::npos) << error();
}

} // namespace
