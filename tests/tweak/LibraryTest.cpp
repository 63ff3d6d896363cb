// The real library, loaded by the facility into a fresh process of each kind: the kit's classes
// it registers, and the hooks it installs there, seen from a hook installed after it, as
// another tweak would.
#include "audiotoolbox/AudioServices.h"
#include "audiotoolbox/SystemSounds.h"
#include "device/Events.h"
#include "device/Loader.h"
#include "objc/Runtime.h"
#include "springboard/SpringBoard.h"
#include "substrate/Substrate.h"
#include "support/EventRecorder.h"
#include "support/TemporaryRoot.h"

#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<SystemSoundID> g_seen;
void (*g_next)(SystemSoundID) = nullptr;

void laterHook(SystemSoundID sound) {
    g_seen.push_back(sound);
    g_next(sound);
}

// Whether the class named `name` answers `selector` with code of the loaded library.
bool inLibrary(const char* name, std::string selector) {
    objc::Class* cls = objc::objc_getClass(name);
    if (cls && selector.starts_with('+')) {
        cls = cls->metaclass();
        selector.erase(0, 1);
    }
    objc::IMP imp = cls ? cls->lookup(objc::sel_registerName(selector.c_str())) : nullptr;
    Dl_info info{};
    return imp && dladdr(reinterpret_cast<void*>(imp), &info) && info.dli_fname &&
           std::string_view(info.dli_fname).ends_with("/Tapsonata.dylib");
}

// Runs in the child: loads the library, clicks and unlocks; returns what went wrong.
std::string loadClickAndUnlock(bool springBoard) {
    TemporaryRoot root;
    root.installNotes();
    root.write("/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist",
               "<plist><dict><key>enabled</key><true/><key>instrument</key>"
               "<integer>2</integer></dict></plist>");
    std::filesystem::create_directories(root.path(device::kTweakInstallPath).parent_path());
    std::filesystem::copy_file(TAPSONATA_LIBRARY, root.path(device::kTweakInstallPath));
    if (springBoard)
        springboard::registerClasses();
    if (device::LoadResult loaded = device::loadTweak(); !loaded.handle)
        return loaded.error;
    // The kit's classes are in the runtime from the load on, each with all its methods, in the
    // library's code ("+": a class method). This program registers none of them itself.
    const std::pair<const char*, std::vector<std::string>> methods[] = {
        {"QVWelcomeTwitterHandler",
         {"alertView:clickedButtonAtIndex:", "dropMeAFollow", "followWithAccount:", "username",
          "setUsername:", "dealloc"}},
        {"QVDonateHandler", {"alertView:clickedButtonAtIndex:", "dealloc"}},
        {"QVBarButtonItem",
         {"shareText", "setShareText:", "container", "setContainer:", "dealloc"}},
        {"QVTwitterShareHandler", {"+sharedInstance", "shareTapped:"}}};
    for (const auto& [name, selectors] : methods)
        for (const std::string& selector : selectors)
            if (!inLibrary(name, selector))
                return std::string(name) + " is not in the runtime with " + selector;
    MSHookFunction(reinterpret_cast<void*>(&AudioServicesPlaySystemSound),
                   reinterpret_cast<void*>(&laterHook), reinterpret_cast<void**>(&g_next));
    AudioServicesPlaySystemSound(1104);
    // The click, then the note it became, played through the public entry.
    if (g_seen.size() != 2 || g_seen[0] != 1104)
        return "a later hook saw " + std::to_string(g_seen.size()) + " sounds";
    auto note = audio::findSystemSound(g_seen[1]);
    if (!note || note->file.value_or("").find("/Tapsonata/drums/") == std::string::npos)
        return "the click did not become a drum hit";
    if (!springBoard)
        return "";
    support::EventRecorder events;
    for (int source : {3, 0, -7})
        springboard::unlock(source);
    if (support::values(events.events("unlock"), "source") !=
        std::vector<std::string>{"3", "0", "-7"})
        return "the unlocks did not arrive with their sources";
    if (events.events("alert").size() != 1)
        return "the first unlock did not show the invitation once";
    return "";
}

class LoadedLibrary : public testing::TestWithParam<bool> {};

TEST_P(LoadedLibrary, HooksClicksAndUnlocksAndHandsEachOnAsItCame) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::string problem = loadClickAndUnlock(GetParam());
            std::fprintf(stderr, "%s", problem.empty() ? "ok" : problem.c_str());
            std::exit(problem.empty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "ok$");
}

INSTANTIATE_TEST_SUITE_P(Process, LoadedLibrary, testing::Bool(),
                         [](const auto& info) { return info.param ? "springboard" : "keyboard"; });

} // namespace
