#pragma once

// The main kick: a swept sine body with a little harmonic growl that fades in after the attack,
// filtered noise, and a two-part click, driven through a soft asymmetric clipper. The body and
// noise run on one path, the click on a second so that a retrigger can smooth the body without
// blunting the new attack.

#include "Kik9Math.h"
#include "Kik9Parameters.h"

namespace kestrum
{

// Noise the voice shares with this engine: the register's +-1 value and its three low-passes.
struct Kik9EngineANoise
{
    float cn = 0.0f;
    float lp1 = 0.0f;
    float lp2 = 0.0f;
    float lp3 = 0.0f;
};

class Kik9EngineA
{
public:
    void reset() noexcept { *this = Kik9EngineA {}; }

    // Starts a note; a sounding engine fades from its last output instead of jumping.
    void start(const kik9::NoteStart& levels) noexcept;

    // One sample of both paths (body/noise + click), before the velocity gain. Call only while
    // active; the engine switches itself off once its envelopes are inaudible.
    float render(const Kik9Parameters& p, float pitchRatio, const Kik9EngineANoise& n, float sampleRate) noexcept;

    bool isActive() const noexcept { return active; }
    float samplesSinceStart() const noexcept { return counter; }

private:
    bool active = false;
    float phase1 = 0.0f;
    float phase2 = 0.0f;
    float counter = 0.0f;
    float clickCounter = 0.0f;
    float amp = 0.0f;
    float amp2 = 0.0f;
    float pitchEnvelope = 0.0f;
    float click = 0.0f;
    float click2 = 0.0f;
    float lp4 = 0.0f; // growl noise band-pass
    float lp5 = 0.0f;
    float toneZ = 0.0f; // post-clip low-passes, one per path
    float clickZ = 0.0f;
    kik9::DcBlocker toneDc;
    kik9::DcBlocker clickDc;
    kik9::Declick declick;
};

} // namespace kestrum
