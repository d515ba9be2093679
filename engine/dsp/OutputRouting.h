#pragma once

// Where a module's signal goes. A module's OutputRoute names the master bus, one device output
// (mono) or a pair of device outputs (the same signal on both). In the standalone application a
// device output reaches the buffer channel that the output channel map gives for it (the buffer
// holds only the device's active outputs); inside a plug-in host device output n is buffer
// channel n - 1. An output without a buffer channel is missing, and a route whose outputs are all
// missing falls back to the master bus, so a module is never lost when the device changes.

#include <array>
#include <atomic>
#include <cmath>
#include <iterator>

namespace kestrum
{

constexpr int numDeviceOutputs = 128;
constexpr int numOutputRoutes = 190; // 0 master, 1..126 mono 3..128, 127..189 pairs 3-4..127-128

// The OutputRoute parameter's value as a route index, nearest integer with halves away from zero.
int outputRouteIndex(float parameterValue) noexcept;

// Device outputs (numbered from 1) that a route names: none for the master bus.
struct RouteOutputs
{
    int count = 0;
    std::array<int, 2> outputs { 0, 0 };
};

RouteOutputs deviceOutputsForRoute(int route) noexcept;

// Buffer channels to add a module's signal to; none means the master bus.
struct OutputDestination
{
    int numChannels = 0;
    std::array<int, 2> channels { -1, -1 };

    bool isMaster() const noexcept { return numChannels == 0; }
};

// Buffer channels of the master's left and right outputs, -1 where that output is missing.
struct MasterOutputs
{
    int left = -1;
    int right = -1;
};

namespace routing_detail
{
inline int loadEntry(const std::atomic<int>& entry) noexcept { return entry.load(std::memory_order_acquire); }
inline int loadEntry(int entry) noexcept { return entry; }
} // namespace routing_detail

// Buffer channel of device output n (from 1), or -1 when it is missing. ChannelMap is any
// indexable sequence of int or std::atomic<int> (the processor's output channel map).
template <typename ChannelMap>
int bufferChannelForDeviceOutput(int deviceOutput, const ChannelMap& channelMap, int numBufferChannels,
                                 bool standalone) noexcept
{
    if (deviceOutput < 1 || deviceOutput > numDeviceOutputs)
        return -1;

    int channel = deviceOutput - 1;
    if (standalone)
    {
        const auto index = static_cast<size_t>(deviceOutput - 1);
        if (index >= std::size(channelMap))
            return -1;
        channel = routing_detail::loadEntry(channelMap[index]);
    }

    return channel >= 0 && channel < numBufferChannels ? channel : -1;
}

template <typename ChannelMap>
OutputDestination resolveOutputRoute(int route, const ChannelMap& channelMap, int numBufferChannels,
                                     bool standalone) noexcept
{
    OutputDestination destination;
    const RouteOutputs outputs = deviceOutputsForRoute(route);

    for (int i = 0; i < outputs.count; ++i)
    {
        const int channel = bufferChannelForDeviceOutput(outputs.outputs[static_cast<size_t>(i)], channelMap,
                                                         numBufferChannels, standalone);
        if (channel >= 0)
            destination.channels[static_cast<size_t>(destination.numChannels++)] = channel;
    }

    return destination;
}

// The master bus always plays on device outputs 1 and 2.
template <typename ChannelMap>
MasterOutputs resolveMasterOutputs(const ChannelMap& channelMap, int numBufferChannels, bool standalone) noexcept
{
    return { bufferChannelForDeviceOutput(1, channelMap, numBufferChannels, standalone),
             bufferChannelForDeviceOutput(2, channelMap, numBufferChannels, standalone) };
}

} // namespace kestrum
