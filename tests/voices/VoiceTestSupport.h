#pragma once

// Small helpers shared by the voice design tests.

#include "voices/DrumVoice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kestrum::test
{

constexpr double testRate = 48000.0;

inline std::vector<float> renderSamples(DrumVoice& voice, const ChannelParameters& p, int count)
{
    std::vector<float> out(static_cast<size_t>(count));
    for (auto& s : out)
        s = voice.process(p);
    return out;
}

inline double rms(const std::vector<float>& x, size_t begin, size_t end)
{
    double sum = 0.0;
    for (size_t i = begin; i < end; ++i)
        sum += static_cast<double>(x[i]) * x[i];
    return std::sqrt(sum / static_cast<double>(std::max<size_t>(end - begin, 1)));
}

inline float peak(const std::vector<float>& x)
{
    float p = 0.0f;
    for (float v : x)
        p = std::max(p, std::abs(v));
    return p;
}

// A render fit to freeze as a golden reference: finite, audible, not clipping wildly, and quieter
// at its end than at its loudest.
inline ::testing::AssertionResult isSaneNote(const std::vector<float>& x)
{
    for (size_t i = 0; i < x.size(); ++i)
        if (! std::isfinite(x[i]))
            return ::testing::AssertionFailure() << "sample " << i << " is not finite";
    const float top = peak(x);
    if (top < 0.01f || top > 1.5f)
        return ::testing::AssertionFailure() << "peak " << top;
    const size_t tail = x.size() - x.size() / 10;
    if (rms(x, tail, x.size()) >= rms(x, 0, x.size() / 10))
        return ::testing::AssertionFailure() << "does not decay";
    return ::testing::AssertionSuccess();
}

// A minimal RIFF/WAVE file around `data`.
inline std::vector<uint8_t> pcmWav(const std::vector<uint8_t>& data, uint32_t sampleRate = 32000, uint16_t channels = 1,
                                   uint16_t bits = 8, uint16_t formatTag = 1)
{
    std::vector<uint8_t> b;
    auto u16 = [&b](uint32_t v) {
        b.push_back(static_cast<uint8_t>(v & 0xff));
        b.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
    };
    auto u32 = [&u16](uint32_t v) {
        u16(v & 0xffff);
        u16(v >> 16);
    };
    auto tag = [&b](const char* t) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<uint8_t>(t[i]));
    };
    const uint32_t size = static_cast<uint32_t>(data.size());
    tag("RIFF");
    u32(36 + size + (size & 1u));
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(formatTag);
    u16(channels);
    u32(sampleRate);
    u32(sampleRate * channels * bits / 8);
    u16(static_cast<uint16_t>(channels * bits / 8));
    u16(bits);
    tag("data");
    u32(size);
    b.insert(b.end(), data.begin(), data.end());
    if (size & 1u)
        b.push_back(0);
    return b;
}

} // namespace kestrum::test
