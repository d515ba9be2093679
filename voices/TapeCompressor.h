#pragma once

// The tape-style compressor that ends the kick's main model: partial gain reduction with make-up,
// a saturating stage with pre-emphasis, a little high-frequency smear and low-end build-up, and a
// DC blocker. At amount 0 it is out of the signal path.

namespace kestrum
{

class TapeCompressor
{
public:
    // Six values; all zero after reset and whenever the amount falls to 0.
    struct State
    {
        float reductionDb = 0.0f;   // g, at most 0
        float low2600 = 0.0f;       // l
        float low9000 = 0.0f;       // w
        float low85 = 0.0f;         // lo
        float dcPrevious = 0.0f;    // 5 Hz DC blocker
        float dcBlocked = 0.0f;
    };

    // Sets the fixed coefficients; clears the state.
    void prepare(double sampleRate) noexcept;
    void reset() noexcept { state = {}; }

    // amount 0..1; at 0.0001 or below it clears itself and returns x untouched.
    float process(float x, float amount) noexcept;

    const State& getState() const noexcept { return state; }

private:
    float coefficient2600 = 0.0f;
    float coefficient9000 = 0.0f;
    float coefficient85 = 0.0f;
    float pole5 = 0.0f;
    float attack = 0.0f;    // d(0.012)
    float release = 0.0f;   // d(0.11)
    State state;
};

} // namespace kestrum
