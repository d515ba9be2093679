#include "DrumVoice.h"

#include "BassBinVoice.h"
#include "ClosedHat808Voice.h"
#include "FlexibleSynthVoice.h"
#include "Kik9Voice.h"
#include "RimShot808Voice.h"
#include "Snare808Voice.h"
#include "TevHat9OpenVoice.h"

#include <algorithm>

namespace kestrum
{

namespace
{
class SilentVoice final : public DrumVoiceDesign<SilentVoice>
{
public:
    explicit SilentVoice(VoiceType type) noexcept : DrumVoiceDesign(type) {}

protected:
    float render(const ChannelParameters&) override { return 0.0f; }
};
} // namespace

std::unique_ptr<DrumVoice> DrumVoice::create(VoiceType type)
{
    switch (type)
    {
        case VoiceType::Kik9: return std::make_unique<Kik9Voice>();
        case VoiceType::Snare808: return std::make_unique<Snare808Voice>();
        case VoiceType::RimShot808: return std::make_unique<RimShot808Voice>();
        case VoiceType::ClosedHat808: return std::make_unique<ClosedHat808Voice>();
        case VoiceType::TevHat9Open: return std::make_unique<TevHat9OpenVoice>();
        case VoiceType::GeneralDrumA: return std::make_unique<FlexibleSynthVoice>(VoiceType::GeneralDrumA);
        case VoiceType::BassBin: return std::make_unique<BassBinVoice>();
        case VoiceType::ChordPuller: return std::make_unique<FlexibleSynthVoice>(VoiceType::ChordPuller);
    }
    return std::make_unique<SilentVoice>(type);
}

void DrumVoice::prepare(double newSampleRate)
{
    const double sr = std::max(newSampleRate, 1.0);
    sampleRateDouble = sr;
    sampleRate = static_cast<float>(sr);
    inverseSampleRate = 1.0f / sampleRate;

    for (auto& filter : onePoles)
    {
        filter.sampleRate = sampleRate;
        filter.setCutoff(std::min(1000.0f, 0.45f * sampleRate));
    }

    prepareDesign(sr);
    reset();
}

void DrumVoice::reset()
{
    envelopes.fill(0.0f);
    velocityEnvelope = 0.0f;
    for (auto& filter : onePoles)
        filter.state = 0.0f;
    resetDesign();
}

void DrumVoice::trigger(float newVelocity, float newPitchRatio)
{
    velocity = std::clamp(newVelocity, 0.05f, 1.0f);
    pitchRatio = std::clamp(newPitchRatio, 0.125f, 8.0f);
    onTrigger();
}

} // namespace kestrum
