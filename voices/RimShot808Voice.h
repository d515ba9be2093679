#pragma once

#include "DrumVoice.h"

namespace kestrum
{

class RimShot808Voice final : public DrumVoiceDesign<RimShot808Voice>
{
public:
    RimShot808Voice() noexcept : DrumVoiceDesign(VoiceType::RimShot808) {}

protected:
    void onTrigger() override;
    float render(const ChannelParameters& p) override;
};

} // namespace kestrum
