#include "audiotoolbox/WavOutput.h"

#include "audiotoolbox/Clock.h"

#include <array>
#include <cstdio>
#include <limits>
#include <memory>
#include <system_error>

namespace audio {

namespace {

constexpr std::uint64_t kHeaderBytes = 44;
constexpr std::size_t kChunkSamples = 1 << 16;

void putLE(std::uint8_t* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::array<std::uint8_t, kHeaderBytes> header(std::uint32_t dataBytes) {
    std::array<std::uint8_t, kHeaderBytes> h{};
    auto tag = [&](std::size_t at, const char* text) {
        for (int i = 0; i < 4; ++i)
            h[at + i] = static_cast<std::uint8_t>(text[i]);
    };
    tag(0, "RIFF");
    putLE(&h[4], static_cast<std::uint32_t>(kHeaderBytes - 8 + dataBytes), 4);
    tag(8, "WAVE");
    tag(12, "fmt ");
    putLE(&h[16], 16, 4);              // fmt chunk size
    putLE(&h[20], 1, 2);               // PCM
    putLE(&h[22], 1, 2);               // mono
    putLE(&h[24], kSampleRate, 4);     // sample rate
    putLE(&h[28], kSampleRate * 2, 4); // bytes per second
    putLE(&h[32], 2, 2);               // block align
    putLE(&h[34], 16, 2);              // bits per sample
    tag(36, "data");
    putLE(&h[40], dataBytes, 4);
    return h;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

WavOutput::WavOutput(std::filesystem::path file) : WavOutput(std::move(file), clock()->now()) {}

WavOutput::WavOutput(std::filesystem::path file, std::chrono::nanoseconds origin)
    : m_file(std::move(file)), m_origin(origin) {}

WavOutput::~WavOutput() {
    if (m_dirty)
        write();
}

void WavOutput::play(const Play& play) {
    std::lock_guard guard(m_lock);
    m_timeline.place(play.sound, samplePosition(play.at - m_origin));
    m_dirty = true;
}

void WavOutput::finish() {
    write();
}

Timeline WavOutput::timeline() const {
    std::lock_guard guard(m_lock);
    return m_timeline;
}

bool WavOutput::write() {
    std::lock_guard guard(m_lock);
    const std::uint64_t samples = m_timeline.length();
    const std::uint64_t dataBytes = samples * 2;
    if (dataBytes > std::numeric_limits<std::uint32_t>::max() - kHeaderBytes)
        return false;
    // Written beside the file and renamed over it, so a reader never sees half a file.
    std::filesystem::path partial = m_file;
    partial += ".partial";
    {
        std::unique_ptr<std::FILE, FileCloser> out(std::fopen(partial.c_str(), "wb"));
        if (!out)
            return false;
        auto h = header(static_cast<std::uint32_t>(dataBytes));
        bool ok = std::fwrite(h.data(), 1, h.size(), out.get()) == h.size();
        std::vector<std::int16_t> chunk;
        std::vector<std::uint8_t> bytes(2 * kChunkSamples);
        for (std::uint64_t at = 0; ok && at < samples; at += kChunkSamples) {
            chunk.resize(
                static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSamples, samples - at)));
            m_timeline.render(at, chunk);
            for (std::size_t i = 0; i < chunk.size(); ++i)
                putLE(&bytes[2 * i], static_cast<std::uint16_t>(chunk[i]), 2);
            ok = std::fwrite(bytes.data(), 2, chunk.size(), out.get()) == chunk.size();
        }
        if (!ok || std::fflush(out.get()) != 0) {
            out.reset();
            std::error_code ec;
            std::filesystem::remove(partial, ec);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(partial, m_file, ec);
    if (ec)
        return false;
    m_dirty = false;
    return true;
}

} // namespace audio
