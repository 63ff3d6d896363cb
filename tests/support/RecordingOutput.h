// An audio output that records what reached it: which sound, from which file, at what time.
// Header-only, so benchmarks can use it without the test support library.
#pragma once

#include "audiotoolbox/Output.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace support {

class RecordingOutput final : public audio::Output {
public:
    struct Played {
        SystemSoundID id = 0;
        std::optional<std::string> file;
        std::chrono::nanoseconds at{};
        std::shared_ptr<const audio::Sound> sound;
    };

    void play(const audio::Play& play) override {
        std::lock_guard guard(m_lock);
        m_played.push_back({play.sound->id, play.sound->file, play.at, play.sound});
    }
    void finish() override {
        std::lock_guard guard(m_lock);
        ++m_finished;
    }
    std::string kind() const override { return "recording"; }

    std::vector<Played> played() const {
        std::lock_guard guard(m_lock);
        return m_played;
    }
    std::vector<SystemSoundID> ids() const {
        std::lock_guard guard(m_lock);
        std::vector<SystemSoundID> ids;
        for (const auto& p : m_played)
            ids.push_back(p.id);
        return ids;
    }
    std::size_t count() const {
        std::lock_guard guard(m_lock);
        return m_played.size();
    }
    int finished() const {
        std::lock_guard guard(m_lock);
        return m_finished;
    }

private:
    mutable std::mutex m_lock;
    std::vector<Played> m_played;
    int m_finished = 0;
};

} // namespace support
