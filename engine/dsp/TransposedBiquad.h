#pragma once

// A second-order IIR section in transposed direct form II, with its coefficients stored inline.
// It computes sample for sample what juce::dsp::IIR::Filter<float> computes with a second-order
// coefficient object (the same normalisation by a0, the same operation order, float state), but
// changing its coefficients never allocates, so it may be redesigned on the audio thread.

#include <array>

namespace kestrum
{

class TransposedBiquad
{
public:
    // Coefficients as the cookbook gives them; all are divided by a0 (an a0 of exactly zero gives
    // all-zero coefficients rather than infinities). The state is kept.
    void setCoefficients(float b0, float b1, float b2, float a0, float a1, float a2) noexcept
    {
        const float a0Inverse = a0 != 0.0f ? 1.0f / a0 : 0.0f;
        coefficients = { b0 * a0Inverse, b1 * a0Inverse, b2 * a0Inverse, a1 * a0Inverse, a2 * a0Inverse };
    }

    float processSample(float x) noexcept
    {
        const auto& c = coefficients;
        const float y = (c[0] * x) + state[0];
        state[0] = (c[1] * x) - (c[3] * y) + state[1];
        state[1] = (c[2] * x) - (c[4] * y);
        return y;
    }

    void reset() noexcept { state = {}; }

    // b0, b1, b2, a1, a2 after normalisation.
    const std::array<float, 5>& getCoefficients() const noexcept { return coefficients; }
    const std::array<float, 2>& getState() const noexcept { return state; }

private:
    std::array<float, 5> coefficients { 1.0f, 0.0f, 0.0f, 0.0f, 0.0f };
    std::array<float, 2> state {};
};

} // namespace kestrum
