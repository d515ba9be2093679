#pragma once

#include "DrumVoice.h"
#include "HatDriveStage.h"

#include <array>

namespace kestrum
{

// "808 Closed Hat": six detuned square oscillators and a little noise, carved by a one-pole
// high-pass chain, with a short click, the shared drive stage ("DRIVE") and a post gain.
class ClosedHat808Voice final : public DrumVoiceDesign<ClosedHat808Voice>
{
public:
    static constexpr int numOscillators = 6;

    ClosedHat808Voice() noexcept : DrumVoiceDesign(VoiceType::ClosedHat808) {}

    // Oscillator phases in radians, 0 .. 2 pi. They run freely, triggers do not restart them.
    const std::array<float, numOscillators>& oscillatorPhases() const noexcept { return phases; }

protected:
    void prepareDesign(double sampleRate) override;
    void resetDesign() override;
    void onTrigger() override;
    float render(const ChannelParameters& p) override;

private:
    std::array<float, numOscillators> phases {};
    HatDriveStage drive;
};

} // namespace kestrum
