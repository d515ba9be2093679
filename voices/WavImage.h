#pragma once

// Reads the format and the sample bytes of a RIFF/WAVE file held in memory, without copying.
// Every length is checked against the buffer, so a damaged or hostile file is rejected rather
// than read out of bounds.

#include <cstddef>
#include <cstdint>

namespace kestrum
{

struct WavImage
{
    uint16_t formatTag = 0; // 1 = integer PCM
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;
    const uint8_t* data = nullptr; // the "data" chunk's bytes, inside the parsed buffer
    size_t dataSize = 0;
};

// Fills `out` and returns true when `bytes` holds a RIFF/WAVE file with a "fmt " chunk of at least
// 16 bytes and a "data" chunk, both lying wholly inside the buffer and the RIFF length. Other
// chunks are skipped. On failure `out` is left as it was.
bool parseWavImage(const uint8_t* bytes, size_t size, WavImage& out) noexcept;

} // namespace kestrum
