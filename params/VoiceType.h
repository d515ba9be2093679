#pragma once

#include <cstdint>

namespace kestrum
{

// Which synthesis design renders a channel; the value equals the index of the channel using it.
enum class VoiceType : int32_t
{
    Kik9 = 0,
    Snare808 = 1,
    RimShot808 = 2,
    ClosedHat808 = 3,
    TevHat9Open = 4,
    GeneralDrumA = 5,
    BassBin = 6,
    ChordPuller = 7
};

} // namespace kestrum
