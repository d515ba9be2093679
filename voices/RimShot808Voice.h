#pragma once

#include "DrumVoice.h"

namespace kestrum
{

// "808 Rim Shot": a one-sample impulse into two bridged-T style resonators, a short noise click,
// a driven VCA and an output high-pass. The resonators are never cleared by a trigger, so quick
// repeats pile up on the ringing of earlier strokes as the hardware does.
class RimShot808Voice final : public DrumVoiceDesign<RimShot808Voice>
{
public:
    RimShot808Voice() noexcept : DrumVoiceDesign(VoiceType::RimShot808) {}

protected:
    void resetDesign() override;
    void onTrigger() override;
    float render(const ChannelParameters& p) override;

private:
    dsp::DecayingResonator lowResonator;
    dsp::DecayingResonator highResonator;
    bool impulsePending = false;
};

} // namespace kestrum
