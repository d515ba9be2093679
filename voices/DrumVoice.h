#pragma once

#include "../params/ChannelParameters.h"
#include "../params/VoiceType.h"
#include "DspBlocks.h"

#include <array>
#include <memory>

namespace kestrum
{

// One sound generator. Each design derives from this class and keeps its own state; the engine
// holds sixteen of them and calls process() on every one at every sample, sounding or not.
// Nothing here allocates, locks or throws once constructed.
class DrumVoice
{
public:
    // Builds the design for a type; an unknown type gives a voice that stays silent.
    static std::unique_ptr<DrumVoice> create(VoiceType type);

    virtual ~DrumVoice() = default;

    // A bitwise copy of this voice, noise state included: the extra voices of a polyphonic
    // channel are made this way and therefore run identical noise.
    virtual std::unique_ptr<DrumVoice> clone() const = 0;

    VoiceType getType() const noexcept { return voiceType; }

    void prepare(double sampleRate);
    void reset();
    void trigger(float velocity, float pitchRatio);

    // Next mono output sample, already scaled by the channel volume.
    float process(const ChannelParameters& p) { return render(p) * p.volume; }

    float getSampleRate() const noexcept { return sampleRate; }
    float getVelocity() const noexcept { return velocity; }
    float getPitchRatio() const noexcept { return pitchRatio; }
    uint32_t getNoiseState() const noexcept { return noise.state; }

protected:
    explicit DrumVoice(VoiceType type) noexcept : voiceType(type) {}
    DrumVoice(const DrumVoice&) = default;
    DrumVoice& operator=(const DrumVoice&) = default;

    // Design hooks. prepareDesign runs before the reset that prepare() ends with; resetDesign
    // returns the design's signal state to silence but keeps coefficients set by prepareDesign.
    virtual void prepareDesign(double /*sampleRate*/) {}
    virtual void resetDesign() {}
    virtual void onTrigger() {}
    virtual float render(const ChannelParameters& p) = 0;

    // Most designs start their envelopes at the trigger velocity.
    void setEnvelopesToVelocity() noexcept
    {
        envelopes.fill(velocity);
        velocityEnvelope = velocity;
    }

    VoiceType voiceType;
    float sampleRate = 44100.0f;
    float inverseSampleRate = 1.0f / 44100.0f;
    double sampleRateDouble = 44100.0;
    float velocity = 1.0f;
    float pitchRatio = 1.0f;
    std::array<float, 4> envelopes {};
    float velocityEnvelope = 0.0f;
    dsp::WhiteNoise noise;
    std::array<dsp::OnePole, 8> onePoles {};
};

// Convenience base giving each design its clone() without repeating it.
template <typename Derived>
class DrumVoiceDesign : public DrumVoice
{
public:
    std::unique_ptr<DrumVoice> clone() const override
    {
        return std::make_unique<Derived>(static_cast<const Derived&>(*this));
    }

protected:
    using DrumVoice::DrumVoice;
};

} // namespace kestrum
