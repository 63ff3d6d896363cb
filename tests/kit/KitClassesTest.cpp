// The kit's classes in the runtime: found by name as soon as the library is loaded, and
// answering for each of their methods by selector.
#include "device/Loader.h"
#include "kit/QVKit.h"
#include "objc/Runtime.h"
#include "support/TemporaryRoot.h"

#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using Selectors = std::vector<const char*>;
struct KitClass {
    const char* name;
    Selectors instanceMethods, classMethods;
} const kKitClasses[] = {
    {"QVWelcomeTwitterHandler",
     {"alertView:clickedButtonAtIndex:", "dropMeAFollow", "followWithAccount:", "dealloc",
      "username", "setUsername:"},
     {}},
    {"QVDonateHandler", {"alertView:clickedButtonAtIndex:", "dealloc"}, {}},
    {"QVBarButtonItem",
     {"dealloc", "shareText", "setShareText:", "container", "setContainer:"},
     {}},
    {"QVTwitterShareHandler", {"shareTapped:"}, {"sharedInstance"}},
};

// The file name of the image whose code implements a method.
std::string imageOf(objc::Class* cls, const char* selector) {
    Dl_info info{};
    objc::IMP imp = cls->lookup(objc::sel_registerName(selector));
    return imp && dladdr(reinterpret_cast<void*>(imp), &info)
               ? std::filesystem::path(info.dli_fname).filename().string()
               : "";
}

// The library stays loaded, as the facility never unloads one; its hooks then stay installed in
// this program, which plays no sound and unlocks nothing.
TEST(KitClasses, TheLibrarysOwnAreFoundByNameOnceLoadedWithTheirMethods) {
    TemporaryRoot root;
    std::filesystem::path installed = root.path(device::kTweakInstallPath);
    std::filesystem::create_directories(installed.parent_path());
    std::filesystem::copy_file(
        std::filesystem::path(TAPSONATA_BINARY_DIR) / "lib" / "Tapsonata.dylib", installed);
    device::LoadResult loaded = device::loadTweak();
    ASSERT_TRUE(loaded.handle) << loaded.error;
    for (const KitClass& kitClass : kKitClasses) {
        SCOPED_TRACE(kitClass.name);
        objc::Class* cls = objc::objc_getClass(kitClass.name);
        ASSERT_NE(cls, nullptr);
        EXPECT_EQ(imageOf(cls, kitClass.instanceMethods[0]), "Tapsonata.dylib");
        for (const char* selector : kitClass.instanceMethods)
            EXPECT_TRUE(cls->instancesRespondToSelector(selector)) << selector;
        for (const char* selector : kitClass.classMethods)
            EXPECT_TRUE(cls->respondsToSelector(selector)) << selector;
    }
}

} // namespace
