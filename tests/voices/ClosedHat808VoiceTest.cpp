#include "voices/ClosedHat808Voice.h"

#include "VoiceTestSupport.h"
#include "support/Golden.h"

#include <gtest/gtest.h>

namespace kestrum
{
namespace
{

using test::renderSamples;

// The closed-hat channel's defaults.
ChannelParameters closedHatDefaults()
{
    ChannelParameters p;
    p.tune = 420.0f;
    p.decay = 0.075f;
    p.tone = 0.7f;
    p.shape = 0.58f;
    p.noise = 0.24f;
    p.hatSaturation = 0.18f;
    p.hatGain = 1.08f;
    p.volume = 0.9f;
    return p;
}

TEST(ClosedHat808Voice, OscillatorPhasesRunOnAcrossTriggers)
{
    ClosedHat808Voice voice;
    voice.prepare(test::testRate);
    renderSamples(voice, closedHatDefaults(), 777);
    ClosedHat808Voice untriggered = voice;

    voice.trigger(1.0f, 1.0f);
    EXPECT_EQ(voice.oscillatorPhases(), untriggered.oscillatorPhases());
    renderSamples(voice, closedHatDefaults(), 100);
    renderSamples(untriggered, closedHatDefaults(), 100);
    EXPECT_EQ(voice.oscillatorPhases(), untriggered.oscillatorPhases());

    voice.reset();
    for (float ph : voice.oscillatorPhases())
        EXPECT_EQ(ph, 0.0f);
}

TEST(ClosedHat808Voice, ARetriggerRestartsOnlyTheEnvelopes)
{
    // With the drive at 0 nothing after the envelopes remembers the previous note, so a hat
    // struck twice sounds, from its second stroke on, exactly like one struck only then.
    auto p = closedHatDefaults();
    p.hatSaturation = 0.0f;

    ClosedHat808Voice twice;
    twice.prepare(test::testRate);
    ClosedHat808Voice once = twice;

    twice.trigger(1.0f, 1.0f);
    const auto first = renderSamples(twice, p, 1000);
    ASSERT_GT(test::peak(first), 0.05f);
    renderSamples(once, p, 1000);

    twice.trigger(0.7f, 1.0f);
    once.trigger(0.7f, 1.0f);
    EXPECT_EQ(renderSamples(twice, p, 2000), renderSamples(once, p, 2000));
}

TEST(ClosedHat808Voice, GoldenRenders)
{
    // 0.1 s at 48 kHz; the tolerance covers another compiler's rounding only.
    constexpr float tolerance = 1e-4f;
    constexpr int length = 4800;

    ClosedHat808Voice plainVoice;
    plainVoice.prepare(test::testRate);
    plainVoice.trigger(1.0f, 1.0f);
    const auto plain = renderSamples(plainVoice, closedHatDefaults(), length);
    ASSERT_TRUE(test::isSaneNote(plain));
    EXPECT_TRUE(druvex::test::matchesGolden("closedhat808_default", plain, tolerance));

    auto p = closedHatDefaults();
    p.hatSaturation = 0.8f;
    p.hatGain = 2.0f;
    p.shape = 0.2f;
    p.decay = 0.3f;
    p.noise = 0.6f;
    ClosedHat808Voice drivenVoice;
    drivenVoice.prepare(test::testRate);
    drivenVoice.trigger(0.5f, 1.5f);
    const auto driven = renderSamples(drivenVoice, p, length);
    ASSERT_TRUE(test::isSaneNote(driven));
    EXPECT_TRUE(druvex::test::matchesGolden("closedhat808_driven_long", driven, tolerance));
}

} // namespace
} // namespace kestrum
