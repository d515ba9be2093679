#include "WavImage.h"

#include <algorithm>
#include <cstring>

namespace kestrum
{

namespace
{
uint16_t readU16(const uint8_t* p) noexcept
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t readU32(const uint8_t* p) noexcept
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16)
           | (static_cast<uint32_t>(p[3]) << 24);
}

bool hasTag(const uint8_t* p, const char* tag) noexcept
{
    return std::memcmp(p, tag, 4) == 0;
}
} // namespace

bool parseWavImage(const uint8_t* bytes, size_t size, WavImage& out) noexcept
{
    if (bytes == nullptr || size < 12 || ! hasTag(bytes, "RIFF") || ! hasTag(bytes + 8, "WAVE"))
        return false;

    // Chunks must lie inside both the buffer and the length the RIFF header claims.
    const uint64_t riffEnd = static_cast<uint64_t>(readU32(bytes + 4)) + 8;
    if (riffEnd < 12 || riffEnd > size)
        return false;
    const size_t end = static_cast<size_t>(riffEnd);

    WavImage found;
    bool haveFormat = false;
    bool haveData = false;
    size_t pos = 12;

    while (end - pos >= 8)
    {
        const uint8_t* header = bytes + pos;
        const size_t chunkSize = readU32(header + 4);
        const size_t bodyStart = pos + 8;

        if (chunkSize > end - bodyStart)
            return false;

        const uint8_t* body = bytes + bodyStart;

        if (hasTag(header, "fmt "))
        {
            if (chunkSize < 16)
                return false;
            found.formatTag = readU16(body);
            found.channels = readU16(body + 2);
            found.sampleRate = readU32(body + 4);
            found.bitsPerSample = readU16(body + 14);
            haveFormat = true;
        }
        else if (hasTag(header, "data") && ! haveData)
        {
            found.data = body;
            found.dataSize = chunkSize;
            haveData = true;
        }

        // Odd-sized chunks are followed by a pad byte; a missing final pad is tolerated.
        const size_t advance = chunkSize + (chunkSize & 1u);
        if (advance >= end - bodyStart)
            break;
        pos = bodyStart + advance;
    }

    if (! haveFormat || ! haveData)
        return false;

    out = found;
    return true;
}

} // namespace kestrum
