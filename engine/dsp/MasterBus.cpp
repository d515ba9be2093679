#include "MasterBus.h"

#include <algorithm>

namespace kestrum
{

void MasterBus::prepare(double sampleRate, const MasterControls& current)
{
    const double rate = std::max(sampleRate, 1.0);
    const float sr = static_cast<float>(rate);

    controls = current;
    ducker.prepare(sr, current.kickDuck);
    delay.prepare(sr);
    outputStage.prepare(rate, current.output.gluePush);
    masterSum = kickSum = delaySend = 0.0f;
}

void MasterBus::beginRange(const MasterControls& newControls, float tempo) noexcept
{
    controls = newControls;
    delay.setControls(controls.delay, tempo);
}

float MasterBus::beginSample() noexcept
{
    masterSum = kickSum = delaySend = 0.0f;
    return ducker.advance(controls.kickDuck);
}

float MasterBus::endSample() noexcept
{
    ducker.followKick(kickSum);

    // The output stage moves its gain target and glue fade before it uses them; neither
    // depends on the sums, so doing that inside process() keeps the sample's order.
    masterSum += kickSum;
    masterSum += delay.process(delaySend);

    return trimAndClip(outputStage.process(masterSum, controls.output));
}

} // namespace kestrum
