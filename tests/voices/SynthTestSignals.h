#pragma once

// Small signal probes for the synth voice tests: render helpers, a single-frequency DFT and a
// square-wave duty/period measurement.

#include "voices/DrumVoice.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestrum::synthtest
{

constexpr double twoPiD = 6.283185307179586476925;

inline std::vector<float> render(DrumVoice& voice, const ChannelParameters& p, int numSamples)
{
    std::vector<float> out(static_cast<size_t>(numSamples));
    for (auto& s : out)
        s = voice.process(p);
    return out;
}

inline std::vector<float> slice(const std::vector<float>& x, size_t start, size_t length)
{
    return { x.begin() + static_cast<long>(start), x.begin() + static_cast<long>(start + length) };
}

// Magnitude of one frequency component, Hann-windowed so that a window that does not hold a whole
// number of periods leaks little into its neighbours. Scaled so a sine of amplitude A reads ~A.
inline double magnitudeAt(const std::vector<float>& x, double frequency, double sampleRate)
{
    const double n = static_cast<double>(x.size());
    double re = 0.0, im = 0.0;
    for (size_t i = 0; i < x.size(); ++i)
    {
        const double w = 0.5 - 0.5 * std::cos(twoPiD * static_cast<double>(i) / n);
        const double phase = twoPiD * frequency * static_cast<double>(i) / sampleRate;
        re += w * x[i] * std::cos(phase);
        im -= w * x[i] * std::sin(phase);
    }
    return 4.0 * std::sqrt(re * re + im * im) / n;
}

struct SquareMeasure
{
    double duty = 0.0;       // fraction of samples above the midpoint of the extremes
    double period = 0.0;     // mean distance between rising crossings of the midpoint, in samples
    double range = 0.0;      // max - min
};

inline SquareMeasure measureSquare(const std::vector<float>& x)
{
    SquareMeasure m;
    const auto [lo, hi] = std::minmax_element(x.begin(), x.end());
    m.range = *hi - *lo;
    const float mid = 0.5f * (*hi + *lo);

    int above = 0;
    long first = -1, last = -1;
    int rises = 0;
    for (size_t i = 0; i < x.size(); ++i)
    {
        above += x[i] > mid ? 1 : 0;
        if (i > 0 && x[i - 1] <= mid && x[i] > mid)
        {
            if (first < 0)
                first = static_cast<long>(i);
            last = static_cast<long>(i);
            ++rises;
        }
    }
    m.duty = static_cast<double>(above) / static_cast<double>(x.size());
    m.period = rises > 1 ? static_cast<double>(last - first) / (rises - 1) : 0.0;
    return m;
}

} // namespace kestrum::synthtest
