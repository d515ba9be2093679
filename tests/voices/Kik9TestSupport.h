#pragma once

#include "params/ChannelParameters.h"

namespace kestrum::test
{

// Switches on exactly the kick model 1..7 (1 = the main model, all switches off).
inline void selectKickModel(ChannelParameters& p, int model)
{
    p.kik9AltModel = model == 2 ? 1.0f : 0.0f;
    p.kik9Model3 = model == 3 ? 1.0f : 0.0f;
    p.kik9Model4 = model == 4 ? 1.0f : 0.0f;
    p.kik9Model5 = model == 5 ? 1.0f : 0.0f;
    p.kik9Model6 = model == 6 ? 1.0f : 0.0f;
    p.kik9Model7 = model == 7 ? 1.0f : 0.0f;
}

} // namespace kestrum::test
