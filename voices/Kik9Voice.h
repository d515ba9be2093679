#pragma once

#include "DrumVoice.h"

namespace kestrum
{

class Kik9Voice final : public DrumVoiceDesign<Kik9Voice>
{
public:
    Kik9Voice() noexcept : DrumVoiceDesign(VoiceType::Kik9) {}

protected:
    void onTrigger() override;
    float render(const ChannelParameters& p) override;
};

} // namespace kestrum
