#include "TevHat9OpenVoice.h"

namespace kestrum
{

void TevHat9OpenVoice::onTrigger()
{
    
}

float TevHat9OpenVoice::render(const ChannelParameters&)
{
    return 0.0f;
}

} // namespace kestrum
