#pragma once

#include "DrumVoice.h"
#include "TwelveBit.h"

namespace kestrum
{

// "808 Snare": two ringing body resonators seeded by the trigger, a band-shaped noise layer with
// its own snap transient, a saturating two-stage state-variable filter ("CUT", "RES"), an optional
// 12-bit sample-and-hold and an optional levelling limiter ("LIMIT").
class Snare808Voice final : public DrumVoiceDesign<Snare808Voice>
{
public:
    Snare808Voice() noexcept : DrumVoiceDesign(VoiceType::Snare808) {}

protected:
    void resetDesign() override;
    void onTrigger() override;
    float render(const ChannelParameters& p) override;

private:
    float renderFilter(float x, const ChannelParameters& p) noexcept;
    float renderLimiter(float y) noexcept;

    dsp::DecayingResonator resonatorA;
    dsp::DecayingResonator resonatorB;
    float noiseSmoother = 0.0f;

    // Two Chamberlin state-variable stages in series.
    float low1 = 0.0f;
    float band1 = 0.0f;
    float low2 = 0.0f;
    float band2 = 0.0f;

    SampleHold12Bit hold;
    float gainReductionDb = 0.0f;
};

} // namespace kestrum
