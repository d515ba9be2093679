#pragma once

// The "XLA medium" compressor of the kick's alternative chain: a soft-knee, program-dependent
// compressor whose release slows down after sustained reduction, with automatic make-up gain and
// two gentle saturating stages around it.

namespace kestrum
{

class XlaCompressor
{
public:
    // Eleven values; all zero after reset.
    struct State
    {
        float reductionDb = 0.0f;     // g, at most 0
        float programMemory = 0.0f;   // pm
        float makeUpDb = 0.0f;        // mk
        float inputPrevious = 0.0f;   // 17 Hz DC blocker
        float inputBlocked = 0.0f;
        float low95 = 0.0f;
        float average = 0.0f;
        float stagePrevious = 0.0f;   // 14 Hz DC blocker
        float stageBlocked = 0.0f;
        float low72 = 0.0f;
        float output = 0.0f;
    };

    // Sets the fixed coefficients; clears the state.
    void prepare(double sampleRate) noexcept;
    void reset() noexcept { state = {}; }

    // amount 0..1; at 0 the compressor lets go of its reduction with a 0.46 s time constant
    // instead of jumping back, while the saturating stages keep running.
    float process(float x, float amount) noexcept;

    const State& getState() const noexcept { return state; }

private:
    float sampleRate = 44100.0f;
    float pole17 = 0.0f;
    float pole14 = 0.0f;
    float coefficient95 = 0.0f;
    float coefficient72 = 0.0f;
    float coefficient19500 = 0.0f;
    float idleRelease = 0.0f;       // d(0.46)
    float memoryRise = 0.0f;        // d(0.06)
    float memoryFall = 0.0f;        // d(0.48)
    float makeUpRise = 0.0f;        // d(0.26)
    float makeUpFall = 0.0f;        // d(0.62)
    State state;
};

using XlaState = XlaCompressor::State;

} // namespace kestrum
