#pragma once

// The alternative kicks (models 2 to 7): a swept sine softened towards a triangle, with partials
// that bloom and die on their own time constants, a short synthetic click and a gentle waveshaper.
// Each model differs only in which partials it adds and how its attack is voiced.

#include "Kik9Math.h"
#include "Kik9Parameters.h"

namespace kestrum
{

// Noise the voice shares with this engine: the register's +-1 value and its four low-passes.
struct Kik9EngineBNoise
{
    float cn = 0.0f;
    float nA = 0.0f;
    float nB = 0.0f;
    float nC = 0.0f;
    float nD = 0.0f;
};

class Kik9EngineB
{
public:
    // Coefficients that depend only on the sample rate.
    void prepare(float sampleRate) noexcept;

    // Back to silence; keeps the coefficients.
    void reset() noexcept;

    // Starts a note; a sounding engine fades from its last output instead of jumping.
    void start(const kik9::NoteStart& levels) noexcept;

    // One sample of tone + click, before the velocity gain. Call only while active; the engine
    // switches itself off once its envelopes are inaudible.
    float render(const Kik9Parameters& p, float pitchRatio, const Kik9EngineBNoise& n) noexcept;

    bool isActive() const noexcept { return active; }
    float samplesSinceStart() const noexcept { return counter; }

private:
    float tone(const Kik9Parameters& p, float pitchRatio, float t) noexcept;
    float clickSignal(const Kik9Parameters& p, float t, const Kik9EngineBNoise& n) const noexcept;
    void advanceEnvelopes(const Kik9Parameters& p) noexcept;

    float sampleRate = 44100.0f;
    float clickLowPassCoefficient = 0.0f;

    bool active = false;
    float phase1 = 0.0f;
    float phase2 = 0.0f;
    float phase3 = 0.0f;
    float counter = 0.0f;
    float time = 0.0f; // samples since the note started
    float amp = 0.0f;
    float pitchEnvelope = 0.0f;
    float click = 0.0f;
    float click2 = 0.0f;
    kik9::DcBlocker toneDc;
    float clickLowPass = 0.0f;
    kik9::DcBlocker clickDc;
    kik9::Declick declick;
};

} // namespace kestrum
