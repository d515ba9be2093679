#include "voices/RimShot808Voice.h"

#include "VoiceTestSupport.h"
#include "support/Golden.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrum
{
namespace
{

using test::renderSamples;
using test::rms;

// The rim channel's defaults are the record's own; only the volume differs.
ChannelParameters rimDefaults()
{
    ChannelParameters p;
    p.volume = 0.72f;
    return p;
}

TEST(RimShot808Voice, ASecondStrokeAddsToTheRingingOfTheFirst)
{
    // A very short VCA silences the first stroke quickly while its resonators ring on; the
    // second stroke reopens the VCA on top of them. The reference voice sat silent (it drew the
    // same noise) and is struck only once.
    auto p = rimDefaults();
    p.rimDecay = 0.003f;

    struct Case
    {
        int gap;
        double minRatio, maxRatio;
    };
    const Case cases[] = {
        { 960, 0.3, 100.0 },   // 20 ms: the first stroke still rings and is heard again
        { 48000, 0.0, 0.01 },  // 1 s: it has died away, the strokes are independent
    };

    for (const auto& c : cases)
    {
        RimShot808Voice twice;
        twice.prepare(test::testRate);
        RimShot808Voice once = twice;

        twice.trigger(0.8f, 1.0f);
        renderSamples(twice, p, c.gap);
        renderSamples(once, p, c.gap);

        twice.trigger(0.8f, 1.0f);
        once.trigger(0.8f, 1.0f);
        const auto a = renderSamples(twice, p, 96);
        const auto b = renderSamples(once, p, 96);

        std::vector<float> difference(a.size());
        for (size_t i = 0; i < a.size(); ++i)
            difference[i] = a[i] - b[i];
        const double ratio = rms(difference, 0, difference.size()) / rms(b, 0, b.size());
        EXPECT_GE(ratio, c.minRatio) << c.gap;
        EXPECT_LE(ratio, c.maxRatio) << c.gap;
    }
}

TEST(RimShot808Voice, LevelGrowsWithVelocitySquaredBeforeTheOutputCurve)
{
    // With no drive and soft strokes the VCA is linear: impulse and body envelope both scale
    // with the velocity, then the output curve applies.
    auto p = rimDefaults();
    p.rimDrive = 0.0f;

    auto levelAt = [&](float velocity) {
        RimShot808Voice voice;
        voice.prepare(test::testRate);
        voice.trigger(velocity, 1.0f);
        const auto x = renderSamples(voice, p, 480);
        return rms(x, 0, x.size());
    };

    const float base = 0.1f;
    const double baseLevel = levelAt(base);
    ASSERT_GT(baseLevel, 0.0);
    for (float v : { 0.15f, 0.2f, 0.3f })
    {
        const double expected = std::pow(v / base, 2.0) * dsp::velocityGain(v, 0.32f) / dsp::velocityGain(base, 0.32f);
        EXPECT_NEAR(levelAt(v) / baseLevel, expected, 0.03 * expected) << v;
    }
}

TEST(RimShot808Voice, ResetSilencesTheRinging)
{
    RimShot808Voice voice;
    voice.prepare(test::testRate);
    voice.trigger(1.0f, 1.0f);
    renderSamples(voice, rimDefaults(), 100);
    voice.reset();
    for (float s : renderSamples(voice, rimDefaults(), 200))
        ASSERT_EQ(s, 0.0f);
}

TEST(RimShot808Voice, GoldenRenders)
{
    // 0.1 s at 48 kHz; the tolerance covers another compiler's rounding only.
    constexpr float tolerance = 1e-4f;
    constexpr int length = 4800;

    RimShot808Voice plainVoice;
    plainVoice.prepare(test::testRate);
    plainVoice.trigger(1.0f, 1.0f);
    const auto plain = renderSamples(plainVoice, rimDefaults(), length);
    ASSERT_TRUE(test::isSaneNote(plain));
    EXPECT_TRUE(druvex::test::matchesGolden("rimshot808_default", plain, tolerance));

    auto p = rimDefaults();
    p.rimDrive = 0.9f;
    p.rimSnap = 0.1f;
    p.rimHighPass = 0.2f;
    p.rimDecay = 0.05f;
    p.rimLowLevel = 1.0f;
    RimShot808Voice drivenVoice;
    drivenVoice.prepare(test::testRate);
    drivenVoice.trigger(0.6f, 0.8f);
    const auto driven = renderSamples(drivenVoice, p, length);
    ASSERT_TRUE(test::isSaneNote(driven));
    EXPECT_TRUE(druvex::test::matchesGolden("rimshot808_driven_low", driven, tolerance));
}

} // namespace
} // namespace kestrum
