#include "audiotoolbox/WavOutput.h"

#include "audiotoolbox/Clock.h"

#include <array>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <span>
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

// How much settled sound may wait in memory before it is mixed into the file.
constexpr std::uint64_t kCommitEvery = 4 * kSampleRate;

std::uint32_t getLE(const std::uint8_t* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

// The samples in a WAV this output wrote, or nothing for any other file.
std::optional<std::uint64_t> ownSamples(std::FILE* in) {
    std::array<std::uint8_t, kHeaderBytes> h{};
    if (std::fseek(in, 0, SEEK_SET) != 0 || std::fread(h.data(), 1, h.size(), in) != h.size() ||
        h != header(getLE(&h[40], 4)))
        return std::nullopt;
    return getLE(&h[40], 4) / 2;
}

} // namespace

std::optional<std::uint64_t> WavOutput::samplesIn(const std::filesystem::path& file) {
    std::unique_ptr<std::FILE, FileCloser> in(std::fopen(file.c_str(), "rb"));
    return in ? ownSamples(in.get()) : std::nullopt;
}

WavOutput::WavOutput(std::filesystem::path file) : WavOutput(std::move(file), clock()->now()) {}

WavOutput::WavOutput(std::filesystem::path file, std::chrono::nanoseconds origin,
                     WavOptions options)
    : m_file(std::move(file)), m_origin(origin), m_gain(kHeadroom * options.volume),
      m_chunk(kChunkSamples), m_bytes(2 * kChunkSamples) {
    if (options.append)
        m_out.reset(std::fopen(m_file.c_str(), "r+b"));
    if (m_out) {
        if (std::optional<std::uint64_t> before = ownSamples(m_out.get()))
            m_before = *before;
        else
            m_out.reset();
    }
    if (!m_out)
        m_out.reset(std::fopen(m_file.c_str(), "w+b"));
    m_committed = m_before;
    m_timeline.startAt(m_before);
    write();
}

WavOutput::~WavOutput() {
    write();
}

void WavOutput::play(const Play& play) {
    std::lock_guard guard(m_lock);
    m_timeline.place(play.sound, samplePosition(play.at - m_origin));
    if (m_timeline.latest() - m_committed >= kCommitEvery)
        commit(m_timeline.latest());
}

void WavOutput::finish() {
    write();
}

Timeline WavOutput::timeline() const {
    std::lock_guard guard(m_lock);
    return m_timeline;
}

bool WavOutput::put(std::uint64_t from, std::uint64_t to) {
    if (!m_out || std::fseek(m_out.get(), static_cast<long>(kHeaderBytes + 2 * from), SEEK_SET))
        return false;
    for (std::uint64_t at = from; at < to; at += kChunkSamples) {
        std::span<std::int16_t> chunk(m_chunk.data(),
                                      std::min<std::uint64_t>(kChunkSamples, to - at));
        m_timeline.render(at, chunk, m_gain);
        for (std::size_t i = 0; i < chunk.size(); ++i)
            putLE(&m_bytes[2 * i], static_cast<std::uint16_t>(chunk[i]), 2);
        if (std::fwrite(m_bytes.data(), 2, chunk.size(), m_out.get()) != chunk.size())
            return false;
    }
    return true;
}

// Samples before the latest play never change again: mixed once, they leave memory.
bool WavOutput::commit(std::uint64_t to) {
    if (!put(m_committed, to))
        return false;
    m_committed = to;
    m_timeline.forget(to);
    return true;
}

bool WavOutput::write() {
    std::lock_guard guard(m_lock);
    const std::uint64_t samples = std::max(m_timeline.length(), m_committed);
    if (2 * samples > std::numeric_limits<std::uint32_t>::max() - kHeaderBytes)
        return false;
    // The notes still ringing are written too, and written again should a later play join them.
    if (!commit(m_timeline.latest()) || !put(m_committed, samples))
        return false;
    auto h = header(static_cast<std::uint32_t>(2 * samples));
    std::error_code ec;
    return std::fflush(m_out.get()) == 0 &&
           (std::filesystem::resize_file(m_file, kHeaderBytes + 2 * samples, ec), !ec) &&
           std::fseek(m_out.get(), 0, SEEK_SET) == 0 &&
           std::fwrite(h.data(), 1, h.size(), m_out.get()) == h.size() &&
           std::fflush(m_out.get()) == 0;
}

} // namespace audio
