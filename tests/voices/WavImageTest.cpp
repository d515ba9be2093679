#include "voices/WavImage.h"

#include "voices/OpenHatResource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrum
{
namespace
{

void putU16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v & 0xff));
    b.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
}

void putU32(std::vector<uint8_t>& b, uint32_t v)
{
    putU16(b, v & 0xffff);
    putU16(b, v >> 16);
}

void putTag(std::vector<uint8_t>& b, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(tag[i]));
}

void putU32At(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<uint8_t>((v >> (8 * i)) & 0xff);
}

// A small valid file: fmt, an odd-sized chunk the reader must skip (with its pad byte), data.
std::vector<uint8_t> goodFile()
{
    std::vector<uint8_t> b;
    putTag(b, "RIFF");
    putU32(b, 0); // patched below
    putTag(b, "WAVE");
    putTag(b, "fmt ");
    putU32(b, 16);
    putU16(b, 1);
    putU16(b, 1);
    putU32(b, 32000);
    putU32(b, 32000);
    putU16(b, 1);
    putU16(b, 8);
    putTag(b, "LIST");
    putU32(b, 3);
    b.insert(b.end(), { 'a', 'b', 'c', 0 });
    putTag(b, "data");
    putU32(b, 5);
    b.insert(b.end(), { 10, 20, 30, 40, 50, 0 });
    putU32At(b, 4, static_cast<uint32_t>(b.size() - 8));
    return b;
}

constexpr size_t riffSizeAt = 4;
constexpr size_t fmtSizeAt = 16;
constexpr size_t listSizeAt = 40;
constexpr size_t dataSizeAt = 52;

TEST(WavImage, ReadsTheFormatAndFindsTheDataPastOtherChunks)
{
    const auto file = goodFile();
    WavImage wav;
    ASSERT_TRUE(parseWavImage(file.data(), file.size(), wav));
    EXPECT_EQ(wav.formatTag, 1);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.sampleRate, 32000u);
    EXPECT_EQ(wav.bitsPerSample, 8);
    ASSERT_EQ(wav.dataSize, 5u);
    EXPECT_EQ(wav.data, file.data() + dataSizeAt + 4);
    EXPECT_EQ(wav.data[0], 10);
    EXPECT_EQ(wav.data[4], 50);
}

TEST(WavImage, RejectsDamagedFilesWithoutReadingPastTheBuffer)
{
    struct Case
    {
        std::string what;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        { "not RIFF", [](auto& b) { b[0] = 'X'; } },
        { "not WAVE", [](auto& b) { b[8] = 'X'; } },
        { "shorter than a header", [](auto& b) { b.resize(11); } },
        { "RIFF length past the end", [](auto& b) { putU32At(b, riffSizeAt, static_cast<uint32_t>(b.size())); } },
        { "RIFF length of 0xffffffff", [](auto& b) { putU32At(b, riffSizeAt, 0xffffffffu); } },
        { "data chunk past the end", [](auto& b) { putU32At(b, dataSizeAt, 7); } },
        { "data chunk of 0xffffffff", [](auto& b) { putU32At(b, dataSizeAt, 0xffffffffu); } },
        { "skipped chunk past the end", [](auto& b) { putU32At(b, listSizeAt, 0xfffffff0u); } },
        { "fmt chunk too short", [](auto& b) { putU32At(b, fmtSizeAt, 12); } },
        { "no fmt chunk", [](auto& b) { b[12] = 'x'; } },
        { "no data chunk", [](auto& b) { b[dataSizeAt - 4] = 'x'; } },
        { "cut inside the data", [](auto& b) {
              b.resize(b.size() - 4);
              putU32At(b, riffSizeAt, static_cast<uint32_t>(b.size() - 8));
          } },
    };

    for (const auto& c : cases)
    {
        auto file = goodFile();
        c.damage(file);
        // Exactly-sized copy so that a read past the end is caught by sanitizers.
        std::vector<uint8_t> exact(file.begin(), file.end());
        WavImage wav;
        wav.channels = 99;
        EXPECT_FALSE(parseWavImage(exact.data(), exact.size(), wav)) << c.what;
        EXPECT_EQ(wav.channels, 99) << c.what << ": output touched on failure";
    }

    WavImage wav;
    EXPECT_FALSE(parseWavImage(nullptr, 100, wav));
}

TEST(WavImage, EmbeddedOpenHatHasTheFormTheVoiceExpects)
{
    WavImage wav;
    ASSERT_TRUE(parseWavImage(resources::openHatWav, resources::openHatWavSize, wav));
    EXPECT_EQ(wav.formatTag, 1);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.sampleRate, 32000u);
    EXPECT_EQ(wav.bitsPerSample, 8);
    EXPECT_EQ(wav.dataSize, 32768u);
}

} // namespace
} // namespace kestrum
