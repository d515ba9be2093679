#pragma once

// The "424" drive circuit of the kick's alternative chain: a gain stage into two saturating stages
// with DC blockers, low-passes and a level-dependent output filter, faded in by its own mix so that
// switching it on never clicks.

namespace kestrum
{

class Drive424
{
public:
    // Ten values; all zero when the circuit is off.
    struct State
    {
        float inputPrevious = 0.0f;   // 18 Hz DC blocker
        float inputBlocked = 0.0f;
        float low85 = 0.0f;
        float average = 0.0f;
        float lowG = 0.0f;            // 11800 Hz low-pass
        float stagePrevious = 0.0f;   // 12 Hz DC blocker
        float stageBlocked = 0.0f;
        float lowK = 0.0f;            // 140 Hz low-pass
        float outputLow = 0.0f;       // R
        float mix = 0.0f;
    };

    // Sets the fixed coefficients; clears the state.
    void prepare(double sampleRate) noexcept;
    void reset() noexcept { state = {}; }

    // Switched off, the circuit clears itself and passes x through; switched on it fades in from
    // silence over about 5 ms.
    float process(float x, float amount, bool enabled) noexcept;

    const State& getState() const noexcept { return state; }

private:
    float sampleRate = 44100.0f;
    float mixDecay = 0.0f;
    float pole18 = 0.0f;
    float pole85 = 0.0f;
    float pole12 = 0.0f;
    float coefficient11800 = 0.0f;
    float coefficient140 = 0.0f;
    State state;
};

using FourTwoFourState = Drive424::State;

} // namespace kestrum
