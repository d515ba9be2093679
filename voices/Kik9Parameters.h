#pragma once

// What the kick reads from its channel on each sample. Models 2 to 7 have their own pitch,
// envelope, attack, level and processing controls; this record picks the set the selected model
// uses and turns the times into per-sample factors, so the engines never look at the raw record.

#include "../params/ChannelParameters.h"
#include "EqBand.h"

#include <array>

namespace kestrum
{

struct Kik9Parameters
{
    float pitch = 0.0f;              // Hz
    float tuneDepth = 0.0f;          // semitone scale of the pitch sweep
    float pitchEnvelopeDecay = 0.0f; // per-sample factor
    float ampDecay = 0.0f;           // per-sample factor
    float clickDecayA = 0.0f;        // per-sample factor
    float clickDecayB = 0.0f;        // per-sample factor
    float attack = 0.0f;
    float noise = 0.0f;
    float distortion = 0.0f;
    float drive424 = 0.0f;
    bool drive424Enabled = false;
    float compression = 0.0f;
    float level = 0.0f;
    int model = 1; // 1 = main kick, 2..7 = alternative models
    bool matchEqEnabled = false;
    bool matchEqMuted = false;
    bool matchEqPost = false;
    std::array<EqBandParameters, 3> bands {};

    // Model 7 is model 6's voicing a semitone lower; models 5 to 7 share a softer second harmonic.
    // Both follow from `model`, since a higher model switch always wins.
    bool isModel7() const noexcept { return model == 7; }
    bool isModel5To7() const noexcept { return model >= 5; }

    static Kik9Parameters fromChannel(const ChannelParameters& p, float sampleRate) noexcept;
};

// The model the switches select: the highest switch that is on wins, the main kick when none is.
int selectKik9Model(const ChannelParameters& p) noexcept;

} // namespace kestrum
