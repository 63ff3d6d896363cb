#include "support/Pitch.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace support {

namespace {

// YIN: the lag whose cumulative-mean-normalised difference first dips under the threshold.
double yin(const std::vector<float>& x, std::size_t start, std::size_t window, double rate) {
    const auto minLag = static_cast<std::size_t>(rate / 2000),
               maxLag = static_cast<std::size_t>(rate / 50);
    if (start + window + maxLag + 1 > x.size())
        return 0;
    std::vector<double> d(maxLag + 2, 0.0), cmnd(maxLag + 2, 1.0);
    double running = 0;
    for (std::size_t lag = 1; lag <= maxLag + 1; ++lag) {
        for (std::size_t j = start; j < start + window; ++j) {
            double diff = x[j] - x[j + lag];
            d[lag] += diff * diff;
        }
        running += d[lag];
        cmnd[lag] = running > 0 ? d[lag] * static_cast<double>(lag) / running : 1.0;
    }
    std::size_t best = 0;
    for (std::size_t lag = minLag; lag <= maxLag && !best; ++lag)
        if (cmnd[lag] < 0.15) {
            while (lag < maxLag && cmnd[lag + 1] < cmnd[lag])
                ++lag;
            best = lag;
        }
    if (!best)
        best = static_cast<std::size_t>(
            std::min_element(cmnd.begin() + static_cast<std::ptrdiff_t>(minLag),
                             cmnd.begin() + static_cast<std::ptrdiff_t>(maxLag) + 1) -
            cmnd.begin());
    double a = cmnd[best - 1], b = cmnd[best], c = cmnd[best + 1];
    double shift = (a - 2 * b + c) > 0 ? 0.5 * (a - c) / (a - 2 * b + c) : 0.0;
    return rate / (static_cast<double>(best) + shift);
}

} // namespace

double fundamental(const std::vector<float>& x, std::size_t start, std::size_t length,
                   double rate) {
    double rough = yin(x, start, 2048, rate);
    if (rough == 0 || start + length > x.size())
        return 0;
    std::vector<double> w(length);
    for (std::size_t i = 0; i < length; ++i)
        w[i] = x[start + i] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) /
                                                    static_cast<double>(length)));
    double best = 0, bestHz = rough;
    for (int cents = -60; cents <= 60; ++cents) {
        double hz = rough * std::exp2(cents / 1200.0);
        std::complex<double> sum = 0, phase = 1;
        const auto step = std::polar(1.0, -2 * std::numbers::pi * hz / rate);
        for (double v : w) {
            sum += v * phase;
            phase *= step;
        }
        if (std::abs(sum) > best)
            best = std::abs(sum), bestHz = hz;
    }
    return bestHz;
}

} // namespace support
