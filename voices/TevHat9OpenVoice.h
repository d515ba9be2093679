#pragma once

#include "DrumVoice.h"

namespace kestrum
{

class TevHat9OpenVoice final : public DrumVoiceDesign<TevHat9OpenVoice>
{
public:
    TevHat9OpenVoice() noexcept : DrumVoiceDesign(VoiceType::TevHat9Open) {}

protected:
    void onTrigger() override;
    float render(const ChannelParameters& p) override;
};

} // namespace kestrum
