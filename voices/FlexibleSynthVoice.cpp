#include "FlexibleSynthVoice.h"

namespace kestrum
{

void FlexibleSynthVoice::onTrigger()
{
    setEnvelopesToVelocity();
}

float FlexibleSynthVoice::render(const ChannelParameters&)
{
    return 0.0f;
}

} // namespace kestrum
