#pragma once

#include "DrumVoice.h"

namespace kestrum
{

class FlexibleSynthVoice final : public DrumVoiceDesign<FlexibleSynthVoice>
{
public:
    explicit FlexibleSynthVoice(VoiceType type) noexcept : DrumVoiceDesign(type) {}

protected:
    void onTrigger() override;
    float render(const ChannelParameters& p) override;
};

} // namespace kestrum
