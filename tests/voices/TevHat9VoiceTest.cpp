#include "voices/TevHat9Voice.h"

#include "VoiceTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

namespace kestrum
{
namespace
{

using test::pcmWav;

std::vector<uint8_t> tableBytes(const std::function<uint8_t(int)>& byteAt, int count = TevHat9Voice::tableSize)
{
    std::vector<uint8_t> data(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        data[static_cast<size_t>(i)] = byteAt(i);
    return data;
}

TEST(TevHat9Voice, TableHoldsTheRecordingWithItsMeanRemoved)
{
    // Bytes 128 + 64 for the first quarter, 128 elsewhere: mean 0.125 of full scale.
    const auto wav = pcmWav(tableBytes([](int i) { return static_cast<uint8_t>(i < 8192 ? 192 : 128); }));
    TevHat9Voice block;
    ASSERT_TRUE(block.loadFromWav(wav.data(), wav.size()));
    EXPECT_FLOAT_EQ(block.sampleAt(0), 0.5f - 0.125f);
    EXPECT_FLOAT_EQ(block.sampleAt(20000), -0.125f);
    EXPECT_EQ(block.getSampleCount(), TevHat9Voice::tableSize);

    // Longer data is fine; only the table's length is read.
    const auto longer = pcmWav(tableBytes([](int) { return uint8_t { 200 }; }, 40000));
    ASSERT_TRUE(block.loadFromWav(longer.data(), longer.size()));
    EXPECT_FLOAT_EQ(block.sampleAt(123), 0.0f);
}

TEST(TevHat9Voice, AnUnusableFileLeavesASilentTable)
{
    const auto loud = tableBytes([](int i) { return static_cast<uint8_t>(i * 37); });
    struct Case
    {
        std::string what;
        std::vector<uint8_t> file;
    };
    const Case cases[] = {
        { "stereo", pcmWav(loud, 32000, 2) },
        { "16-bit", pcmWav(loud, 32000, 1, 16) },
        { "44.1 kHz", pcmWav(loud, 44100) },
        { "float format", pcmWav(loud, 32000, 1, 8, 3) },
        { "too short", pcmWav(tableBytes([](int i) { return static_cast<uint8_t>(i); }, 30000)) },
        { "not a WAV", loud },
    };

    for (const auto& c : cases)
    {
        TevHat9Voice block;
        const auto good = pcmWav(loud);
        ASSERT_TRUE(block.loadFromWav(good.data(), good.size()));
        EXPECT_FALSE(block.loadFromWav(c.file.data(), c.file.size())) << c.what;
        for (int i = 0; i < TevHat9Voice::tableSize; ++i)
            ASSERT_EQ(block.sampleAt(i), 0.0f) << c.what << " at " << i;
    }
}

TEST(TevHat9Voice, TriggerSetsAccentOnlyAboveVelocity082AndLimitsTheGain)
{
    struct Case
    {
        float velocity, accentKnob, accent, gain;
    };
    const Case cases[] = {
        { 0.82f, 1.0f, 0.0f, (0.46f + 0.54f * 0.82f) * 0.95f },   // no accent at 0.82
        { 0.5f, 1.0f, 0.0f, (0.46f + 0.54f * 0.5f) * 0.95f },
        { 0.91f, 1.0f, 0.5f, (0.46f + 0.54f * 0.91f) * 1.29f * 0.95f },
        { 1.0f, 0.5f, 0.5f, 1.0f * 1.29f * 0.95f },
        { 1.0f, 0.0f, 0.0f, 0.95f },
        { 1.0f, 1.0f, 1.0f, 1.25f },                               // 1.501 limited
    };
    for (const auto& c : cases)
    {
        const auto player = TevHat9Voice::startPlayer(c.velocity, 1.0f, c.accentKnob);
        EXPECT_NEAR(player.accent, c.accent, 1e-5f) << c.velocity << " " << c.accentKnob;
        EXPECT_NEAR(player.gain, c.gain, 1e-5f) << c.velocity << " " << c.accentKnob;
        EXPECT_TRUE(player.active);
        EXPECT_EQ(player.position, 0.0);
        EXPECT_EQ(player.end, 24640.0);
    }

    EXPECT_FLOAT_EQ(TevHat9Voice::startPlayer(1.0f, 0.125f, 0.0f).semitones, -36.0f);
    EXPECT_FLOAT_EQ(TevHat9Voice::startPlayer(1.0f, 8.0f, 0.0f).semitones, 36.0f);
    EXPECT_NEAR(TevHat9Voice::startPlayer(1.0f, 2.0f, 0.0f).semitones, 12.0f, 1e-5f);
}

// How many samples a note lasts and how far it moves per sample.
struct PlayerRun
{
    int length = 0;
    double firstStep = 0.0;
};

PlayerRun runPlayer(const TevHat9Voice& block, float tune, float pitchRatio)
{
    auto player = TevHat9Voice::startPlayer(1.0f, pitchRatio, 0.0f);
    PlayerRun run;
    float accent = 0.0f;
    block.renderPlayer(player, 0.62f, tune, accent);
    run.firstStep = player.position;
    run.length = 1;
    while (player.active && run.length < 1000000)
    {
        block.renderPlayer(player, 0.62f, tune, accent);
        ++run.length;
    }
    return run;
}

TEST(TevHat9Voice, TuneShiftsThePlayerAndTheTotalShiftStopsAt36Semitones)
{
    TevHat9Voice block;
    block.prepare(48000.0);
    const double ratio = block.getRateRatio();
    ASSERT_DOUBLE_EQ(ratio, 32000.0 / 48000.0);

    struct Case
    {
        float tune, pitchRatio;
        double step;
    };
    const Case cases[] = {
        { 0.0f, 1.0f, 1.0 },
        { 12.0f, 1.0f, 2.0 },         // an octave up
        { -12.0f, 0.125f, 0.125 },    // -48 held at -36
        { 12.0f, 8.0f, 8.0 },         // +48 held at +36
        { -7.0f, 1.0f, std::pow(2.0, -7.0 / 12.0) },
    };
    for (const auto& c : cases)
        EXPECT_NEAR(runPlayer(block, c.tune, c.pitchRatio).firstStep, ratio * c.step, 1e-9) << c.tune;

    // 24640 source samples at 32 kHz are 0.77 s: 36960 samples at 48 kHz, half that an octave up.
    const int normal = runPlayer(block, 0.0f, 1.0f).length;
    const int octaveUp = runPlayer(block, 12.0f, 1.0f).length;
    EXPECT_NEAR(normal, 36960, 1);
    EXPECT_NEAR(octaveUp, 18480, 1);
}

TEST(TevHat9Voice, PlayerInterpolatesDecaysAndStopsWhenInaudible)
{
    // A ramp table read at half speed lands halfway between entries on every other sample.
    const auto wav = pcmWav(tableBytes([](int i) { return static_cast<uint8_t>(i % 256); }));
    TevHat9Voice block;
    ASSERT_TRUE(block.loadFromWav(wav.data(), wav.size()));
    block.prepare(32000.0);

    auto player = TevHat9Voice::startPlayer(0.5f, 1.0f, 0.0f);
    const float gain0 = player.gain;
    const float decay = std::exp(-1.0f / (0.1f * 32000.0f));
    float accent = 0.0f;
    EXPECT_FLOAT_EQ(block.renderPlayer(player, 0.1f, -12.0f, accent), block.sampleAt(0) * gain0);
    EXPECT_FLOAT_EQ(block.renderPlayer(player, 0.1f, -12.0f, accent),
                    0.5f * (block.sampleAt(0) + block.sampleAt(1)) * gain0 * decay);
    EXPECT_EQ(accent, 0.0f);

    // The shortest decay fades below audibility long before the end of the recording.
    int length = 0;
    while (player.active)
    {
        block.renderPlayer(player, 0.015f, 0.0f, accent);
        ++length;
    }
    EXPECT_LT(length, 32000 / 4);
    EXPECT_LT(player.gain, 0.00004f);
    EXPECT_EQ(block.renderPlayer(player, 0.015f, 0.0f, accent), 0.0f);
}

TEST(TevHat9Voice, AccentOutIsTheNoteAccentScaledByItsGain)
{
    TevHat9Voice block;
    block.prepare(48000.0);
    auto player = TevHat9Voice::startPlayer(1.0f, 1.0f, 0.5f);
    float accent = 0.1f;
    block.renderPlayer(player, 0.38f, 0.0f, accent);
    EXPECT_NEAR(accent, 0.5f * 1.29f * 0.95f, 1e-5f);

    float high = 0.9f; // a larger value is kept
    block.renderPlayer(player, 0.38f, 0.0f, high);
    EXPECT_EQ(high, 0.9f);
}

} // namespace
} // namespace kestrum
