#include "voices/TevHat9OpenVoice.h"

#include "VoiceTestSupport.h"
#include "support/Golden.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrum
{
namespace
{

using test::renderSamples;

constexpr int eqRamp = 144; // 3 ms at 48 kHz

// The open-hat channel's defaults.
ChannelParameters openHatDefaults()
{
    ChannelParameters p;
    p.hatSaturation = 0.18f;
    p.hatGain = 1.08f;
    p.volume = 0.88f;
    return p;
}

// Everything after the ladder made stateless and transparent, so the ladder alone is compared.
ChannelParameters plainChain()
{
    auto p = openHatDefaults();
    p.hat9EqSat = 0.0f;
    p.hat9Dac12 = 0.0f;
    p.hatSaturation = 0.0f;
    p.hat9Gs3EqEnabled = 0.0f;
    return p;
}

// A slow sine, so that filter differences show as level, not as noise.
std::vector<uint8_t> slowSineWav()
{
    std::vector<uint8_t> data(TevHat9Voice::tableSize);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(std::lround(128.0 + 100.0 * std::sin(2.0 * 3.14159265358979 * static_cast<double>(i) / 640.0)));
    return test::pcmWav(data);
}

TEST(TevHat9OpenVoice, FirstPrepareLoadsTheEmbeddedRecordingAndLaterOnesKeepIt)
{
    TevHat9OpenVoice voice;
    voice.prepare(test::testRate);
    const auto& block = voice.sampleBlock();

    double sum = 0.0, energy = 0.0, tail = 0.0;
    for (int i = 0; i < TevHat9Voice::tableSize; ++i)
    {
        sum += block.sampleAt(i);
        if (i < 4000)
            energy += block.sampleAt(i) * block.sampleAt(i);
        else if (i >= 24640)
            tail += std::abs(block.sampleAt(i));
    }
    EXPECT_NEAR(sum / TevHat9Voice::tableSize, 0.0, 1e-6);
    EXPECT_GT(std::sqrt(energy / 4000.0), 0.05); // a loud start
    EXPECT_LT(tail / (TevHat9Voice::tableSize - 24640), 0.01); // silent past the played part

    const auto wav = slowSineWav();
    ASSERT_TRUE(voice.loadSample(wav.data(), wav.size()));
    const float loaded = block.sampleAt(160);
    voice.prepare(96000.0);
    EXPECT_EQ(block.sampleAt(160), loaded);
    EXPECT_DOUBLE_EQ(block.getRateRatio(), 32000.0 / 96000.0);
}

TEST(TevHat9OpenVoice, TuneAndPitchRatioMoveThePlayer)
{
    struct Case
    {
        float tune, pitchRatio;
        double stepsPerSample;
    };
    const Case cases[] = {
        { 12.0f, 1.0f, 2.0 },
        { -12.0f, 0.125f, 0.125 }, // clamped at -36 semitones, not -48
        { 0.0f, 2.0f, 2.0 },
        { 20.0f, 1.0f, 2.0 },      // the knob itself stops at +12
        { 12.0f, 8.0f, 8.0 },      // and the total at +36
    };
    for (const auto& c : cases)
    {
        auto p = openHatDefaults();
        p.hat9OpenTune = c.tune;
        TevHat9OpenVoice voice;
        voice.prepare(test::testRate);
        voice.trigger(1.0f, c.pitchRatio);
        renderSamples(voice, p, 1000);
        EXPECT_NEAR(voice.currentPlayer().position, 1000.0 * c.stepsPerSample * 32000.0 / 48000.0, 1e-6) << c.tune;
    }

    // An octave up ends in half the time.
    auto lengthAt = [](float tune) {
        auto p = openHatDefaults();
        p.hat9OpenDecay = 0.62f;
        p.hat9OpenTune = tune;
        TevHat9OpenVoice voice;
        voice.prepare(test::testRate);
        voice.trigger(1.0f, 1.0f);
        int n = 0;
        do
        {
            voice.process(p);
            ++n;
        } while (voice.currentPlayer().active);
        return n;
    };
    EXPECT_NEAR(lengthAt(0.0f), 36960, 2);
    EXPECT_NEAR(lengthAt(12.0f), 18480, 2);
}

TEST(TevHat9OpenVoice, NoAccentAtOrBelowVelocity082)
{
    auto render = [](float velocity, float accentKnob) {
        auto p = openHatDefaults();
        p.hat9Accent = accentKnob;
        TevHat9OpenVoice voice;
        voice.prepare(test::testRate);
        voice.trigger(velocity, 1.0f);
        return renderSamples(voice, p, 2400);
    };
    EXPECT_EQ(render(0.82f, 1.0f), render(0.82f, 0.0f));
    EXPECT_EQ(render(0.4f, 1.0f), render(0.4f, 0.0f));
    EXPECT_NE(render(0.95f, 1.0f), render(0.95f, 0.0f));
}

TEST(TevHat9OpenVoice, AccentKnobIsReadWhenTheNoteStartsAndTheGainIsLimited)
{
    auto p = openHatDefaults();
    p.hat9Accent = 1.0f;
    TevHat9OpenVoice voice;
    voice.prepare(test::testRate);
    voice.trigger(1.0f, 1.0f);
    EXPECT_FALSE(voice.currentPlayer().active); // starts at the next sample
    voice.process(p);
    const float oneStep = std::exp(-1.0f / (0.38f * 48000.0f));
    EXPECT_NEAR(voice.currentPlayer().gain, 1.25f * oneStep, 1e-6f);
    EXPECT_FLOAT_EQ(voice.currentPlayer().accent, 1.0f);
}

TEST(TevHat9OpenVoice, CutoffAt99BypassesTheLadderLikeTheSwitch)
{
    auto render = [](float bypass, float cutoff) {
        auto p = openHatDefaults();
        p.hat9RfBypass = bypass;
        p.hat9RfCutoff = cutoff;
        p.hat9RfRes = 60.0f;
        TevHat9OpenVoice voice;
        voice.prepare(test::testRate);
        voice.trigger(1.0f, 1.0f);
        return renderSamples(voice, p, 2400);
    };
    const auto switchedOff = render(1.0f, 40.0f);
    EXPECT_EQ(render(0.0f, 99.0f), switchedOff);
    EXPECT_EQ(render(0.0f, 98.995f), switchedOff);
    EXPECT_EQ(render(0.0f, 150.0f), switchedOff);
    EXPECT_NE(render(0.0f, 98.0f), switchedOff);
}

TEST(TevHat9OpenVoice, SwitchingTheLadderInMidNoteStartsFromTheInputLevel)
{
    // A voice whose ladder comes in mid-note must sound, from its first filtered sample, like one
    // that had the ladder in all along; a filter starting from empty states would instead drop to
    // silence and click.
    const auto wav = slowSineWav();
    auto bypassed = plainChain();
    auto filtered = plainChain();
    filtered.hat9RfBypass = 0.0f;
    filtered.hat9RfCutoff = 80.0f;
    filtered.hat9RfRes = 30.0f;

    TevHat9OpenVoice switched, reference;
    for (auto* v : { &switched, &reference })
    {
        ASSERT_TRUE(v->loadSample(wav.data(), wav.size()));
        v->prepare(test::testRate);
        v->trigger(0.8f, 1.0f);
    }

    // Switch at a point where the input is far from zero.
    renderSamples(switched, bypassed, 2200);
    const auto ahead = renderSamples(reference, filtered, 2200);
    const auto a = renderSamples(switched, filtered, 960);
    const auto b = renderSamples(reference, filtered, 960);

    const float level = test::peak(ahead);
    ASSERT_GT(std::abs(b[0]), 0.3f * level);
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_NEAR(a[i], b[i], 0.05f * level) << i;
}

TEST(TevHat9OpenVoice, EqualiserFadesInOver3Milliseconds)
{
    // The bands run while the equaliser is out, so a switched voice must be a 3 ms crossfade
    // between the dry voice and one that had the equaliser in all along: exactly so after the
    // drive and converter (the last stage), and landing exactly on the wet voice before them.
    for (float post : { 1.0f, 0.0f })
    {
        auto off = openHatDefaults();
        off.hat9Gs3EqPost = post;
        off.hat9Gs3EqEnabled = 0.0f;
        if (post < 0.5f)
        {
            off.hatSaturation = 0.0f; // no memory between the equaliser and the output
            off.hat9Dac12 = 0.0f;
        }
        auto on = off;
        on.hat9Gs3EqEnabled = 1.0f;

        TevHat9OpenVoice dry, wet, switched;
        for (auto* v : { &dry, &wet, &switched })
        {
            v->prepare(test::testRate);
            v->trigger(1.0f, 1.0f);
        }
        renderSamples(dry, off, 1000);
        renderSamples(wet, on, 1000);
        renderSamples(switched, off, 1000);

        const auto x = renderSamples(dry, off, 400);
        const auto y = renderSamples(wet, on, 400);
        const auto z = renderSamples(switched, on, 400);

        double largestGap = 0.0;
        for (size_t k = 0; k < z.size(); ++k)
        {
            largestGap = std::max(largestGap, static_cast<double>(std::abs(y[k] - x[k])));
            if (k + 1 >= eqRamp)
                ASSERT_EQ(z[k], y[k]) << "post " << post << " sample " << k;
            else if (post > 0.5f)
            {
                const float mix = static_cast<float>(k + 1) / eqRamp;
                ASSERT_NEAR(z[k], x[k] + mix * (y[k] - x[k]), 1e-5f) << "sample " << k;
            }
            else if (k == 0)
                EXPECT_LT(std::abs(z[k] - x[k]), std::abs(z[k] - y[k]));
        }
        EXPECT_GT(largestGap, 0.01) << "the equaliser should be audible";
    }
}

TEST(TevHat9OpenVoice, ARetriggerRestartsThePlayerAtOnce)
{
    auto p = openHatDefaults();
    TevHat9OpenVoice voice;
    voice.prepare(test::testRate);
    voice.trigger(1.0f, 1.0f);
    renderSamples(voice, p, 5000);
    ASSERT_GT(voice.currentPlayer().position, 3000.0);

    voice.trigger(0.5f, 1.0f);
    voice.process(p);
    const auto fresh = TevHat9Voice::startPlayer(0.5f, 1.0f, p.hat9Accent);
    EXPECT_DOUBLE_EQ(voice.currentPlayer().position, 32000.0 / 48000.0);
    EXPECT_NEAR(voice.currentPlayer().gain, fresh.gain * std::exp(-1.0f / (0.38f * 48000.0f)), 1e-6f);
}

TEST(TevHat9OpenVoice, ResetStopsTheNoteAndTheLadderReturnsToOpen)
{
    auto p = openHatDefaults();
    p.hat9RfBypass = 0.0f;
    p.hat9RfCutoff = 30.0f;
    TevHat9OpenVoice voice;
    voice.prepare(test::testRate);
    voice.trigger(1.0f, 1.0f);
    renderSamples(voice, p, 500);
    voice.reset();
    EXPECT_FALSE(voice.currentPlayer().active);
    p.hat9Gs3EqEnabled = 0.0f;
    renderSamples(voice, p, 200); // let the equaliser mix fade out
    for (float s : renderSamples(voice, p, 100))
        ASSERT_EQ(s, 0.0f);
}

TEST(TevHat9OpenVoice, GoldenRenders)
{
    // 0.15 s at 48 kHz of the embedded recording; a new recording needs new references. The
    // tolerance covers another compiler's rounding only.
    constexpr float tolerance = 1e-4f;
    constexpr int length = 7200;

    TevHat9OpenVoice plainVoice;
    plainVoice.prepare(test::testRate);
    plainVoice.trigger(1.0f, 1.0f);
    const auto plain = renderSamples(plainVoice, openHatDefaults(), length);
    ASSERT_TRUE(test::isSaneNote(plain));
    EXPECT_TRUE(druvex::test::matchesGolden("tevhat9open_default", plain, tolerance));

    auto p = openHatDefaults();
    p.hat9RfBypass = 0.0f;
    p.hat9RfCutoff = 55.0f;
    p.hat9RfRes = 70.0f;
    p.hat9OpenTune = -5.0f;
    p.hat9OpenDecay = 0.12f;
    p.hat9Dac12 = 0.0f;
    p.hat9Gs3EqPost = 0.0f;
    p.hat9Accent = 1.0f;
    p.hatSaturation = 0.6f;
    TevHat9OpenVoice shapedVoice;
    shapedVoice.prepare(test::testRate);
    shapedVoice.trigger(0.95f, 1.0f);
    const auto shaped = renderSamples(shapedVoice, p, length);
    ASSERT_TRUE(test::isSaneNote(shaped));
    EXPECT_TRUE(druvex::test::matchesGolden("tevhat9open_ladder_pre_eq", shaped, tolerance));
}

} // namespace
} // namespace kestrum
