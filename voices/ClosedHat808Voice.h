#pragma once

#include "DrumVoice.h"

namespace kestrum
{

class ClosedHat808Voice final : public DrumVoiceDesign<ClosedHat808Voice>
{
public:
    ClosedHat808Voice() noexcept : DrumVoiceDesign(VoiceType::ClosedHat808) {}

protected:
    void onTrigger() override;
    float render(const ChannelParameters& p) override;
};

} // namespace kestrum
