#pragma once

// Pulls every module but the kick down while the kick sounds. The envelope jumps on each kick
// trigger and follows the kick's own audio, then falls back with a 180 ms time constant; the
// KickDuck switch fades the effect in and out over a few milliseconds.

namespace kestrum
{

class KickDucker
{
public:
    KickDucker() noexcept { prepare(44100.0f, false); }

    // Coefficients for the rate; envelope empty, the switch's smoothing settled at duckOn.
    void prepare(float sampleRate, bool duckOn) noexcept;

    // A kick trigger at this velocity.
    void raise(float velocity) noexcept;

    // Start of a sample: decays the envelope, follows the switch, returns the gain for the
    // modules that are ducked (0.28 at the deepest).
    float advance(bool duckOn) noexcept;

    // End of a sample: the kick's own output keeps the envelope up while it rings.
    void followKick(float kickSum) noexcept;

    float getEnvelope() const noexcept { return envelope; }
    float getAmount() const noexcept { return amount; }

private:
    float envelope = 0.0f;
    float amount = 0.0f;
    float decay = 0.0f;
    float smoothing = 0.0f;
};

} // namespace kestrum
