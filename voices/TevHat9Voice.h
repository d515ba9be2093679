#pragma once

// The open hat's sample block: the recording as a table of floats, the player that reads it at any
// pitch, and the fixed coefficients of the filters that follow the player. One instance lives in
// each open-hat voice.

#include <array>
#include <cstddef>
#include <cstdint>

namespace kestrum
{

class TevHat9Voice
{
public:
    static constexpr int tableSize = 32768;
    static constexpr double sourceRate = 32000.0;
    // Only the first part of the table is ever played; the rest is there for the mean.
    static constexpr double playedLength = 24640.0;

    // The playing note.
    struct Player
    {
        double position = 0.0; // in source samples
        double end = 0.0;
        float gain = 0.0f;
        float accent = 0.0f;
        float semitones = 0.0f;
        bool active = false;
    };

    // Rate conversion and filter coefficients for a sample rate (at least 1 Hz).
    void prepare(double sampleRate) noexcept;

    // Fills the table from an 8-bit unsigned mono 32 kHz WAV with at least tableSize data bytes,
    // removing the mean. Anything else leaves a silent table; returns whether the file was used.
    bool loadFromWav(const uint8_t* bytes, size_t size) noexcept;

    // A note as a trigger starts it: velocity (0.05..1), pitch ratio, and the accent knob.
    static Player startPlayer(float velocity, float pitchRatio, float accentAmount) noexcept;

    // One sample of `player`. `tune` is in semitones and adds to the note's own shift; the sum is
    // held within +-36 semitones. Raises accentOut to the note's accent scaled by its gain.
    float renderPlayer(Player& player, float decay, float tune, float& accentOut) const noexcept;

    double getSampleRate() const noexcept { return sampleRate; }
    double getRateRatio() const noexcept { return rateRatio; }
    float getBrightnessCoefficient() const noexcept { return brightnessCoefficient; }
    float getDcBlockerPole() const noexcept { return dcBlockerPole; }
    int getSampleCount() const noexcept { return sampleCount; }
    float sampleAt(int index) const noexcept { return samples[static_cast<size_t>(index)]; }

private:
    double sampleRate = 44100.0;
    double rateRatio = sourceRate / 44100.0;
    float brightnessCoefficient = 0.0f;
    float dcBlockerPole = 0.0f;
    std::array<float, tableSize> samples {};
    int sampleCount = tableSize;
};

} // namespace kestrum
