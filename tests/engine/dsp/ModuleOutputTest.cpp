#include "engine/dsp/ModuleOutput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kestrum
{
namespace
{

constexpr double sr = 48000.0;
constexpr float x = 0.5f;
const float level = 0.14f * std::tanh(x);

// Stands in for the module equaliser: doubles its input and remembers what it was given.
struct RecordingEq
{
    std::vector<float> inputs;
    float operator()(float in)
    {
        inputs.push_back(in);
        return 2.0f * in;
    }
};

float noEq(float in)
{
    ADD_FAILURE() << "equaliser called";
    return in;
}

ModulePathInputs heard(bool isHeard)
{
    ModulePathInputs in;
    in.heard = isHeard;
    in.hasModuleEq = false;
    return in;
}

TEST(ModuleOutput, ChannelHeardFollowsMuteAndSolo)
{
    struct Case
    {
        bool solo, mute, noSolo, heard;
    };
    const Case cases[] = { { false, false, true, true },  { false, true, true, false },
                           { false, false, false, false }, { true, false, false, true },
                           { true, true, false, false },  { true, false, true, true } };
    for (const auto& c : cases)
        EXPECT_EQ(channelHeard(c.solo, c.mute, c.noSolo), c.heard) << c.solo << c.mute << c.noSolo;
}

TEST(ModuleOutput, GateFadesOverThreeMilliseconds)
{
    // 144 samples at 48 kHz, linear, in either direction; voices are not this class's business.
    for (bool muting : { true, false })
    {
        SCOPED_TRACE(muting ? "mute" : "unmute");
        ModuleOutput module;
        module.prepare(sr, muting);
        ASSERT_EQ(module.getGateRampLength(), 144);

        for (int i = 0; i < 200; ++i)
        {
            const auto s = module.process(x, heard(! muting), noEq);
            const float g = i >= 143 ? (muting ? 0.0f : 1.0f)
                                     : (muting ? 1.0f - static_cast<float>(i + 1) / 144.0f
                                               : static_cast<float>(i + 1) / 144.0f);
            ASSERT_NEAR(s.signal, g * level, 1.0e-6f) << i;
            ASSERT_EQ(s.audible, g > 0.0f) << i;
            ASSERT_EQ(s.contributes, g > 0.0f) << i;
        }
    }
}

TEST(ModuleOutput, PreparedGateDoesNotFade)
{
    ModuleOutput muted;
    muted.prepare(sr, false);
    EXPECT_FALSE(muted.process(x, heard(false), noEq).contributes);

    ModuleOutput open;
    open.prepare(sr, true);
    EXPECT_NEAR(open.process(x, heard(true), noEq).signal, level, 1.0e-7f);
}

TEST(ModuleOutput, DelaySendBeforeAndAfterTheGate)
{
    struct Case
    {
        bool heard, sendOn, preMute;
        bool contributes;
        float send;   // in units of the module level
        float signal; // likewise
    };
    const Case cases[] = {
        { true, true, true, true, 0.52f, 1.0f },
        { true, true, false, true, 0.52f, 1.0f },
        { true, false, true, true, 0.0f, 1.0f },
        { false, true, true, true, 0.52f, 0.0f }, // muted but still feeding the delay in full
        { false, true, false, false, 0.0f, 0.0f },
        { false, false, true, false, 0.0f, 0.0f },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.heard << c.sendOn << c.preMute);
        ModuleOutput module;
        module.prepare(sr, c.heard);
        auto in = heard(c.heard);
        in.sendOn = c.sendOn;
        in.preMute = c.preMute;
        const auto s = module.process(x, in, noEq);
        EXPECT_EQ(s.contributes, c.contributes);
        EXPECT_NEAR(s.delaySend, c.send * level, 1.0e-7f);
        EXPECT_NEAR(s.signal, c.signal * level, 1.0e-7f);
        EXPECT_EQ(s.audible, c.signal > 0.0f);
        if (c.contributes)
        {
            EXPECT_FLOAT_EQ(s.processedSample, std::tanh(x));
        }
    }
}

TEST(ModuleOutput, PostGateSendFollowsTheFade)
{
    ModuleOutput module;
    module.prepare(sr, true);
    auto in = heard(false);
    in.sendOn = true;
    in.preMute = false;
    for (int i = 0; i < 72; ++i)
        module.process(x, in, noEq);
    const auto s = module.process(x, in, noEq);
    const float g = 1.0f - 73.0f / 144.0f;
    EXPECT_NEAR(s.delaySend, 0.52f * level * g, 1.0e-6f);
    EXPECT_NEAR(s.signal, level * g, 1.0e-6f);
}

TEST(ModuleOutput, EqualiserAndSaturation)
{
    struct Case
    {
        const char* name;
        bool altKick, hasEq, post;
        float in;
        std::vector<float> eqInputs;
        float processed;
    };
    const Case cases[] = {
        { "eq before tanh", false, true, false, 0.5f, { 0.5f }, std::tanh(1.0f) },
        { "eq after tanh", false, true, true, 0.5f, { std::tanh(0.5f) }, 2.0f * std::tanh(0.5f) },
        { "open hat: no module eq", false, false, true, 0.5f, {}, std::tanh(0.5f) },
        { "alternative kick: hard clip, no eq", true, true, true, 0.5f, {}, 0.5f },
        { "alternative kick clips at 1.5", true, true, false, 3.0f, {}, 1.5f },
        { "alternative kick clips at -1.5", true, false, false, -3.0f, {}, -1.5f },
        { "tanh saturates", false, false, true, 3.0f, {}, std::tanh(3.0f) },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ModuleOutput module;
        module.prepare(sr, true);
        ModulePathInputs in;
        in.isKick = c.altKick;
        in.altKick = c.altKick;
        in.hasModuleEq = c.hasEq;
        in.eqPost = c.post;
        RecordingEq eq;
        const auto s = module.process(c.in, in, eq);
        EXPECT_EQ(eq.inputs, c.eqInputs);
        EXPECT_FLOAT_EQ(s.processedSample, c.processed);
        EXPECT_FLOAT_EQ(s.signal, 0.14f * c.processed);
    }
}

TEST(ModuleOutput, SilentModuleSkipsItsEqualiser)
{
    // A closed gate without a send must not advance the equaliser (its crossfade would move).
    ModuleOutput module;
    module.prepare(sr, false);
    ModulePathInputs in;
    in.heard = false;
    RecordingEq eq;
    for (int i = 0; i < 10; ++i)
        module.process(x, in, eq);
    EXPECT_TRUE(eq.inputs.empty());
}

TEST(ModuleOutput, DuckingSparesTheKick)
{
    for (bool isKick : { true, false })
    {
        ModuleOutput module;
        module.prepare(sr, true);
        auto in = heard(true);
        in.isKick = isKick;
        in.sendOn = true;
        in.duckGain = 0.32f;
        const auto s = module.process(x, in, noEq);
        const float expected = isKick ? level : 0.32f * level;
        EXPECT_NEAR(s.signal, expected, 1.0e-7f) << isKick;
        EXPECT_NEAR(s.delaySend, 0.52f * expected, 1.0e-7f) << isKick; // the send is ducked too
        EXPECT_FLOAT_EQ(s.processedSample, std::tanh(x)); // the analyser sees the unducked module
    }
}

} // namespace
} // namespace kestrum
