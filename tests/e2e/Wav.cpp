#include "Wav.h"

#include "support/Pitch.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <fstream>
#include <numbers>

namespace e2e {

namespace {

std::uint32_t le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | b[at + static_cast<std::size_t>(i)];
    return v;
}

} // namespace

std::optional<Wav> readWav(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF" ||
        std::string(bytes.begin() + 8, bytes.begin() + 12) != "WAVE")
        return std::nullopt;
    Wav wav;
    bool haveFormat = false;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        std::string id(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at) + 4);
        std::size_t size = le(bytes, at + 4, 4);
        std::size_t body = at + 8;
        if (body + size > bytes.size())
            return std::nullopt;
        if (id == "fmt " && size >= 16) {
            if (le(bytes, body, 2) != 1)
                return std::nullopt; // not PCM
            wav.channels = static_cast<std::uint16_t>(le(bytes, body + 2, 2));
            wav.rate = le(bytes, body + 4, 4);
            wav.bits = static_cast<std::uint16_t>(le(bytes, body + 14, 2));
            haveFormat = true;
        } else if (id == "data" && haveFormat && wav.bits == 16) {
            for (std::size_t i = 0; i + 1 < size; i += 2)
                wav.samples.push_back(static_cast<std::int16_t>(le(bytes, body + i, 2)));
            return wav;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

double noteFrequency(const std::string& instrument, const std::string& note) {
    const char* names[] = {"do1", "re", "mi", "fa", "sol", "la", "si", "do2"};
    const int steps[] = {0, 2, 4, 5, 7, 9, 11, 12};
    int root = instrument == "piano" ? 60 : instrument == "violin" ? 72 : 48;
    for (int i = 0; i < 8; ++i)
        if (note == names[i])
            return 440.0 * std::exp2((root + steps[i] - 69) / 12.0);
    return 0;
}

double fundamental(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t length) {
    if (from + length > samples.size())
        return 0;
    std::vector<float> x(length);
    for (std::size_t i = 0; i < length; ++i)
        x[i] = static_cast<float>(samples[from + i]) / 32768.0f;
    return support::fundamental(x, 0, length, kRate);
}

std::optional<std::size_t> firstSound(const std::vector<std::int16_t>& samples, std::size_t from,
                                      std::size_t to, int threshold) {
    for (std::size_t i = from; i < std::min(to, samples.size()); ++i)
        if (std::abs(static_cast<int>(samples[i])) > threshold)
            return i;
    return std::nullopt;
}

int peak(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t to) {
    int p = 0;
    for (std::size_t i = from; i < std::min(to, samples.size()); ++i)
        p = std::max(p, std::abs(static_cast<int>(samples[i])));
    return p;
}

} // namespace e2e
