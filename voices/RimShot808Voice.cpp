#include "RimShot808Voice.h"

namespace kestrum
{

void RimShot808Voice::onTrigger()
{
    setEnvelopesToVelocity();
}

float RimShot808Voice::render(const ChannelParameters&)
{
    return 0.0f;
}

} // namespace kestrum
