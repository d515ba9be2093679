#include "BassBinVoice.h"

namespace kestrum
{

void BassBinVoice::onTrigger()
{
    setEnvelopesToVelocity();
}

float BassBinVoice::render(const ChannelParameters&)
{
    return 0.0f;
}

} // namespace kestrum
