#pragma once

// The master bus's tape-style delay: one interpolated tap whose length glides towards its target
// (so time changes bend the pitch of the repeats, like a tape machine), a one-pole high-pass on
// every pass through the loop and a tanh-saturated feedback that can run into self-oscillation.
// Only the wet return leaves it; the dry signal never passes through.

#include <vector>

namespace kestrum
{

// The delay's parameters as read from the parameter tree; the defaults are those used when a
// parameter is missing.
struct DelayControls
{
    float time = 0.18f;     // DelayTime
    bool sync = false;      // DelaySync
    float feedback = 0.36f; // DelayFeedback, 0..1.65
    float highPass = 0.0f;  // DelayHighPass, 0..1
    float wet = 0.46f;      // DelayWet, 0..1
    bool muted = false;     // DelayMute
};

class TapeDelay
{
public:
    // Sizes the line for the longest delay (four quarter notes at 30 bpm) plus margin and empties
    // it. Allocates: call from prepare only. Until the first call the delay returns silence.
    void prepare(float sampleRate);

    // Empties the line and restarts the tap at one sample.
    void clear() noexcept;

    // Once per rendered range, before its samples. Switching the mute on empties the line, so
    // switching it off again starts from silence.
    void setControls(const DelayControls& controls, float tempo) noexcept;

    // One sample: writes the send plus the feedback, returns the wet return (0 while muted).
    float process(float send) noexcept;

    int getLineLength() const noexcept { return static_cast<int>(line.size()); }
    float getSmoothedDelaySamples() const noexcept { return smoothedDelaySamples; }
    float getTargetDelaySamples() const noexcept { return targetDelaySamples; }

private:
    std::vector<float> line;
    int writeIndex = 0;
    float smoothedDelaySamples = 1.0f;
    float highPassState = 0.0f;
    bool wasMuted = false;

    float sampleRate = 44100.0f;

    // Per-range settings.
    bool muted = false;
    float targetDelaySamples = 1.0f;
    float feedback = 0.36f;
    float drive = 1.0f;
    float highPass = 0.0f;
    float highPassCoefficient = 1.0f;
    float wet = 0.46f;
};

} // namespace kestrum
