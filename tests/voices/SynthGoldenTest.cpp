#include "SynthTestSignals.h"
#include "support/Golden.h"
#include "voices/DrumVoice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace kestrum
{
namespace
{

using synthtest::render;

constexpr double sr = 48000.0;
constexpr int goldenLength = 12000;  // 0.25 s
constexpr float goldenTolerance = 1e-4f; // room for differing libm sin/tanh/exp, far below audible
constexpr float stepVelocity = 0.86f;    // a sequencer step's default velocity

// The shared tone block as the layout sets it up, per channel (Tune, Decay, Tone, Shape, Noise,
// Osc2Tune, FilterCutoff, FilterEnv, Volume), with the rest of that block at the layout defaults.
ChannelParameters layoutDefaults(float tune, float decay, float tone, float shape, float noise, float osc2Tune,
                                 float filterCutoff, float filterEnv, float volume)
{
    ChannelParameters p;
    p.tune = tune;
    p.decay = decay;
    p.tone = tone;
    p.shape = shape;
    p.noise = noise;
    p.hatSaturation = 0.0f;
    p.hatGain = 1.0f;
    p.fmAmount = 0.0f;
    p.foldback = 0.0f;
    p.osc2On = 0.0f;
    p.osc2Tune = osc2Tune;
    p.filterCutoff = filterCutoff;
    p.filterEnv = filterEnv;
    p.sp1200On = 0.0f;
    p.sp1200Cutoff = 0.5f;
    p.sp1200Resonance = 0.0f;
    p.snareLimit = 0.0f;
    p.sh101Attack = 0.025f;
    p.sh101Decay = 0.32f;
    p.sh101Sustain = 0.32f;
    p.sh101Release = 0.72f;
    p.volume = volume;
    return p;
}

ChannelParameters generalDrumDefaults() // channel 6
{
    auto p = layoutDefaults(92.0f, 0.55f, 0.32f, 0.62f, 0.24f, 0.0f, 0.42f, 0.0f, 0.68f);
    p.genAWaveform = 0;
    return p;
}

ChannelParameters bassDefaults() // channel 7
{
    auto p = layoutDefaults(260.0f, 0.34f, 0.58f, 0.48f, 0.46f, 390.0f, 0.51f, 0.46f, 0.66f);
    p.sh101Octave = 1;
    p.sh101Tune = 0.0f;
    p.sh101SawLevel = 0.82f;
    p.sh101PulseLevel = 0.42f;
    p.sh101PulseWidth = 0.5f;
    p.sh101SubDetune = 0.0f;
    p.sh101SubLevel = 0.72f;
    p.sh101SubType = 0;
    p.sh101Cutoff = 0.38f;
    p.sh101Resonance = 0.22f;
    p.sh101FilterEnv = 0.58f;
    p.sh101LfoRate = 2.0f;
    p.sh101LfoAmount = 0.65f;
    p.sh101LfoDestination = 0;
    return p;
}

ChannelParameters chordDefaults() // channel 8
{
    auto p = layoutDefaults(620.0f, 0.24f, 0.76f, 0.36f, 0.58f, 0.0f, 0.6f, 0.0f, 0.64f);
    p.genCSemMode = 0.0f;
    return p;
}

std::vector<float> playOne(VoiceType type, const ChannelParameters& p)
{
    auto voice = DrumVoice::create(type);
    voice->prepare(sr);
    voice->trigger(stepVelocity, 1.0f);
    return render(*voice, p, goldenLength);
}

::testing::AssertionResult looksLikeASound(const std::vector<float>& x)
{
    double energy = 0.0;
    float peak = 0.0f;
    for (float s : x)
    {
        if (!std::isfinite(s))
            return ::testing::AssertionFailure() << "non-finite sample";
        peak = std::max(peak, std::abs(s));
        energy += static_cast<double>(s) * s;
    }
    const double rms = std::sqrt(energy / static_cast<double>(x.size()));
    if (peak < 0.05f || peak > 1.2f || rms < 0.01)
        return ::testing::AssertionFailure() << "peak " << peak << ", rms " << rms;
    return ::testing::AssertionSuccess();
}

TEST(SynthGolden, EachDesignAtItsChannelDefaults)
{
    struct Case
    {
        const char* name;
        VoiceType type;
        ChannelParameters params;
    };
    auto obh = chordDefaults();
    obh.genCSemMode = 1.0f;
    obh.fmAmount = 0.55f;
    obh.foldback = 0.35f;
    obh.filterEnv = 0.5f;
    auto fm = chordDefaults();
    fm.fmAmount = 0.6f;
    auto bassModulated = bassDefaults();
    bassModulated.sh101LfoDestination = 2;
    bassModulated.sh101Resonance = 0.8f;
    bassModulated.sh101SubType = 2;
    bassModulated.sh101FilterEnv = -0.5f;

    const Case cases[] = {
        { "general_drum_a_defaults", VoiceType::GeneralDrumA, generalDrumDefaults() },
        { "bass_bin_defaults", VoiceType::BassBin, bassDefaults() },
        { "chord_puller_defaults", VoiceType::ChordPuller, chordDefaults() },
        { "chord_puller_fm", VoiceType::ChordPuller, fm },
        { "chord_puller_obh_folded", VoiceType::ChordPuller, obh },
        { "bass_bin_lfo_filter_pw_sub", VoiceType::BassBin, bassModulated },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const auto out = playOne(c.type, c.params);
        EXPECT_TRUE(looksLikeASound(out));
        EXPECT_TRUE(druvex::test::matchesGolden(c.name, out, goldenTolerance));
    }
}

TEST(SynthGolden, FourNoteChordOnCopiedChordVoices)
{
    // As the engine plays a chord in poly mode: one voice copied four times, every copy reset,
    // then the root and three chord notes (a major seventh) triggered at once and summed.
    const float ratios[] = { 1.0f, std::exp2(4.0f / 12.0f), std::exp2(7.0f / 12.0f), std::exp2(11.0f / 12.0f) };
    auto prototype = DrumVoice::create(VoiceType::ChordPuller);
    prototype->prepare(sr);

    std::vector<std::unique_ptr<DrumVoice>> voices;
    for (float ratio : ratios)
    {
        voices.push_back(prototype->clone());
        voices.back()->reset();
        voices.back()->trigger(stepVelocity, ratio);
    }

    const auto p = chordDefaults();
    std::vector<float> out(goldenLength, 0.0f);
    for (auto& s : out)
        for (auto& v : voices)
            s += v->process(p);

    EXPECT_TRUE(looksLikeASound(out));
    EXPECT_TRUE(druvex::test::matchesGolden("chord_puller_four_note_chord", out, goldenTolerance));
}

TEST(SynthGolden, EachSynthIsSilentBeforeItsFirstNoteAndAfterReset)
{
    for (auto type : { VoiceType::GeneralDrumA, VoiceType::BassBin, VoiceType::ChordPuller })
    {
        SCOPED_TRACE(static_cast<int>(type));
        auto voice = DrumVoice::create(type);
        voice->prepare(sr);
        ChannelParameters p;
        p.volume = 1.0f;
        for (float s : render(*voice, p, 2000))
            ASSERT_EQ(s, 0.0f);

        voice->trigger(1.0f, 1.0f);
        render(*voice, p, 2000);
        voice->reset();
        for (float s : render(*voice, p, 2000))
            ASSERT_EQ(s, 0.0f);
    }
}

} // namespace
} // namespace kestrum
