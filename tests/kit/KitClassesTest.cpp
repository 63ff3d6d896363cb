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
    objc::Class* (*linked)(); // this program's own copy
    Selectors instanceMethods, classMethods;
} const kKitClasses[] = {
    {"QVWelcomeTwitterHandler",
     &QVWelcomeTwitterHandler::runtimeClass,
     {"alertView:clickedButtonAtIndex:", "dropMeAFollow", "followWithAccount:", "dealloc",
      "username", "setUsername:"},
     {}},
    {"QVDonateHandler",
     &QVDonateHandler::runtimeClass,
     {"alertView:clickedButtonAtIndex:", "dealloc"},
     {}},
    {"QVBarButtonItem",
     &QVBarButtonItem::runtimeClass,
     {"dealloc", "shareText", "setShareText:", "container", "setContainer:"},
     {}},
    {"QVTwitterShareHandler",
     &QVTwitterShareHandler::runtimeClass,
     {"shareTapped:"},
     {"sharedInstance"}},
};

// The file whose code implements a class's first method.
std::string imageOf(objc::Class* cls, const char* selector) {
    Dl_info info{};
    objc::IMP imp = cls->lookup(objc::sel_registerName(selector));
    return imp && dladdr(reinterpret_cast<void*>(imp), &info) ? info.dli_fname : "";
}

// Loading and unloading leave the hooks pointing nowhere; nothing in this program plays a sound
// or unlocks.
TEST(KitClasses, TheLibrarysOwnAreFoundByNameOnceLoadedAndNoLongerOnceUnloaded) {
    TemporaryRoot root;
    std::filesystem::path installed = root.path(device::kTweakInstallPath);
    std::filesystem::create_directories(installed.parent_path());
    std::filesystem::copy_file(
        std::filesystem::path(TAPSONATA_BINARY_DIR) / "lib" / "Tapsonata.dylib", installed);
    device::LoadResult loaded = device::loadTweak();
    ASSERT_TRUE(loaded.handle) << loaded.error;
    std::vector<objc::Class*> found;
    for (const KitClass& kitClass : kKitClasses) {
        SCOPED_TRACE(kitClass.name);
        objc::Class* cls = objc::objc_getClass(kitClass.name);
        ASSERT_NE(cls, nullptr);
        const char* first = kitClass.instanceMethods.front();
        EXPECT_EQ(std::filesystem::path(imageOf(cls, first)).filename(), "Tapsonata.dylib");
        found.push_back(cls);
    }
    dlclose(loaded.handle);
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_NE(objc::objc_getClass(kKitClasses[i].name), found[i]) << kKitClasses[i].name;
        objc::objc_registerClassPair(kKitClasses[i].linked()); // this program's own again
    }
}

TEST(KitClasses, EachAnswersForEveryMethodItLists) {
    for (const KitClass& kitClass : kKitClasses) {
        objc::Class* cls = kitClass.linked();
        for (const char* selector : kitClass.instanceMethods)
            EXPECT_TRUE(cls->instancesRespondToSelector(selector)) << kitClass.name << selector;
        for (const char* selector : kitClass.classMethods)
            EXPECT_TRUE(cls->respondsToSelector(selector)) << kitClass.name << selector;
    }
}

TEST(KitClasses, TheHandlersHandleThroughTheRuntimeIsRetainedAndDeallocLetsItGo) {
    objc::Ref<NS::String> handle = NS::str("Quarvo");
    QVWelcomeTwitterHandler* handler = QVWelcomeTwitterHandler::create().leak();
    objc::WeakPtr<objc::Object> weak(handler);
    std::uint32_t owners = handle->retainCount();
    objc::msgSend<void, objc::Object*>(handler, "setUsername:", handle.ptr());
    EXPECT_EQ(objc::msgSend<objc::Object*>(handler, "username"), handle.ptr()) << "not a copy";
    EXPECT_EQ(handle->retainCount(), owners + 1);
    objc::msgSend<void>(handler, "dealloc");
    EXPECT_FALSE(weak.get());
    EXPECT_EQ(handle->retainCount(), owners);
}

} // namespace
