#pragma once

#include "DrumVoice.h"

namespace kestrum
{

class BassBinVoice final : public DrumVoiceDesign<BassBinVoice>
{
public:
    BassBinVoice() noexcept : DrumVoiceDesign(VoiceType::BassBin) {}

protected:
    void onTrigger() override;
    float render(const ChannelParameters& p) override;
};

} // namespace kestrum
