#include "Kik9Eq.h"

#include "DspBlocks.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace kestrum::Kik9Eq
{
namespace
{

// The trigonometric terms every cookbook biquad starts from.
struct Terms
{
    float cs;
    float sn;
    float alpha;
};

Terms termsFor(double sampleRate, float frequency, float q) noexcept
{
    const float w0 = dsp::twoPi * frequency / static_cast<float>(sampleRate);
    const float sn = std::sin(w0);
    return { std::cos(w0), sn, sn / (2.0f * q) };
}

// Divides by a0; a vanishing a0 is floored so that the result stays finite.
Section normalised(float b0, float b1, float b2, float a0, float a1, float a2) noexcept
{
    if (a0 < 0.000000001f)
        a0 = 0.000000001f;

    return { b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0 };
}

float shelfAmplitude(float gainDb, float divisor) noexcept
{
    return std::pow(10.0f, gainDb / divisor);
}

Section lowShelf(const Terms& t, float A, float q) noexcept
{
    const float beta = std::sqrt(A) * t.sn / q;
    return normalised(A * ((A + 1.0f) - (A - 1.0f) * t.cs + beta),
                      2.0f * A * ((A - 1.0f) - (A + 1.0f) * t.cs),
                      A * ((A + 1.0f) - (A - 1.0f) * t.cs - beta),
                      (A + 1.0f) + (A - 1.0f) * t.cs + beta,
                      -2.0f * ((A - 1.0f) + (A + 1.0f) * t.cs),
                      (A + 1.0f) + (A - 1.0f) * t.cs - beta);
}

Section highShelf(const Terms& t, float A, float q) noexcept
{
    const float beta = std::sqrt(A) * t.sn / q;
    return normalised(A * ((A + 1.0f) + (A - 1.0f) * t.cs + beta),
                      -2.0f * A * ((A - 1.0f) + (A + 1.0f) * t.cs),
                      A * ((A + 1.0f) + (A - 1.0f) * t.cs - beta),
                      (A + 1.0f) - (A - 1.0f) * t.cs + beta,
                      2.0f * ((A - 1.0f) - (A + 1.0f) * t.cs),
                      (A + 1.0f) - (A - 1.0f) * t.cs - beta);
}

float atLeast20(float f) noexcept
{
    return f < 20.0f ? 20.0f : f;
}

} // namespace

BandDesign designBand(double sampleRate, float frequency, float q, float gainDb, Shape shape) noexcept
{
    const float maxFrequency = static_cast<float>(std::max(0.49 * sampleRate, 20.0));
    const float f = frequency < 20.0f ? 20.0f : std::min(frequency, maxFrequency);
    const float Q = std::clamp(q, 0.05f, 12.0f);
    const float G = std::clamp(gainDb, -14.0f, 14.0f);

    BandDesign d;
    const Terms t = termsFor(sampleRate, f, Q);

    switch (shape)
    {
        case Bell:
        {
            const float A = shelfAmplitude(G, 40.0f);
            d.section1 = normalised(1.0f + t.alpha * A, -2.0f * t.cs, 1.0f - t.alpha * A,
                                    1.0f + t.alpha / A, -2.0f * t.cs, 1.0f - t.alpha / A);
            break;
        }
        case LowShelf:
            d.section1 = lowShelf(t, shelfAmplitude(G, 40.0f), Q);
            break;
        case LowCut:
            d.section1 = normalised((1.0f + t.cs) / 2.0f, -(1.0f + t.cs), (1.0f + t.cs) / 2.0f,
                                    1.0f + t.alpha, -2.0f * t.cs, 1.0f - t.alpha);
            break;
        case HighShelf:
            d.section1 = highShelf(t, shelfAmplitude(G, 40.0f), Q);
            break;
        case HighCut:
            d.section1 = normalised((1.0f - t.cs) / 2.0f, 1.0f - t.cs, (1.0f - t.cs) / 2.0f,
                                    1.0f + t.alpha, -2.0f * t.cs, 1.0f - t.alpha);
            break;
        case Notch:
            d.section1 = normalised(1.0f, -2.0f * t.cs, 1.0f, 1.0f + t.alpha, -2.0f * t.cs, 1.0f - t.alpha);
            break;
        case BandPass:
        {
            const float Ag = std::pow(10.0f, G / 20.0f);
            d.section1 = normalised(Ag * t.alpha, 0.0f, -Ag * t.alpha, 1.0f + t.alpha, -2.0f * t.cs, 1.0f - t.alpha);
            break;
        }
        case TiltShelf:
            d.section1 = lowShelf(t, shelfAmplitude(-G, 80.0f), Q);
            d.section2 = highShelf(t, shelfAmplitude(G, 80.0f), Q);
            d.hasSecondSection = true;
            break;
        case FlatTilt:
        {
            // The shelves sit two octaves either side of f so that the middle stays flat.
            const float fLow = atLeast20(std::min(0.25f * f, maxFrequency));
            const float fHigh = atLeast20(std::min(4.0f * f, maxFrequency));
            d.section1 = lowShelf(termsFor(sampleRate, fLow, Q), shelfAmplitude(-G, 80.0f), Q);
            d.section2 = highShelf(termsFor(sampleRate, fHigh, Q), shelfAmplitude(G, 80.0f), Q);
            d.hasSecondSection = true;
            break;
        }
        case AllPass:
            d.section1 = normalised(1.0f - t.alpha, -2.0f * t.cs, 1.0f + t.alpha,
                                    1.0f + t.alpha, -2.0f * t.cs, 1.0f - t.alpha);
            break;
    }

    return d;
}

double sectionMagnitude(const Section& s, double frequency, double sampleRate) noexcept
{
    const double w = 2.0 * 3.14159265358979323846 * frequency / sampleRate;
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    const auto numerator = static_cast<double>(s.b0) + static_cast<double>(s.b1) * z1 + static_cast<double>(s.b2) * z2;
    const auto denominator = 1.0 + static_cast<double>(s.a1) * z1 + static_cast<double>(s.a2) * z2;
    return std::abs(numerator) / std::max(std::abs(denominator), 1.0e-300);
}

double magnitudeResponse(const BandDesign& design, double frequency, double sampleRate) noexcept
{
    const double first = sectionMagnitude(design.section1, frequency, sampleRate);
    return design.hasSecondSection ? first * sectionMagnitude(design.section2, frequency, sampleRate) : first;
}

} // namespace kestrum::Kik9Eq
