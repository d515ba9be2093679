#include "Snare808Voice.h"

namespace kestrum
{

void Snare808Voice::onTrigger()
{
    setEnvelopesToVelocity();
}

float Snare808Voice::render(const ChannelParameters&)
{
    return 0.0f;
}

} // namespace kestrum
