#include "audiotoolbox/SystemSounds.h"

#include <cmath>
#include <mutex>
#include <numbers>
#include <unordered_map>

namespace audio {

namespace {

struct Registry {
    std::mutex lock;
    std::unordered_map<SystemSoundID, std::shared_ptr<const Sound>> sounds;
    SystemSoundID next = kFirstCreatedSoundID;
};

Registry& registry() {
    static Registry* r = new Registry; // never destroyed: voices may outlive the statics
    return *r;
}

// A 6 ms tick: a 3 kHz tone with a little noise, decaying fast, peaking near -9 dBFS.
std::shared_ptr<const Sound> keyClick(SystemSoundID id) {
    auto sound = std::make_shared<Sound>();
    sound->id = id;
    const std::size_t length = kSampleRate * 6 / 1000;
    std::uint32_t noise = 0x9e3779b9u;
    for (std::size_t i = 0; i < length; ++i) {
        noise = noise * 1664525u + 1013904223u;
        double n = static_cast<double>(noise >> 8) / double(1u << 24) * 2 - 1;
        double tone = std::sin(2 * std::numbers::pi * 3000 * double(i) / kSampleRate);
        double envelope = std::exp(-double(i) / (kSampleRate * 0.0012));
        sound->samples.push_back(
            static_cast<std::int16_t>(std::lround(11000 * envelope * (0.7 * tone + 0.3 * n))));
    }
    return sound;
}

} // namespace

namespace detail {

SystemSoundID addSound(std::shared_ptr<Sound> sound) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    // Skips identifiers still in use once the count has wrapped, and never hands out a
    // built-in one.
    while (r.next < kFirstCreatedSoundID || r.sounds.contains(r.next))
        r.next = r.next < kFirstCreatedSoundID ? kFirstCreatedSoundID : r.next + 1;
    SystemSoundID id = r.next++;
    sound->id = id;
    r.sounds.emplace(id, std::move(sound));
    return id;
}

bool removeSound(SystemSoundID id) {
    std::shared_ptr<const Sound> removed;
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto it = r.sounds.find(id);
    if (it == r.sounds.end())
        return false;
    removed = std::move(it->second); // freed after the lock, if no voice holds it
    r.sounds.erase(it);
    return true;
}

std::size_t soundCount() {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    return r.sounds.size();
}

} // namespace detail

std::shared_ptr<const Sound> findSystemSound(SystemSoundID id) {
    if (id == kKeyPressClickSoundID || id == kKeyPressDeleteSoundID) {
        // Never destroyed, like the registry.
        static const auto* click =
            new std::shared_ptr<const Sound>(keyClick(kKeyPressClickSoundID));
        static const auto* deleteClick =
            new std::shared_ptr<const Sound>(keyClick(kKeyPressDeleteSoundID));
        return id == kKeyPressClickSoundID ? *click : *deleteClick;
    }
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto it = r.sounds.find(id);
    return it == r.sounds.end() ? nullptr : it->second;
}

} // namespace audio
