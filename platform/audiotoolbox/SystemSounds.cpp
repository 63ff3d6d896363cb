#include "audiotoolbox/SystemSounds.h"

#include "audiotoolbox/ReadMostly.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>
#include <unordered_map>
#include <vector>

namespace audio {

namespace {

struct Sounds {
    std::unordered_map<SystemSoundID, std::shared_ptr<const Sound>> byID;
    SystemSoundID next = kFirstCreatedSoundID;
};

// Looked up on every play without a lock; copied whole on each creation and disposal, which
// decode a file or free one anyway.
struct Registry {
    detail::ReadMostly<Sounds> sounds{Sounds{}};
    std::mutex listenersLock;
    std::vector<std::weak_ptr<SoundListener>> listeners;
};

std::vector<std::shared_ptr<SoundListener>> listeners(Registry& r) {
    std::lock_guard guard(r.listenersLock);
    std::erase_if(r.listeners, [](const auto& l) { return l.expired(); });
    std::vector<std::shared_ptr<SoundListener>> live;
    for (const auto& l : r.listeners)
        if (auto listener = l.lock())
            live.push_back(std::move(listener));
    return live;
}

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
    std::shared_ptr<const Sound> added = sound;
    const SystemSoundID id = r.sounds.update([&](Sounds& s) {
        // Skips identifiers still in use once the count has wrapped, and never hands out a
        // built-in one.
        while (s.next < kFirstCreatedSoundID || s.byID.contains(s.next))
            s.next = s.next < kFirstCreatedSoundID ? kFirstCreatedSoundID : s.next + 1;
        sound->id = s.next++;
        s.byID.emplace(sound->id, std::move(sound));
        return added->id;
    });
    for (const auto& listener : listeners(r))
        listener->soundCreated(added);
    return id;
}

bool removeSound(SystemSoundID id) {
    Registry& r = registry();
    std::shared_ptr<const Sound> removed; // freed last, if no voice holds it
    r.sounds.update([&](Sounds& s) {
        if (auto it = s.byID.find(id); it != s.byID.end()) {
            removed = std::move(it->second);
            s.byID.erase(it);
        }
    });
    if (!removed)
        return false;
    for (const auto& listener : listeners(r))
        listener->soundDisposed(*removed);
    return true;
}

std::size_t soundCount() {
    return registry().sounds.read([](const Sounds& s) { return s.byID.size(); });
}

} // namespace detail

void addSoundListener(std::weak_ptr<SoundListener> listener) {
    Registry& r = registry();
    std::lock_guard guard(r.listenersLock);
    r.listeners.push_back(std::move(listener));
}

std::vector<std::shared_ptr<const Sound>> createdSounds() {
    return registry().sounds.read([](const Sounds& s) {
        std::vector<std::shared_ptr<const Sound>> all;
        for (const auto& [id, sound] : s.byID)
            all.push_back(sound);
        return all;
    });
}

std::shared_ptr<const Sound> findSystemSound(SystemSoundID id) {
    if (id == kKeyPressClickSoundID || id == kKeyPressDeleteSoundID) {
        // Never destroyed, like the registry.
        static const auto* click =
            new std::shared_ptr<const Sound>(keyClick(kKeyPressClickSoundID));
        static const auto* deleteClick =
            new std::shared_ptr<const Sound>(keyClick(kKeyPressDeleteSoundID));
        return id == kKeyPressClickSoundID ? *click : *deleteClick;
    }
    return registry().sounds.read([id](const Sounds& s) -> std::shared_ptr<const Sound> {
        auto it = s.byID.find(id);
        return it == s.byID.end() ? nullptr : it->second;
    });
}

} // namespace audio
