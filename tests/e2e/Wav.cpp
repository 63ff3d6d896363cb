#include "Wav.h"

#include <algorithm>
#include <fstream>

namespace e2e {

std::optional<Samples> readWav(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto le = [&](std::size_t at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
        return v;
    };
    // The header the simulator writes, with both sizes matching the file's.
    if (b.size() < 44 || b.compare(0, 4, "RIFF") || b.compare(8, 8, "WAVEfmt ") ||
        b.compare(36, 4, "data") || le(4, 4) != b.size() - 8 || le(40, 4) != b.size() - 44 ||
        le(20, 2) != 1 || le(22, 2) != 1 || le(24, 4) != kRate || le(34, 2) != 16)
        return std::nullopt;
    Samples samples;
    for (std::size_t at = 44; at + 1 < b.size(); at += 2)
        samples.push_back(static_cast<std::int16_t>(le(at, 2)));
    return samples;
}

int peak(const Samples& samples) {
    int p = 0;
    for (std::int16_t s : samples)
        p = std::max(p, std::abs(static_cast<int>(s)));
    return p;
}

} // namespace e2e
