#pragma once

#include "DrumVoice.h"

namespace kestrum
{

class Snare808Voice final : public DrumVoiceDesign<Snare808Voice>
{
public:
    Snare808Voice() noexcept : DrumVoiceDesign(VoiceType::Snare808) {}

protected:
    void onTrigger() override;
    float render(const ChannelParameters& p) override;
};

} // namespace kestrum
