#include "KeyClickFixture.h"

#include "device/Random.h"
#include "substrate/Substrate.h"

namespace {

std::mutex g_lock;
std::vector<SystemSoundID> g_passedOn;
void (*g_realPlay)(SystemSoundID) = nullptr;

// Stands where the original function was when the tweak hooked it: records, then plays.
void recordingPlay(SystemSoundID sound) {
    {
        std::lock_guard guard(g_lock);
        g_passedOn.push_back(sound);
    }
    g_realPlay(sound);
}

} // namespace

std::unique_ptr<TemporaryRoot> KeyClickFixture::root;

void KeyClickFixture::SetUpTestSuite() {
    root = std::make_unique<TemporaryRoot>();
    root->installNotes();
    // Hooks stay for the life of the process, as on the device: install them once.
    static bool hooked = [] {
        MSHookFunction(reinterpret_cast<void*>(&AudioServicesPlaySystemSound),
                       reinterpret_cast<void*>(&recordingPlay),
                       reinterpret_cast<void**>(&g_realPlay));
        MSHookFunction(reinterpret_cast<void*>(&AudioServicesPlaySystemSound),
                       reinterpret_cast<void*>(&tweak::keyClickHook),
                       reinterpret_cast<void**>(&tweak::settings().savedPlaySystemSound));
        tweak::buildSoundTable();
        return true;
    }();
    (void)hooked;
}

void KeyClickFixture::TearDownTestSuite() {
    root.reset();
}

void KeyClickFixture::SetUp() {
    std::lock_guard guard(g_lock);
    g_passedOn.clear();
}

void KeyClickFixture::TearDown() {
    device::setRandomSource(nullptr);
    tweak::settings().enabled = false;
}

std::vector<SystemSoundID> KeyClickFixture::passedOn() {
    std::lock_guard guard(g_lock);
    return g_passedOn;
}

void KeyClickFixture::enable(int instrument) {
    tweak::settings().enabled = true;
    tweak::settings().instrument = instrument;
}
