#pragma once

// The open-hat recording compiled into the sound library (see resources/open_hat.wav and
// tools/ohgen). The bytes are the whole WAV file; openHatWavSize excludes the terminating zero
// that the generated array carries so that it is never empty.

#include <cstddef>

namespace kestrum::resources
{
extern const unsigned char openHatWav[];
extern const std::size_t openHatWavSize;
} // namespace kestrum::resources
