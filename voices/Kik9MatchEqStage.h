#pragma once

// The kick's match equaliser at one position of its alternative chain (before or after the drive
// and compressor): three bands in series, a soft ceiling and a dry/wet crossfade. The bands keep
// running while the stage is switched off so that switching it on fades into a settled filter.

#include "DspBlocks.h"
#include "EqBand.h"

#include <array>

namespace kestrum
{

class Kik9MatchEqStage
{
public:
    static constexpr int numBands = 3;
    static constexpr double crossfadeSeconds = 0.003;

    // Stores the rate, sets the crossfade length and forgets the band designs.
    void prepare(double sampleRate) noexcept;

    // Returns the bands to their never-designed state; the crossfade keeps its value and ramp.
    void reset() noexcept;

    float process(float x, const std::array<EqBandParameters, numBands>& bands, bool active) noexcept;

    const EqBand& getBand(int index) const noexcept { return bells[static_cast<size_t>(index)]; }
    const dsp::LinearRamp& getMix() const noexcept { return mix; }

private:
    double sampleRate = 44100.0;
    std::array<EqBand, numBands> bells {};
    dsp::LinearRamp mix;
};

} // namespace kestrum
