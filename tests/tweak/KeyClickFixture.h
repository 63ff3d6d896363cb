// The key-click hook installed in this test process over a recording stand-in for the saved
// sound function, on a device root with the notes installed.
#pragma once

#include "audiotoolbox/AudioServices.h"
#include "device/Random.h"
#include "substrate/Substrate.h"
#include "support/TemporaryRoot.h"
#include "tweak/KeyClickHook.h"
#include "tweak/TweakSettings.h"

#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <vector>

class KeyClickFixture : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        root = std::make_unique<TemporaryRoot>();
        root->installNotes();
        // Hooks stay for the life of the process, as on the device: install them once.
        static const bool hooked = [] {
            hook(&recordingPlay, &realPlay);
            hook(&tweak::keyClickHook, &tweak::settings().savedPlaySystemSound);
            tweak::buildSoundTable();
            return true;
        }();
        (void)hooked;
    }
    static void TearDownTestSuite() { root.reset(); }
    void SetUp() override {
        std::lock_guard guard(lock);
        passed.clear();
    }
    void TearDown() override {
        device::setRandomSource(nullptr);
        tweak::settings().enabled = false;
    }

    // What reached the saved sound function, in order.
    static std::vector<SystemSoundID> passedOn() {
        std::lock_guard guard(lock);
        return passed;
    }
    static void enable(int instrument) {
        tweak::settings().enabled = true;
        tweak::settings().instrument = instrument;
    }
    static inline std::unique_ptr<TemporaryRoot> root;

private:
    static void hook(void (*replacement)(SystemSoundID), void (**saved)(SystemSoundID)) {
        MSHookFunction(reinterpret_cast<void*>(&AudioServicesPlaySystemSound),
                       reinterpret_cast<void*>(replacement), reinterpret_cast<void**>(saved));
    }
    // Stands where the original function was when the tweak hooked it: records, then plays.
    static void recordingPlay(SystemSoundID sound) {
        {
            std::lock_guard guard(lock);
            passed.push_back(sound);
        }
        realPlay(sound);
    }
    static inline std::mutex lock;
    static inline std::vector<SystemSoundID> passed;
    static inline void (*realPlay)(SystemSoundID) = nullptr;
};
