#include "ClosedHat808Voice.h"

namespace kestrum
{

void ClosedHat808Voice::onTrigger()
{
    setEnvelopesToVelocity();
}

float ClosedHat808Voice::render(const ChannelParameters&)
{
    return 0.0f;
}

} // namespace kestrum
