#pragma once

// How an engine of the kick ends while an alternative model is selected: match equaliser (before
// or after the dynamics, as chosen), the 424 drive circuit, the XLA compressor. Each engine owns
// one, so the two never share filter memory while they crossfade.

#include "Drive424.h"
#include "Kik9MatchEqStage.h"
#include "Kik9Parameters.h"
#include "XlaCompressor.h"

namespace kestrum
{

class Kik9AltChain
{
public:
    void prepare(double sampleRate) noexcept
    {
        preEq.prepare(sampleRate);
        postEq.prepare(sampleRate);
        drive.prepare(sampleRate);
        xla.prepare(sampleRate);
    }

    // Silences the drive and compressor and forgets the band designs; the equaliser crossfades
    // keep where they are.
    void reset() noexcept
    {
        preEq.reset();
        postEq.reset();
        drive.reset();
        xla.reset();
    }

    float process(float x, const Kik9Parameters& p) noexcept
    {
        const bool eqActive = p.matchEqEnabled && ! p.matchEqMuted;
        x = preEq.process(x, p.bands, eqActive && ! p.matchEqPost);
        x = drive.process(x, p.drive424, p.drive424Enabled);
        x = xla.process(x, p.compression);
        return postEq.process(x, p.bands, eqActive && p.matchEqPost);
    }

private:
    Kik9MatchEqStage preEq;
    Drive424 drive;
    XlaCompressor xla;
    Kik9MatchEqStage postEq;
};

} // namespace kestrum
