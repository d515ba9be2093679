#pragma once

// Small building blocks shared by several voice designs. Everything runs per sample in single
// precision and never allocates.

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kestrum::dsp
{

constexpr float pi = 3.14159265358979323846f;
constexpr float twoPi = 2.0f * pi;

// 32-bit xorshift white noise in [-1, 1). The state runs on across voice resets so that repeated
// notes never start from the same noise.
struct WhiteNoise
{
    uint32_t state = 0x12345678u;

    float next() noexcept
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(state) / 2147483648.0f - 1.0f;
    }
};

// One-pole low-pass; the high-pass of the same stage is the input minus the low-pass output.
struct OnePole
{
    float sampleRate = 44100.0f;
    float coefficient = 0.0f;
    float state = 0.0f;

    static float coefficientFor(float cutoff, float sr) noexcept
    {
        const float f = std::min(std::max(cutoff, 10.0f), 0.45f * sr);
        return 1.0f - std::exp(-twoPi * f / sr);
    }

    void setCutoff(float cutoff) noexcept { coefficient = coefficientFor(cutoff, sampleRate); }

    float lowPass(float x) noexcept
    {
        state += coefficient * (x - state);
        return state;
    }

    float highPass(float x) noexcept { return x - lowPass(x); }
};

// Per-sample factor of an exponential decay with time constant t seconds.
inline float decayFactor(float seconds, float sampleRate) noexcept
{
    return std::exp(-1.0f / (sampleRate * std::max(seconds, 0.0001f)));
}

// A ringing two-pole oscillator; its level comes from its initial states or its input impulse.
struct DecayingResonator
{
    float y1 = 0.0f;
    float y2 = 0.0f;

    float process(float input, float frequency, float decaySeconds, float sampleRate) noexcept
    {
        const float a = std::min(decayFactor(decaySeconds, sampleRate), 0.9999995f);
        const float f = frequency < 8.0f ? 8.0f : std::min(frequency, 0.42f * sampleRate);
        const float w = twoPi * f / sampleRate;
        const float y = 2.0f * a * std::cos(w) * y1 - a * a * y2 + input;
        y2 = y1;
        y1 = y;
        return y;
    }

    void clear() noexcept { y1 = y2 = 0.0f; }
};

// Velocity to gain with a floor q: 0.05 maps to q + 0.34 (1 - q), 1 to q + 1.18 (1 - q).
inline float velocityGain(float velocity, float floorGain) noexcept
{
    return floorGain + (1.0f - floorGain) * (0.34f + 0.84f * (std::min(velocity, 1.0f) - 0.05f) / 0.95f);
}

// Linear ramp over a whole number of samples; behaves exactly like a linear juce::SmoothedValue
// (a new target restarts the ramp from the current value, a zero length jumps).
class LinearRamp
{
public:
    void reset(int numSteps) noexcept
    {
        stepsToTarget = numSteps;
        setCurrentAndTargetValue(target);
    }

    void reset(double sampleRate, double rampSeconds) noexcept
    {
        reset(static_cast<int>(std::floor(rampSeconds * sampleRate)));
    }

    void setCurrentAndTargetValue(float value) noexcept
    {
        target = current = value;
        countdown = 0;
    }

    void setTargetValue(float value) noexcept
    {
        if (value == target)
            return;

        if (stepsToTarget <= 0)
        {
            setCurrentAndTargetValue(value);
            return;
        }

        target = value;
        countdown = stepsToTarget;
        step = (target - current) / static_cast<float>(countdown);
    }

    float getNextValue() noexcept
    {
        if (countdown <= 0)
            return target;

        --countdown;
        current = countdown > 0 ? current + step : target;
        return current;
    }

    bool isSmoothing() const noexcept { return countdown > 0; }
    float getCurrentValue() const noexcept { return current; }
    float getTargetValue() const noexcept { return target; }
    int getRampLength() const noexcept { return stepsToTarget; }

private:
    float current = 0.0f;
    float target = 0.0f;
    float step = 0.0f;
    int countdown = 0;
    int stepsToTarget = 0;
};

} // namespace kestrum::dsp
