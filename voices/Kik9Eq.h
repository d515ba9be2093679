#pragma once

// The equaliser band shared by every equaliser in the instrument: ten shapes, each turned into one
// or two biquad sections from a frequency, a Q and a gain. The kick's match equaliser, the open
// hat's equaliser, the module equaliser and the kick's response graph all use these designs, so
// that what is drawn is what is heard.

#include <array>

namespace kestrum::Kik9Eq
{

// Shape numbers are stored in parameters: never reorder.
enum Shape : int
{
    Bell = 0,
    LowShelf = 1,
    LowCut = 2,
    HighShelf = 3,
    HighCut = 4,
    Notch = 5,
    BandPass = 6,
    TiltShelf = 7,
    FlatTilt = 8,
    AllPass = 9
};

constexpr int numShapes = 10;

constexpr std::array<const char*, numShapes> shapeNames { "Bell",      "Low Shelf", "Low Cut",    "High Shelf",
                                                          "High Cut",  "Notch",     "Band Pass",  "Tilt Shelf",
                                                          "Flat Tilt", "All Pass" };

// Limits any integer to a valid shape (callers round the parameter value first).
constexpr Shape limitShape(int shape) noexcept
{
    return static_cast<Shape>(shape < 0 ? 0 : (shape > numShapes - 1 ? numShapes - 1 : shape));
}

// Whether the gain takes part in a shape's design (the cuts, the notch and the all-pass ignore it).
constexpr bool shapeHasGain(Shape shape) noexcept
{
    return shape != LowCut && shape != HighCut && shape != Notch && shape != AllPass;
}

// One biquad, a0 normalised to 1:
// y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] - a1 y[n-1] - a2 y[n-2].
struct Section
{
    float b0 = 1.0f;
    float b1 = 0.0f;
    float b2 = 0.0f;
    float a1 = 0.0f;
    float a2 = 0.0f;
};

// The tilt shapes need a second section; every other shape leaves it at the identity.
struct BandDesign
{
    Section section1;
    Section section2;
    bool hasSecondSection = false;
};

// Designs one band. Frequency is limited to 20 Hz .. max(0.49 sampleRate, 20), Q to 0.05 .. 12
// and gain to -14 .. +14 dB; the shape must already be within 0..9 (see limitShape).
BandDesign designBand(double sampleRate, float frequency, float q, float gainDb, Shape shape) noexcept;

// |H| of one section at `frequency` Hz, evaluated in double precision.
double sectionMagnitude(const Section& s, double frequency, double sampleRate) noexcept;

// |H| of a whole band (both sections when it has two) at `frequency` Hz. A chain's response is the
// product of its bands'; a disabled band contributes 1.
double magnitudeResponse(const BandDesign& design, double frequency, double sampleRate) noexcept;

} // namespace kestrum::Kik9Eq
