// The fundamental frequency of a tone, for the tests that check notes by ear.
#pragma once

#include <cstddef>
#include <vector>

namespace support {

// The fundamental of x[start, start + length) at `rate` samples per second, searching 50 Hz to
// 2 kHz; 0 when there is too little signal. YIN finds the octave (a decaying piano tone pulls
// it 20-35 cents sharp), then the strongest spectral line within 60 cents of it gives the
// frequency to about a cent.
double fundamental(const std::vector<float>& x, std::size_t start, std::size_t length, double rate);

} // namespace support
