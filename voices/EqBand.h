#pragma once

// One equaliser band running per sample: a cached Kik9Eq design and the Direct Form I states of
// its two sections. The open hat's equaliser and the kick's match equaliser are built from it.
//
// The band designs on its first enabled sample and afterwards only when an input moves past the
// thresholds below, so slow automation redesigns in small steps at most once per sample. Switching
// a band off forgets everything; switching it on again starts from silent filter states.

#include "Kik9Eq.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

// The values one band reads on each sample.
struct EqBandParameters
{
    bool enabled = false;
    float frequency = 1000.0f;
    float gainDb = 0.0f;
    float q = 0.707f;
    int shape = Kik9Eq::Bell;
};

struct EqBand
{
    // Smallest changes that cause a redesign.
    static constexpr float frequencyThreshold = 0.01f;
    static constexpr float gainThreshold = 0.001f;
    static constexpr float qThreshold = 0.001f;

    // One Direct Form I section's memory.
    struct SectionState
    {
        float x1 = 0.0f;
        float x2 = 0.0f;
        float y1 = 0.0f;
        float y2 = 0.0f;

        float process(const Kik9Eq::Section& s, float x) noexcept
        {
            const float y = s.b0 * x + s.b1 * x1 + s.b2 * x2 - s.a1 * y1 - s.a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            return y;
        }
    };

    // The default values are the never-designed state: identity sections, silent states and
    // last-design inputs that no limited input can equal, so the next enabled sample designs.
    Kik9Eq::BandDesign design;
    SectionState state1;
    SectionState state2;
    float lastFrequency = -1.0f;
    float lastGainDb = 1000.0f;
    float lastQ = -1.0f;
    int lastShape = -1;
    bool wasEnabled = false;

    void reset() noexcept { *this = EqBand {}; }

    float process(float x, double sampleRate, bool enabled, float frequency, float gainDb, float q,
                  int shape) noexcept
    {
        if (! enabled)
        {
            if (wasEnabled)
                reset();
            return x;
        }

        if (! wasEnabled)
        {
            state1 = {};
            state2 = {};
            wasEnabled = true;
        }

        const double rate = std::max(sampleRate, 1.0);
        const float maxFrequency = static_cast<float>(std::min(0.49 * rate, 20000.0));
        const float f = frequency < 20.0f ? 20.0f : std::min(frequency, maxFrequency);
        const float g = std::clamp(gainDb, -14.0f, 14.0f);
        const float qq = std::clamp(q, 0.05f, 12.0f);
        const Kik9Eq::Shape s = Kik9Eq::limitShape(shape);

        if (std::abs(f - lastFrequency) > frequencyThreshold || std::abs(g - lastGainDb) > gainThreshold
            || std::abs(qq - lastQ) > qThreshold || s != lastShape)
        {
            design = Kik9Eq::designBand(rate, f, qq, g, s);
            lastFrequency = f;
            lastGainDb = g;
            lastQ = qq;
            lastShape = s;
        }

        float y = state1.process(design.section1, x);

        if (design.hasSecondSection)
            y = state2.process(design.section2, y);
        else
            state2 = {};

        return y;
    }

    float process(float x, double sampleRate, const EqBandParameters& band, bool enabled) noexcept
    {
        return process(x, sampleRate, enabled, band.frequency, band.gainDb, band.q, band.shape);
    }

    // What this band does to a sine at `frequency` Hz: 1 until it has designed.
    double magnitudeAt(double frequency, double sampleRate) const noexcept
    {
        return wasEnabled ? Kik9Eq::magnitudeResponse(design, frequency, sampleRate) : 1.0;
    }
};

} // namespace kestrum
