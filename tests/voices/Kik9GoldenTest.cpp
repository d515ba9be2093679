#include "Kik9TestSupport.h"
#include "support/Golden.h"
#include "voices/Kik9Voice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace kestrum
{
namespace
{

// 0.15 s of one accented note per model at 48 kHz. The alternative models run with their drive,
// compressor and match equaliser engaged so the references also pin the chain's wiring.
// Regenerate deliberately with DRUVEX_UPDATE_GOLDEN=1 ./druvex_dsp_tests --gtest_filter='Kik9Golden*'
constexpr int renderLength = 7200;

// Large enough for libm differences in the last bit to accumulate through the filters, small
// enough (-80 dB) that any change to a formula shows.
constexpr float tolerance = 1.0e-4f;

ChannelParameters goldenParameters(int model)
{
    ChannelParameters p;
    p.volume = 1.0f;
    test::selectKickModel(p, model);
    if (model > 1)
    {
        p.kik9AltAttack = 0.3f;
        p.kik9AltDecay = 0.08f;
        p.kik9AltDrive424 = 0.35f;
        p.kik9AltCompressionXla = 0.4f;
        p.kik9MatchEqEnabled = 1.0f;
        p.kik9MatchEqPost = model % 2 == 0 ? 1.0f : 0.0f;
        p.kik9MatchEqGain = { 3.0f, -2.5f, 4.0f };
    }
    return p;
}

TEST(Kik9Golden, EachModelMatchesItsReference)
{
    for (int model = 1; model <= 7; ++model)
    {
        const auto p = goldenParameters(model);
        Kik9Voice voice;
        voice.prepare(48000.0);
        voice.trigger(0.9f, 1.0f);
        std::vector<float> out(renderLength);
        for (auto& s : out)
            s = voice.process(p);

        // What a reference must look like before it is worth freezing: finite, a strong attack,
        // and clearly decaying.
        float firstPeak = 0.0f, lastPeak = 0.0f;
        bool finite = true;
        for (int i = 0; i < renderLength; ++i)
        {
            finite = finite && std::isfinite(out[static_cast<size_t>(i)]);
            const float a = std::abs(out[static_cast<size_t>(i)]);
            if (i < 2400)
                firstPeak = std::max(firstPeak, a);
            else if (i >= renderLength - 1200)
                lastPeak = std::max(lastPeak, a);
        }
        EXPECT_TRUE(finite) << "model " << model;
        EXPECT_GT(firstPeak, 0.3f) << "model " << model;
        EXPECT_LE(firstPeak, 1.0f) << "model " << model;
        EXPECT_LT(lastPeak, 0.8f * firstPeak) << "model " << model;

        EXPECT_TRUE(druvex::test::matchesGolden("kik9_model" + std::to_string(model), out, tolerance))
            << "model " << model;
    }
}

} // namespace
} // namespace kestrum
