#pragma once

// "KIK 9": the main kick (model 1) and six alternative kicks (models 2 to 7) in one voice. Two
// engines run side by side, A for the main model and B for the others, each only while its note
// sounds; the output crossfades between them by the selected model, so switching models during a
// note glides over about 5 ms instead of jumping. A new note restarts both engines, each fading
// from its last output so a fast retrigger does not click.

#include "DrumVoice.h"
#include "Kik9AltChain.h"
#include "Kik9EngineA.h"
#include "Kik9EngineB.h"
#include "Kik9Parameters.h"
#include "TapeCompressor.h"

#include <cstdint>

namespace kestrum
{

class Kik9Voice final : public DrumVoiceDesign<Kik9Voice>
{
public:
    using Parameters = Kik9Parameters;
    using MatchEqBandParameters = EqBandParameters;
    using MatchEqBell = EqBand;
    using FourTwoFourState = kestrum::FourTwoFourState;
    using XlaState = kestrum::XlaState;

    // The noise register's seed, restored at every note so each note's noise is the same.
    static constexpr uint32_t noiseSeed = 0x9090bd09u;

    Kik9Voice() noexcept : DrumVoiceDesign(VoiceType::Kik9) {}

    bool isEngineAActive() const noexcept { return engineA.isActive(); }
    bool isEngineBActive() const noexcept { return engineB.isActive(); }
    bool isSounding() const noexcept { return engineA.isActive() || engineB.isActive(); }
    float getModelMix() const noexcept { return modelMix; }

protected:
    void prepareDesign(double sampleRate) override;
    void resetDesign() override;
    void onTrigger() override;
    float render(const ChannelParameters& p) override;

private:
    void startNote(const ChannelParameters& channel, const Parameters& p) noexcept;
    float nextNoise() noexcept;
    void advanceVelocityGain() noexcept;
    float renderEngineA(const Parameters& p, float cn) noexcept;
    float renderEngineB(const Parameters& p, float cn) noexcept;

    // Rate-dependent factors for the fixed time constants.
    float modelGlide = 0.0f;     // 1 - d(5 ms)
    float velocityGlide = 0.0f;  // 1 - d(1.2 ms)
    float noiseGlide = 0.0f;     // 1 - d(0.75 ms)
    float noiseCoefficientA = 0.0f; // 425 Hz
    float noiseCoefficientB = 0.0f; // 17 Hz
    float noiseCoefficientC = 0.0f; // 1250 Hz
    float noiseCoefficientD = 0.0f; // 350 Hz

    bool triggerPending = false;
    uint32_t lfsr = noiseSeed;
    Kik9EngineANoise noiseA;
    Kik9EngineBNoise noiseB;
    float modelMix = 0.0f;
    float velocityGainLevel = 0.0f;
    float velocityGainTarget = 0.0f;
    float kickPitchRatio = 1.0f;

    Kik9EngineA engineA;
    TapeCompressor tapeCompressor;
    Kik9AltChain chainA;

    Kik9EngineB engineB;
    Kik9AltChain chainB;
};

} // namespace kestrum
