#include "voices/EqBand.h"
#include "voices/Kik9Eq.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace kestrum
{
namespace
{

constexpr double piDouble = 3.14159265358979323846;
using Kik9Eq::BandDesign;
using Kik9Eq::Section;
using Kik9Eq::Shape;

// ---------------------------------------------------------------------------------------------
// The same cookbook biquads, written out again in double precision as the reference the single
// precision designs are measured against. Inputs here are already within their limits.

struct Biquad
{
    double b0, b1, b2, a0, a1, a2;

    double magnitude(double frequency, double sampleRate) const
    {
        const double w = 2.0 * piDouble * frequency / sampleRate;
        const std::complex<double> z1 = std::polar(1.0, -w), z2 = z1 * z1;
        return std::abs(b0 + b1 * z1 + b2 * z2) / std::abs(a0 + a1 * z1 + a2 * z2);
    }
};

Biquad referenceSection(int shape, double sr, double f, double Q, double G)
{
    const double w0 = 2.0 * piDouble * f / sr, cs = std::cos(w0), sn = std::sin(w0), alpha = sn / (2.0 * Q);
    const double A = std::pow(10.0, G / 40.0), beta = std::sqrt(A) * sn / Q;
    switch (shape)
    {
        case 0: return { 1 + alpha * A, -2 * cs, 1 - alpha * A, 1 + alpha / A, -2 * cs, 1 - alpha / A };
        case 1:
            return { A * ((A + 1) - (A - 1) * cs + beta), 2 * A * ((A - 1) - (A + 1) * cs),
                     A * ((A + 1) - (A - 1) * cs - beta), (A + 1) + (A - 1) * cs + beta,
                     -2 * ((A - 1) + (A + 1) * cs), (A + 1) + (A - 1) * cs - beta };
        case 2: return { (1 + cs) / 2, -(1 + cs), (1 + cs) / 2, 1 + alpha, -2 * cs, 1 - alpha };
        case 3:
            return { A * ((A + 1) + (A - 1) * cs + beta), -2 * A * ((A - 1) + (A + 1) * cs),
                     A * ((A + 1) + (A - 1) * cs - beta), (A + 1) - (A - 1) * cs + beta,
                     2 * ((A - 1) - (A + 1) * cs), (A + 1) - (A - 1) * cs - beta };
        case 4: return { (1 - cs) / 2, 1 - cs, (1 - cs) / 2, 1 + alpha, -2 * cs, 1 - alpha };
        case 5: return { 1, -2 * cs, 1, 1 + alpha, -2 * cs, 1 - alpha };
        case 6:
        {
            const double Ag = std::pow(10.0, G / 20.0);
            return { Ag * alpha, 0, -Ag * alpha, 1 + alpha, -2 * cs, 1 - alpha };
        }
        default: return { 1 - alpha, -2 * cs, 1 + alpha, 1 + alpha, -2 * cs, 1 - alpha };
    }
}

double referenceMagnitude(int shape, double sr, double f, double Q, double G, double probe)
{
    if (shape == Kik9Eq::TiltShelf || shape == Kik9Eq::FlatTilt)
    {
        double fLow = f, fHigh = f;
        if (shape == Kik9Eq::FlatTilt)
        {
            const double top = std::max(0.49 * sr, 20.0);
            fLow = std::max(std::min(0.25 * f, top), 20.0);
            fHigh = std::max(std::min(4.0 * f, top), 20.0);
        }
        return referenceSection(Kik9Eq::LowShelf, sr, fLow, Q, -G / 2).magnitude(probe, sr)
               * referenceSection(Kik9Eq::HighShelf, sr, fHigh, Q, G / 2).magnitude(probe, sr);
    }
    return referenceSection(shape, sr, f, Q, G).magnitude(probe, sr);
}

double toDb(double magnitude)
{
    return 20.0 * std::log10(magnitude);
}

bool sameSection(const Section& a, const Section& b)
{
    return a.b0 == b.b0 && a.b1 == b.b1 && a.b2 == b.b2 && a.a1 == b.a1 && a.a2 == b.a2;
}

bool sameDesign(const BandDesign& a, const BandDesign& b)
{
    return sameSection(a.section1, b.section1) && sameSection(a.section2, b.section2)
           && a.hasSecondSection == b.hasSecondSection;
}

// ---------------------------------------------------------------------------------------------
// Designs

TEST(Kik9EqDesign, EveryShapeMatchesTheDoublePrecisionCookbookResponse)
{
    // The designs are computed in single precision, which resolves the poles and zeros of a low
    // band only coarsely (at 48 kHz, cos(w0) of a 20 Hz band differs from 1 by about 60 float
    // steps), so the allowed error grows towards the bottom of the range. A wrong formula is off
    // by whole decibels at every frequency. Where the reference lies below -60 dB (cut and notch
    // floors) the magnitudes are compared absolutely instead of in dB.
    struct Row
    {
        float frequency;
        double toleranceDb;
        double toleranceAbsolute;
    };
    const Row rows[] = { { 20.0f, 5.0, 0.15 },      { 40.0f, 0.6, 0.005 },    { 250.0f, 0.1, 0.001 },
                         { 1000.0f, 0.02, 0.0001 }, { 4000.0f, 0.005, 0.0001 }, { 12000.0f, 0.005, 0.0001 },
                         { 23520.0f, 0.005, 0.0005 } };
    constexpr double sr = 48000.0;
    const float gains[] = { -14.0f, -6.0f, 0.0f, 7.5f, 14.0f };
    const float qs[] = { 0.05f, 0.707f, 3.0f, 12.0f };
    const double probeRatios[] = { 0.25, 0.7, 0.97, 1.0, 1.03, 1.4, 4.0 };

    for (int shape = 0; shape < Kik9Eq::numShapes; ++shape)
        for (const auto& row : rows)
            for (float g : gains)
                for (float q : qs)
                {
                    const float f = row.frequency;
                    const auto design = Kik9Eq::designBand(sr, f, q, g, static_cast<Shape>(shape));
                    EXPECT_EQ(design.hasSecondSection, shape == Kik9Eq::TiltShelf || shape == Kik9Eq::FlatTilt);

                    for (double ratio : probeRatios)
                    {
                        const double probe = std::min(f * ratio, 0.49 * sr);
                        const double expected = referenceMagnitude(shape, sr, f, q, g, probe);
                        const double actual = Kik9Eq::magnitudeResponse(design, probe, sr);
                        SCOPED_TRACE(testing::Message() << Kik9Eq::shapeNames[static_cast<size_t>(shape)] << " f " << f
                                                        << " gain " << g << " Q " << q << " at " << probe << " Hz");
                        ASSERT_TRUE(std::isfinite(actual));
                        if (expected < 0.001)
                            ASSERT_NEAR(actual, expected, row.toleranceAbsolute);
                        else
                            ASSERT_NEAR(toDb(actual), toDb(expected), row.toleranceDb);
                    }
                }
}

TEST(Kik9EqDesign, InputsAreLimitedBeforeDesigning)
{
    struct Case
    {
        const char* what;
        double sr;
        float f, q, gain;
        int shape;
        float limitedF, limitedQ, limitedGain;
    };
    const Case cases[] = {
        { "frequency below 20 Hz", 44100.0, 10.0f, 0.7f, 6.0f, Kik9Eq::Bell, 20.0f, 0.7f, 6.0f },
        { "frequency above 0.49 sr", 44100.0, 30000.0f, 0.7f, 6.0f, Kik9Eq::HighShelf, 21609.0f, 0.7f, 6.0f },
        { "Q 0", 48000.0, 1000.0f, 0.0f, 6.0f, Kik9Eq::Bell, 1000.0f, 0.05f, 6.0f },
        { "Q above 12", 48000.0, 1000.0f, 40.0f, 6.0f, Kik9Eq::Notch, 1000.0f, 12.0f, 6.0f },
        { "gain 20 dB", 48000.0, 1000.0f, 0.7f, 20.0f, Kik9Eq::Bell, 1000.0f, 0.7f, 14.0f },
        { "gain -30 dB", 48000.0, 1000.0f, 0.7f, -30.0f, Kik9Eq::TiltShelf, 1000.0f, 0.7f, -14.0f },
        { "tiny rate keeps a 20 Hz floor", 10.0, 1000.0f, 0.7f, 3.0f, Kik9Eq::Bell, 20.0f, 0.7f, 3.0f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const auto shape = static_cast<Shape>(c.shape);
        EXPECT_TRUE(sameDesign(Kik9Eq::designBand(c.sr, c.f, c.q, c.gain, shape),
                               Kik9Eq::designBand(c.sr, c.limitedF, c.limitedQ, c.limitedGain, shape)));
    }
}

TEST(Kik9EqDesign, GainMattersExactlyForTheShapesThatSayTheyHaveGain)
{
    for (int shape = 0; shape < Kik9Eq::numShapes; ++shape)
    {
        const auto s = static_cast<Shape>(shape);
        const bool changes = ! sameDesign(Kik9Eq::designBand(48000.0, 900.0f, 1.0f, -8.0f, s),
                                          Kik9Eq::designBand(48000.0, 900.0f, 1.0f, 5.0f, s));
        EXPECT_EQ(changes, Kik9Eq::shapeHasGain(s)) << Kik9Eq::shapeNames[static_cast<size_t>(shape)];
    }
}

TEST(Kik9EqDesign, BellAtZeroGainIsUnityForAnyQ)
{
    for (float q : { 0.05f, 0.3f, 1.0f, 5.0f, 12.0f })
        for (float f : { 20.0f, 1000.0f, 18000.0f })
        {
            const auto s = Kik9Eq::designBand(48000.0, f, q, 0.0f, Kik9Eq::Bell).section1;
            EXPECT_EQ(s.b0, 1.0f);
            EXPECT_EQ(s.b1, s.a1);
            EXPECT_EQ(s.b2, s.a2);
        }
}

TEST(Kik9EqDesign, TiltShelfSplitsItsGainAroundTheFrequency)
{
    const auto design = Kik9Eq::designBand(48000.0, 1000.0f, 0.707f, 12.0f, Kik9Eq::TiltShelf);
    EXPECT_NEAR(toDb(Kik9Eq::magnitudeResponse(design, 20.0, 48000.0)), -6.0, 0.1);
    EXPECT_NEAR(toDb(Kik9Eq::magnitudeResponse(design, 1000.0, 48000.0)), 0.0, 0.01);
    EXPECT_NEAR(toDb(Kik9Eq::magnitudeResponse(design, 20000.0, 48000.0)), 6.0, 0.1);
}

TEST(Kik9EqDesign, FlatTiltPlacesItsShelvesTwoOctavesEitherSide)
{
    struct Case
    {
        double sr;
        float f, lowAt, highAt;
    };
    const Case cases[] = {
        { 48000.0, 1000.0f, 250.0f, 4000.0f },
        { 44100.0, 10.0f, 20.0f, 80.0f },        // 10 Hz is designed at 20 Hz; 5 Hz is raised to 20 Hz
        { 44100.0, 10000.0f, 2500.0f, 21609.0f } // the upper shelf stops at 0.49 sr
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.f);
        const auto flat = Kik9Eq::designBand(c.sr, c.f, 0.9f, 9.0f, Kik9Eq::FlatTilt);
        EXPECT_TRUE(flat.hasSecondSection);
        EXPECT_TRUE(sameSection(flat.section1, Kik9Eq::designBand(c.sr, c.lowAt, 0.9f, 9.0f, Kik9Eq::TiltShelf).section1));
        EXPECT_TRUE(sameSection(flat.section2, Kik9Eq::designBand(c.sr, c.highAt, 0.9f, 9.0f, Kik9Eq::TiltShelf).section2));
    }
}

TEST(Kik9EqDesign, BandPassPeaksAtItsGain)
{
    for (float gain : { 6.0f, 0.0f, -14.0f })
        for (float q : { 0.5f, 4.0f })
        {
            const auto design = Kik9Eq::designBand(48000.0, 700.0f, q, gain, Kik9Eq::BandPass);
            EXPECT_NEAR(toDb(Kik9Eq::magnitudeResponse(design, 700.0, 48000.0)), gain, 0.01);
            EXPECT_LT(Kik9Eq::magnitudeResponse(design, 70.0, 48000.0), Kik9Eq::magnitudeResponse(design, 700.0, 48000.0));
        }
}

// ---------------------------------------------------------------------------------------------
// Band processor

bool isNeverDesigned(const EqBand& b)
{
    const EqBand::SectionState silent;
    auto isSilent = [&](const EqBand::SectionState& s) {
        return s.x1 == silent.x1 && s.x2 == silent.x2 && s.y1 == silent.y1 && s.y2 == silent.y2;
    };
    return sameDesign(b.design, BandDesign {}) && isSilent(b.state1) && isSilent(b.state2) && ! b.wasEnabled
           && b.lastFrequency == -1.0f && b.lastGainDb == 1000.0f && b.lastQ == -1.0f && b.lastShape == -1;
}

// Steady-state gain of a band for a sine, measured by running it.
double measuredGain(EqBand& band, double sr, float probe, float f, float gain, float q, int shape)
{
    const int settle = static_cast<int>(sr * 0.5);
    const int measure = static_cast<int>(sr * 0.5);
    double in = 0.0, out = 0.0;
    for (int n = 0; n < settle + measure; ++n)
    {
        const float x = std::sin(static_cast<float>(2.0 * piDouble * std::fmod(probe * n / sr, 1.0)));
        const float y = band.process(x, sr, true, f, gain, q, shape);
        if (n >= settle)
        {
            in += static_cast<double>(x) * x;
            out += static_cast<double>(y) * y;
        }
    }
    return std::sqrt(out / in);
}

TEST(EqBand, WhatItPlaysIsWhatTheGraphDraws)
{
    // The per-sample sections and the drawn magnitude must agree for every shape (a second section
    // that is drawn but not run, or run but not drawn, shows up here). 0.05 dB allows for the
    // finite measuring window.
    constexpr double sr = 48000.0;
    for (int shape = 0; shape < Kik9Eq::numShapes; ++shape)
        for (float probe : { 150.0f, 1200.0f, 6000.0f })
        {
            SCOPED_TRACE(testing::Message() << Kik9Eq::shapeNames[static_cast<size_t>(shape)] << " at " << probe);
            EqBand band;
            const double measured = measuredGain(band, sr, probe, 1000.0f, 9.0f, 1.3f, shape);
            const double drawn = band.magnitudeAt(probe, sr);
            if (drawn < 0.01)
                EXPECT_NEAR(measured, drawn, 0.002);
            else
                EXPECT_NEAR(toDb(measured), toDb(drawn), 0.05);
        }
}

TEST(EqBand, ProcessorLimitsItsInputsBeforeDesigning)
{
    struct Case
    {
        const char* what;
        double sr;
        float f, gain, q;
        int shape;
        float limitedF, limitedGain, limitedQ;
        int limitedShape;
    };
    const Case cases[] = {
        { "10 Hz", 44100.0, 10.0f, 3.0f, 0.7f, 0, 20.0f, 3.0f, 0.7f, 0 },
        { "30 kHz stops at 20 kHz", 44100.0, 30000.0f, 3.0f, 0.7f, 3, 20000.0f, 3.0f, 0.7f, 3 },
        { "0.49 sr below 20 kHz", 32000.0, 30000.0f, 3.0f, 0.7f, 3, 15680.0f, 3.0f, 0.7f, 3 },
        { "Q 0", 48000.0, 500.0f, 3.0f, 0.0f, 0, 500.0f, 3.0f, 0.05f, 0 },
        { "gain 20 dB", 48000.0, 500.0f, 20.0f, 1.0f, 0, 500.0f, 14.0f, 1.0f, 0 },
        { "shape above 9", 48000.0, 500.0f, 3.0f, 1.0f, 12, 500.0f, 3.0f, 1.0f, 9 },
        { "negative shape", 48000.0, 500.0f, 3.0f, 1.0f, -2, 500.0f, 3.0f, 1.0f, 0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        EqBand band;
        band.process(0.25f, c.sr, true, c.f, c.gain, c.q, c.shape);
        EXPECT_EQ(band.lastFrequency, c.limitedF);
        EXPECT_EQ(band.lastGainDb, c.limitedGain);
        EXPECT_EQ(band.lastQ, c.limitedQ);
        EXPECT_EQ(band.lastShape, c.limitedShape);
        EXPECT_TRUE(sameDesign(band.design, Kik9Eq::designBand(c.sr, c.limitedF, c.limitedQ, c.limitedGain,
                                                               static_cast<Shape>(c.limitedShape))));
    }
}

TEST(EqBand, RedesignsOnlyWhenAnInputMovesPastItsThreshold)
{
    struct Case
    {
        const char* what;
        float f, gain, q;
        int shape;
        bool redesigns;
    };
    const float f0 = 1000.0f, g0 = 3.0f, q0 = 0.9f;
    const Case cases[] = {
        { "frequency +0.005 Hz", f0 + 0.005f, g0, q0, 0, false },
        { "frequency -0.005 Hz", f0 - 0.005f, g0, q0, 0, false },
        { "frequency +0.02 Hz", f0 + 0.02f, g0, q0, 0, true },
        { "gain +0.0005 dB", f0, g0 + 0.0005f, q0, 0, false },
        { "gain -0.002 dB", f0, g0 - 0.002f, q0, 0, true },
        { "Q +0.0005", f0, g0, q0 + 0.0005f, 0, false },
        { "Q +0.002", f0, g0, q0 + 0.002f, 0, true },
        { "shape", f0, g0, q0, 1, true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        EqBand band;
        band.process(0.5f, 48000.0, true, f0, g0, q0, 0);
        const auto before = band.design;
        band.process(0.5f, 48000.0, true, c.f, c.gain, c.q, c.shape);
        EXPECT_EQ(band.lastFrequency != f0 || band.lastGainDb != g0 || band.lastQ != q0 || band.lastShape != 0,
                  c.redesigns);
        EXPECT_EQ(! sameDesign(band.design, before), c.redesigns);
    }
}

TEST(EqBand, SlowAutomationRedesignsOnceTheDriftAddsUp)
{
    // The threshold is measured from the last design, not from the previous sample, so a slow
    // sweep cannot creep away from its design.
    EqBand band;
    band.process(0.0f, 48000.0, true, 1000.0f, 0.0f, 1.0f, 0);
    band.process(0.0f, 48000.0, true, 1000.004f, 0.0f, 1.0f, 0);
    band.process(0.0f, 48000.0, true, 1000.008f, 0.0f, 1.0f, 0);
    EXPECT_EQ(band.lastFrequency, 1000.0f);
    band.process(0.0f, 48000.0, true, 1000.012f, 0.0f, 1.0f, 0);
    EXPECT_EQ(band.lastFrequency, 1000.012f);
}

TEST(EqBand, DisablingPassesTheInputExactlyAndReEnablingStartsAfresh)
{
    EqBand band;
    for (int n = 0; n < 200; ++n)
        band.process(std::sin(0.05f * n), 48000.0, true, 300.0f, 9.0f, 2.0f, Kik9Eq::TiltShelf);
    ASSERT_NE(band.state2.y1, 0.0f);

    for (float x : { 0.3f, -1.7f, 1.0e-30f, 5.0f })
        EXPECT_EQ(band.process(x, 48000.0, false, 300.0f, 9.0f, 2.0f, Kik9Eq::TiltShelf), x);
    EXPECT_TRUE(isNeverDesigned(band));
    EXPECT_EQ(band.magnitudeAt(1000.0, 48000.0), 1.0);

    // Same parameters as before: it still designs, and from silent states the first output of a
    // two-section band is b0 * b0' * x.
    const float y = band.process(0.5f, 48000.0, true, 300.0f, 9.0f, 2.0f, Kik9Eq::TiltShelf);
    EXPECT_TRUE(band.wasEnabled);
    EXPECT_EQ(band.lastFrequency, 300.0f);
    EXPECT_EQ(y, band.design.section2.b0 * (band.design.section1.b0 * 0.5f));
}

TEST(EqBand, LeavingATwoSectionShapeClearsTheSecondSection)
{
    EqBand band;
    for (int n = 0; n < 100; ++n)
        band.process(std::sin(0.05f * n), 48000.0, true, 300.0f, 9.0f, 2.0f, Kik9Eq::FlatTilt);
    ASSERT_NE(band.state2.y1, 0.0f);

    band.process(0.1f, 48000.0, true, 300.0f, 9.0f, 2.0f, Kik9Eq::Bell);
    EXPECT_FALSE(band.design.hasSecondSection);
    EXPECT_EQ(band.state2.x1, 0.0f);
    EXPECT_EQ(band.state2.y1, 0.0f);
    EXPECT_NE(band.state1.y1, 0.0f) << "the first section's state survives a redesign";
}

} // namespace
} // namespace kestrum
