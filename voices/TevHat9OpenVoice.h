#pragma once

#include "DrumVoice.h"
#include "EqBand.h"
#include "HatDriveStage.h"
#include "TevHat9Voice.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace kestrum
{

// "TEV HAT 9 Open": the embedded open-hat recording through a pitchable player, an accent-driven
// brightness filter, a resonant ladder, a saturator, the shared drive stage, a 12-bit converter
// and the three-band "GS3" equaliser before or after drive and converter.
class TevHat9OpenVoice final : public DrumVoiceDesign<TevHat9OpenVoice>
{
public:
    TevHat9OpenVoice() noexcept : DrumVoiceDesign(VoiceType::TevHat9Open) {}

    // Replaces the recording (same rules as TevHat9Voice::loadFromWav). prepare() loads the
    // embedded one the first time it runs unless a recording was given here before. Not for the
    // audio thread.
    bool loadSample(const uint8_t* wavBytes, size_t size) noexcept;

    const TevHat9Voice& sampleBlock() const noexcept { return block; }
    const TevHat9Voice::Player& currentPlayer() const noexcept { return player; }

protected:
    void prepareDesign(double sampleRate) override;
    void resetDesign() override;
    void onTrigger() override;
    float render(const ChannelParameters& p) override;

private:
    float processLadder(float y, const ChannelParameters& p, float accent) noexcept;
    float processHat9Gs3Eq(float x, const ChannelParameters& p, std::array<EqBand, 3>& bands, bool active,
                           dsp::LinearRamp& mix) noexcept;

    struct PendingTrigger
    {
        float velocity = 1.0f;
        float pitchRatio = 1.0f;
        bool pending = false;
    };

    TevHat9Voice block;
    bool tableFilled = false;
    PendingTrigger hatTrigger;
    TevHat9Voice::Player player;

    // Brightness low-pass and DC blocker.
    float brightness = 0.0f;
    float dcInput = 0.0f;
    float dcOutput = 0.0f;

    // Ladder filter.
    std::array<float, 4> ladder {};
    bool ladderInitialised = false;
    float smoothedCutoff = 99.0f;
    float smoothedResonance = 0.0f;
    float ladderSmoothing = 0.0f;

    HatDriveStage drive;
    float lastDrive = 0.0f;

    std::array<EqBand, 3> preBands {};
    std::array<EqBand, 3> postBands {};
    dsp::LinearRamp preMix;
    dsp::LinearRamp postMix;
};

} // namespace kestrum
