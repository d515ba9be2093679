#include "ParameterIDs.h"

namespace kestrum
{

const std::array<ChannelDescriptor, numChannels> channelDescriptors { {
    { "KIK 9", "KICK", "C1", VoiceType::Kik9, 16,
      { "TUNE", "TUNE\nDEC", "TUNE\nDEP", "DECAY", "ATTACK", "NOISE", "DIST", "COMP", "LEVEL", "ACCENT",
        "MODEL\n2", "MODEL\n3", "MODEL\n4", "MODEL\n5", "MODEL\n6", "MODEL\n7" },
      { "Kik9Tune", "Kik9TuneDecay", "Kik9TuneDepth", "Kik9Decay", "Kik9Attack", "Kik9Noise", "Kik9Distortion",
        "Kik9Compression", "Kik9Level", "Kik9Accent", "Kik9AltModel", "Kik9Model3", "Kik9Model4", "Kik9Model5",
        "Kik9Model6", "Kik9Model7" } },
    { "808 Snare", "SNARE", "C#1", VoiceType::Snare808, 11,
      { "SYN\nPITCH", "SYN\nDECAY", "OSC2", "OSC2\nPITCH", "NOISE\nPITCH", "NOISE\nDECAY", "SNAP", "12\nBIT", "CUT",
        "RES", "LIMIT" },
      { "Tune", "Decay", "Osc2On", "Osc2Tune", "Tone", "Shape", "Noise", "Sp1200On", "Sp1200Cutoff",
        "Sp1200Resonance", "SnareLimit" } },
    { "808 Rim Shot", "RIM", "D1", VoiceType::RimShot808, 8,
      { "LOW\nTUNE", "HIGH\nTUNE", "DECAY", "LOW\nLEVEL", "HIGH\nLEVEL", "HP\nCUT", "VCA\nDRIVE", "SNAP" },
      { "RimLowTune", "RimHighTune", "RimDecay", "RimLowLevel", "RimHighLevel", "RimHighPass", "RimDrive",
        "RimSnap" } },
    { "808 Closed Hat", "CH", "D#1", VoiceType::ClosedHat808, 7,
      { "TUNE", "DECAY", "TONE", "METAL", "NOISE", "DRIVE", "POST\nGAIN" },
      { "Tune", "Decay", "Tone", "Shape", "Noise", "HatSaturation", "HatGain" } },
    { "TEV HAT 9 Open", "OH", "E1", VoiceType::TevHat9Open, 11,
      { "OH\nDEC", "OH\nTUNE", "OH\nLEVEL", "ACCENT", "RF\nCUT", "RF\nRES", "DRIVE", "POST\nGAIN", "RF\nBYP", "SAT",
        "12\nBIT" },
      { "Hat9OpenDecay", "Hat9OpenTune", "Hat9OpenLevel", "Hat9Accent", "Hat9RfCutoff", "Hat9RfRes",
        "HatSaturation", "HatGain", "Hat9RfBypass", "Hat9EqSat", "Hat9Dac12" } },
    { "General Drum A", "GEN A", "F1", VoiceType::GeneralDrumA, 13,
      { "TUNE", "WAVE\nS/T/SQ", "MONO\nPOLY", "TONE", "SWEEP", "NOISE", "FILT", "FENV", "FOLD\nBACK",
        "AMP\nATTACK", "AMP\nDECAY", "AMP\nSUSTAIN", "AMP\nRELEASE" },
      { "Tune", "GenAWaveform", "PolyMode", "Tone", "Shape", "Noise", "FilterCutoff", "FilterEnv", "Foldback",
        "Sh101Attack", "Sh101Decay", "Sh101Sustain", "Sh101Release" } },
    { "Bass Bin", "BASS BIN", "F#1", VoiceType::BassBin, 18,
      { "OCT", "TUNE", "SAW", "PULSE", "PULSE\nWIDTH", "DETUNE", "SUB", "SUB\nTYPE", "CUTOFF", "RES", "F\nENV",
        "LFO\nRATE", "LFO\nAMOUNT", "LFO\nDEST", "AMP\nATTACK", "AMP\nDECAY", "AMP\nSUSTAIN", "AMP\nRELEASE" },
      { "Sh101Octave", "Sh101Tune", "Sh101SawLevel", "Sh101PulseLevel", "Sh101PulseWidth", "Sh101SubDetune",
        "Sh101SubLevel", "Sh101SubType", "Sh101Cutoff", "Sh101Resonance", "Sh101FilterEnv", "Sh101LfoRate",
        "Sh101LfoAmount", "Sh101LfoDestination", "Sh101Attack", "Sh101Decay", "Sh101Sustain", "Sh101Release" } },
    { "CHORD PULLER", "CHORD PULLER", "G1", VoiceType::ChordPuller, 15,
      { "TUNE", "DECAY", "TONE", "SWEEP", "NOISE", "FILT", "FENV", "FM\nMOD", "FOLD\nBACK", "MONO\nPOLY",
        "FM  /  OBH", "AMP\nATTACK", "AMP\nDECAY", "AMP\nSUSTAIN", "AMP\nRELEASE" },
      { "Tune", "Decay", "Tone", "Shape", "Noise", "FilterCutoff", "FilterEnv", "FMAmount", "Foldback", "PolyMode",
        "GenCSemMode", "Sh101Attack", "Sh101Decay", "Sh101Sustain", "Sh101Release" } },
} };

const ChannelDescriptor& getChannelDescriptor(int channelIndex) noexcept
{
    return channelDescriptors[static_cast<size_t>(juce::jlimit(0, numChannels - 1, channelIndex))];
}

juce::String getParameterID(int channelIndex, juce::StringRef suffix)
{
    return "ch" + juce::String(channelIndex + 1) + suffix;
}

juce::String getStepParameterID(int channelIndex, int stepIndex)
{
    return "ch" + juce::String(channelIndex + 1) + "Step" + juce::String(stepIndex + 1).paddedLeft('0', 2);
}

juce::String getStepVelocityParameterID(int channelIndex, int stepIndex)
{
    return getStepParameterID(channelIndex, stepIndex) + "Velocity";
}

juce::String getStepPitchParameterID(int channelIndex, int stepIndex)
{
    return getStepParameterID(channelIndex, stepIndex) + "Pitch";
}

juce::String getStepChordCountParameterID(int channelIndex, int stepIndex)
{
    return getStepParameterID(channelIndex, stepIndex) + "ChordCount";
}

static juce::String chordNotePrefix(int channelIndex, int stepIndex, int chordNoteIndex)
{
    const auto digit = static_cast<juce::juce_wchar>('2' + juce::jlimit(0, numChordNotes - 1, chordNoteIndex));
    return getStepParameterID(channelIndex, stepIndex) + "Chord" + juce::String::charToString(digit);
}

juce::String getStepChordPitchParameterID(int channelIndex, int stepIndex, int chordNoteIndex)
{
    return chordNotePrefix(channelIndex, stepIndex, chordNoteIndex) + "Pitch";
}

juce::String getStepChordVelocityParameterID(int channelIndex, int stepIndex, int chordNoteIndex)
{
    return chordNotePrefix(channelIndex, stepIndex, chordNoteIndex) + "Velocity";
}

} // namespace kestrum
