#pragma once

// The three-band "GS3 EQ" that a module passes through in the mixer, before or after its output
// saturation. Each band is a Kik9Eq design (the same maths as the kick's and the open hat's
// equalisers) run through transposed direct form II sections. Switching the equaliser on or off
// crossfades; the output is hard-limited to +/-2.
//
// Audio thread only. Redesigning a band only rewrites coefficients held inline: nothing here
// allocates after construction.

#include "engine/dsp/TransposedBiquad.h"
#include "voices/DspBlocks.h"

#include <array>

namespace kestrum
{

class ModuleGs3Eq
{
public:
    static constexpr int numBands = 3;

    // The per-sample parameter values, filled by the processor from its parameter handles. The
    // defaults are those a missing parameter falls back to.
    struct Settings
    {
        bool enabled = false;
        bool muted = false;
        bool post = true;   // where the mixer calls process(): after the module's saturation
        std::array<bool, numBands> bandEnabled { true, true, true };
        std::array<float, numBands> frequency { 80.0f, 1000.0f, 12000.0f };
        std::array<float, numBands> gainDb { 0.0f, 0.0f, 0.0f };
        std::array<float, numBands> q { 0.7f, 0.9f, 0.707f };
        std::array<int, numBands> shape { 0, 0, 3 };   // already rounded to the nearest integer

        bool isActive() const noexcept { return enabled && ! muted; }
    };

    // useSmoothCurve: crossfade along an S-curve over 5 ms instead of a straight 3 ms line (the
    // chord channel's instance, whose sustained chords make a linear fade audible).
    explicit ModuleGs3Eq(bool useSmoothCurve = false) noexcept;

    // Stores the rate, resets, sets the crossfade length and settles the mix at dry.
    void prepare(double sampleRate) noexcept;

    // Silent filter states and every band back to not designed; the crossfade is untouched.
    void reset() noexcept;

    float process(float x, const Settings& settings) noexcept;

    float process(float x, bool active, const std::array<bool, numBands>& bandEnabled,
                  const std::array<float, numBands>& frequency, const std::array<float, numBands>& gainDb,
                  const std::array<float, numBands>& q, const std::array<int, numBands>& shape) noexcept;

    bool usesSmoothCurve() const noexcept { return useSmoothCurve; }
    double getSampleRate() const noexcept { return sampleRate; }
    const dsp::LinearRamp& getMix() const noexcept { return mix; }
    bool isBandDesigned(int band) const noexcept { return bands[static_cast<size_t>(band)].designed; }
    const TransposedBiquad& getFirstSection(int band) const noexcept { return bands[static_cast<size_t>(band)].first; }
    const TransposedBiquad& getSecondSection(int band) const noexcept { return bands[static_cast<size_t>(band)].second; }

private:
    struct Band
    {
        float lastFrequency = -1.0f;
        float lastGainDb = 1000.0f;
        float lastQ = -1.0f;
        int lastShape = -1;
        bool designed = false;
        TransposedBiquad first;
        TransposedBiquad second;
    };

    float processBand(Band& band, float y, float frequency, float gainDb, float q, int shape) noexcept;

    double sampleRate = 44100.0;
    std::array<Band, numBands> bands {};
    dsp::LinearRamp mix;
    bool useSmoothCurve = false;
};

} // namespace kestrum
