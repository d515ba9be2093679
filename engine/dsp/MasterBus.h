#pragma once

// The mono master bus and everything that is shared between the modules for one sample: the
// kick ducker, the sums the modules feed (the kick apart, since it drives the ducker), the
// delay send, the tape delay, the output stage, and the trim and final clip.
//
// Per rendered range: beginRange() once, then for each sample
//     duckGain = beginSample();
//     for each module, in channel order: ModuleOutput::process(); a module that contributes
//         adds its delay send with addDelaySend() and its signal either to its direct outputs
//         (resolveOutputRoute) or, when that names none, with addToMaster();
//     out = endSample();   // assign to the master outputs (resolveMasterOutputs)
// and getGainReductionMeter() after the range.

#include "KickDucker.h"
#include "OutputStage.h"
#include "TapeDelay.h"

namespace kestrum
{

// The global parameters the master bus reads; defaults are those used when a parameter is missing.
struct MasterControls
{
    OutputStageControls output;
    bool kickDuck = false; // KickDuck
    DelayControls delay;
};

class MasterBus
{
public:
    // Coefficients for the rate, delay line sized and emptied, all state at rest with the
    // switches' smoothing at their current values. Allocates: call from prepare only.
    void prepare(double sampleRate, const MasterControls& current);

    // Empties the delay line (the engine's resources are released).
    void clearDelay() noexcept { delay.clear(); }

    // A kick trigger.
    void raiseKickDuck(float velocity) noexcept { ducker.raise(velocity); }

    // Settings for the samples that follow, read once per rendered range. `tempo` is the tempo
    // in use, which sets the length of a synced delay.
    void beginRange(const MasterControls& controls, float tempo) noexcept;

    // Starts a sample: runs the ducker and empties the sums. Returns the gain for the ducked
    // modules (everything but the kick).
    float beginSample() noexcept;

    void addDelaySend(float send) noexcept { delaySend += send; }

    // A module's signal that goes to the master bus.
    void addToMaster(bool isKick, float signal) noexcept
    {
        if (isKick)
            kickSum += signal;
        else
            masterSum += signal;
    }

    // Finishes the sample: the kick feeds the ducker, the delay return joins the dry sum, then
    // output gain or limiter, trim and clip. The result goes to both master outputs.
    float endSample() noexcept;

    // The meter value to publish after a range.
    float getGainReductionMeter() const noexcept { return outputStage.getGainReductionMeter(); }

    const KickDucker& getDucker() const noexcept { return ducker; }
    const TapeDelay& getDelay() const noexcept { return delay; }
    const OutputStage& getOutputStage() const noexcept { return outputStage; }

private:
    KickDucker ducker;
    TapeDelay delay;
    OutputStage outputStage;

    MasterControls controls;

    float masterSum = 0.0f;
    float kickSum = 0.0f;
    float delaySend = 0.0f;
};

} // namespace kestrum
