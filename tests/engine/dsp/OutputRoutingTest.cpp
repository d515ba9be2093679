#include "engine/dsp/OutputRouting.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace kestrum
{
namespace
{

using Map = std::array<int, numDeviceOutputs>;

// A map whose first entries are given and whose other entries are -1.
Map mapOf(std::initializer_list<int> first)
{
    Map map;
    map.fill(-1);
    int i = 0;
    for (int entry : first)
        map[static_cast<size_t>(i++)] = entry;
    return map;
}

Map identity(int count)
{
    Map map;
    for (int i = 0; i < numDeviceOutputs; ++i)
        map[static_cast<size_t>(i)] = i < count ? i : -1;
    return map;
}

std::vector<int> channelsOf(const OutputDestination& d)
{
    return std::vector<int>(d.channels.begin(), d.channels.begin() + d.numChannels);
}

TEST(OutputRouting, RouteIndexFromParameter)
{
    struct Case
    {
        float value;
        int route;
    };
    const Case cases[] = { { 0.0f, 0 },    { 0.4f, 0 },     { 0.5f, 1 },       { 1.49f, 1 },
                           { 126.5f, 127 }, { 189.0f, 189 }, { -2.0f, 0 },      { 1.0e9f, 190 },
                           { std::numeric_limits<float>::quiet_NaN(), 0 } };
    for (const auto& c : cases)
        EXPECT_EQ(outputRouteIndex(c.value), c.route) << c.value;
}

TEST(OutputRouting, RoutesResolveToBufferChannels)
{
    struct Case
    {
        const char* name;
        int route;
        Map map;
        int numChannels;
        bool standalone;
        std::vector<int> channels; // empty: the master bus
    };
    const Map fourOfEight = mapOf({ 0, 1, -1, -1, 2, 3 }); // device outputs 1, 2, 5, 6 active
    const Case cases[] = {
        { "master", 0, identity(8), 8, true, {} },
        { "negative is master", -3, identity(8), 8, true, {} },
        { "mono 3", 1, identity(8), 8, true, { 2 } },
        { "mono 128", 126, identity(128), 128, true, { 127 } },
        { "pair 3-4", 127, identity(8), 8, true, { 2, 3 } },
        { "pair 125-126", 188, identity(128), 128, true, { 124, 125 } },
        { "pair 127-128", 189, identity(128), 128, true, { 126, 127 } },
        { "beyond the last route", 250, identity(128), 128, true, { 126, 127 } },
        { "two-channel device, mono", 1, mapOf({ 0, 1 }), 2, true, {} },
        { "two-channel device, pair", 127, mapOf({ 0, 1 }), 2, true, {} },
        { "inactive outputs are skipped", 3, fourOfEight, 4, true, { 2 } },
        { "active pair behind a gap", 128, fourOfEight, 4, true, { 2, 3 } },
        { "inactive pair", 129, fourOfEight, 4, true, {} },
        { "inactive pair 3-4", 127, fourOfEight, 4, true, {} },
        { "half a pair", 127, mapOf({ 0, 1, 2, -1 }), 3, true, { 2 } },
        { "map beyond the buffer", 1, mapOf({ 0, 1, 5 }), 4, true, {} },
        { "plug-in ignores the map", 1, mapOf({}), 8, false, { 2 } },
        { "plug-in stereo buffer", 1, identity(8), 2, false, {} },
        { "plug-in pair in range", 128, identity(0), 6, false, { 4, 5 } },
        { "no channels at all", 127, identity(8), 0, true, {} },
    };
    for (const auto& c : cases)
    {
        const auto d = resolveOutputRoute(c.route, c.map, c.numChannels, c.standalone);
        EXPECT_EQ(channelsOf(d), c.channels) << c.name;
        EXPECT_EQ(d.isMaster(), c.channels.empty()) << c.name;
    }
}

TEST(OutputRouting, MasterOutputs)
{
    struct Case
    {
        const char* name;
        Map map;
        int numChannels;
        bool standalone;
        int left, right;
    };
    const Case cases[] = {
        { "standalone", identity(8), 8, true, 0, 1 },
        { "standalone, first output off", mapOf({ -1, 0 }), 1, true, -1, 0 },
        { "standalone, map past the buffer", mapOf({ 3, 4 }), 4, true, 3, -1 },
        { "plug-in", mapOf({}), 2, false, 0, 1 },
        { "mono buffer", identity(8), 1, false, 0, -1 },
        { "no channels", identity(8), 0, false, -1, -1 },
    };
    for (const auto& c : cases)
    {
        const auto m = resolveMasterOutputs(c.map, c.numChannels, c.standalone);
        EXPECT_EQ(m.left, c.left) << c.name;
        EXPECT_EQ(m.right, c.right) << c.name;
    }
}

TEST(OutputRouting, ReadsTheProcessorsAtomicMap)
{
    std::array<std::atomic<int>, numDeviceOutputs> map;
    for (auto& entry : map)
        entry = -1;
    map[0] = 0;
    map[1] = 1;
    map[6] = 2;
    map[7] = 3;
    EXPECT_EQ(channelsOf(resolveOutputRoute(129, map, 4, true)), (std::vector<int> { 2, 3 }));
    EXPECT_TRUE(resolveOutputRoute(1, map, 4, true).isMaster());
    const auto master = resolveMasterOutputs(map, 4, true);
    EXPECT_EQ(master.left, 0);
    EXPECT_EQ(master.right, 1);
}

TEST(OutputRouting, ShortMapCountsAsMissing)
{
    const int shortMap[4] = { 0, 1, 2, 3 };
    EXPECT_EQ(channelsOf(resolveOutputRoute(1, shortMap, 8, true)), (std::vector<int> { 2 }));
    EXPECT_TRUE(resolveOutputRoute(3, shortMap, 8, true).isMaster());
}

} // namespace
} // namespace kestrum
