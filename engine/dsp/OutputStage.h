#pragma once

// The end of the master bus. One control, GluePush, does two jobs: with glue off it is a clean
// 0 to +12 dB output gain; with glue on it pushes the bus up to 19 times into a limiter whose
// ceiling falls as the push rises, optionally deaf to the lows (side-chain high-pass) and
// optionally made up to the level that went in (auto gain). Both paths run on every sample so
// the glue switch can crossfade between them.

#include "voices/DspBlocks.h"

namespace kestrum
{

// Fixed trim on the master and the final clip after it.
constexpr float masterTrim = 0.82f;
constexpr float masterClip = 0.98f;

// The last step of the master: trim, then hard clip.
inline float trimAndClip(float out) noexcept
{
    const float trimmed = out * masterTrim;
    return trimmed < -masterClip ? -masterClip : (trimmed > masterClip ? masterClip : trimmed);
}

// The parameters the stage reads; defaults are those used when a parameter is missing.
struct OutputStageControls
{
    bool glue = false;            // Glue
    float gluePush = 0.0f;        // GluePush, 0..10
    bool sidechainFilter = false; // LimiterSidechainFilter
    bool autoGain = false;        // LimiterAutoGain
};

class OutputStage
{
public:
    OutputStage() noexcept { prepare(44100.0, 0.0f); }

    // Coefficients for the rate and a clean start: the output gain sits at the gain that gluePush
    // asks for (nothing ramps after a prepare), the glue is faded out and the limiter is at rest.
    void prepare(double sampleRate, float gluePush) noexcept;

    // One sample of the master sum (delay return included) to the output before the trim.
    float process(float masterSum, const OutputStageControls& controls) noexcept;

    // Gain reduction for the meter, 0..1; readings below 0.005 show as 0.
    float getGainReductionMeter() const noexcept;

    float getAutoGain() const noexcept { return autoGain; }
    float getGlueAmount() const noexcept { return glueAmount; }
    float getLimiterEnvelope() const noexcept { return limiterEnvelope; }
    float getGainReductionValue() const noexcept { return gainReductionValue; }

private:
    dsp::LinearRamp outputGainDb;
    float glueAmount = 0.0f;
    float limiterEnvelope = 0.0f;
    float sidechainInPrev = 0.0f;
    float sidechainOutPrev = 0.0f;
    float inputPower = 0.0f;
    float outputPower = 0.0f;
    float autoGain = 1.0f;
    float gainReductionValue = 0.0f;

    float limiterAttack = 0.0f;
    float limiterRelease = 0.0f;
    float sidechainCoefficient = 0.0f;
    float powerSmoothing = 0.0f;
    float glueSmoothing = 0.0f;
};

} // namespace kestrum
