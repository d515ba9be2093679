#pragma once

// One module's path from its voices to the mixer: the mute/solo gate (a 3 ms linear fade, so
// muting never clicks), the module equaliser before or after the output saturation, the 0.14
// scaling that leaves headroom for eight modules on one bus, the kick ducker and the delay send.
// The module equaliser is not part of this class: it is handed in as a callable so that the
// module's own equaliser instance (and its crossfade state) stays with the engine.

#include "voices/DspBlocks.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

// Whether a channel should be heard: not muted, and soloed when anything is soloed.
inline bool channelHeard(bool solo, bool mute, bool noSoloAnywhere) noexcept
{
    return (solo || noSoloAnywhere) && ! mute;
}

// What the path needs to know about its module for one sample.
struct ModulePathInputs
{
    bool heard = true;        // gate target, see channelHeard()
    bool sendOn = false;      // FxSend
    bool preMute = true;      // DelayPreFader: the send is taken before the gate
    bool isKick = false;      // the kick drives the ducker and is never ducked itself
    bool altKick = false;     // kick in one of its alternative models: hard clip, no module equaliser
    bool hasModuleEq = true;  // false for the open hat, which equalises inside its voice
    bool eqPost = true;       // equaliser after the saturation (ModuleGs3EqPost / Kik9MatchEqPost)
    float duckGain = 1.0f;    // from the master bus for this sample
};

// The module's result for one sample.
struct ModuleSample
{
    bool contributes = false;     // false: gate closed and no send; nothing else here is set
    float processedSample = 0.0f; // after saturation and equaliser, for the analyser capture
    float delaySend = 0.0f; // to add to the master bus's delay send
    float signal = 0.0f;    // gated, scaled, ducked output, to route when audible
    bool audible = false;   // gate above silence: route signal
};

class ModuleOutput
{
public:
    // Gate ramp of floor(sampleRate * 0.003) samples, sitting at its target (nothing fades in
    // after a prepare).
    void prepare(double sampleRate, bool heard) noexcept
    {
        gate.reset(std::max(sampleRate, 1.0), 0.003);
        gate.setCurrentAndTargetValue(heard ? 1.0f : 0.0f);
    }

    // One sample of the module's voice sum x. equalise(float) -> float is the module equaliser;
    // it is called at most once, only when the module is processed and has its equaliser, so a
    // bypassed equaliser does not advance its own crossfade.
    template <typename Equaliser>
    ModuleSample process(float x, const ModulePathInputs& in, Equaliser&& equalise) noexcept
    {
        gate.setTargetValue(in.heard ? 1.0f : 0.0f);
        const float g = gate.getNextValue();
        const bool open = g > 1.0e-6f;
        const bool sendActive = open || in.preMute;

        ModuleSample out;
        if (! open && ! (in.sendOn && sendActive))
            return out;

        const bool eqApplies = in.hasModuleEq && ! in.altKick;
        if (eqApplies && ! in.eqPost)
            x = equalise(x);

        float y = in.altKick ? std::clamp(x, -1.5f, 1.5f) : std::tanh(x);

        if (eqApplies && in.eqPost)
            y = equalise(y);

        float level = 0.14f * y;
        if (! in.isKick)
            level *= in.duckGain;

        out.contributes = true;
        out.processedSample = y;
        if (in.sendOn && sendActive)
            out.delaySend = 0.52f * level * (in.preMute ? 1.0f : g);
        if (open)
        {
            out.audible = true;
            out.signal = g * level;
        }
        return out;
    }

    float getGate() const noexcept { return gate.getCurrentValue(); }
    int getGateRampLength() const noexcept { return gate.getRampLength(); }

private:
    dsp::LinearRamp gate;
};

} // namespace kestrum
