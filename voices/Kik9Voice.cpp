#include "Kik9Voice.h"

namespace kestrum
{

void Kik9Voice::onTrigger()
{
    
}

float Kik9Voice::render(const ChannelParameters&)
{
    return 0.0f;
}

} // namespace kestrum
