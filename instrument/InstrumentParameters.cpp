#include "InstrumentParameters.h"

using juce::AudioParameterFloatVelmora;
using juce::ValueTranslation;

namespace
{

constexpr int waveformSteps = 10;
constexpr int chordSteps = 20;

AudioParameterFloatVelmora* AddRange (juce::AudioProcessor& processor, const char* id, const char* name,
                                      float minValue, float maxValue, float defaultValue,
                                      ValueTranslation translation, const char* unit)
{
    auto* parameter = new AudioParameterFloatVelmora (id, name, minValue, maxValue, defaultValue, translation, unit);
    processor.addParameter (parameter);
    return parameter;
}

AudioParameterFloatVelmora* AddChoice (juce::AudioProcessor& processor, const char* id, const char* name,
                                       int defaultPosition, const std::vector<std::string>& names, int steps)
{
    auto* parameter = new AudioParameterFloatVelmora (id, name, 0.0f, 1.0f, defaultPosition, names, steps);
    processor.addParameter (parameter);
    return parameter;
}

} // namespace

std::vector<std::string> MakeChordNames()
{
    return { "Mono",     "Poly",     "Major4-7", "Minor3-7", "Minor4-8", "Major3-8",
             "Minor5-8", "Major5-9", "Min 5-10", "Ma4-7-11", "Mi3-7-10", "Min3-7-9",
             "Fat Moog", "Moog 5th", "Guru Ps1", "Guru Ps2", "VengBoyz" };
}

std::vector<std::string> MakeWaveformNames()
{
    return { "Saw1", "Saw2", "Square", "Tri", "Sine1", "Sine2" };
}

InstrumentParameterSet AddInstrumentParameters (juce::AudioProcessor& processor,
                                                const std::vector<std::string>& waveformNames,
                                                const std::vector<std::string>& chordNames)
{
    InstrumentParameterSet set;
    set.VolumeParameter = AddRange (processor, "volume", "Volume", 0.0f, 1.0f, 0.5f, ValueTranslation::Decibels, "dB");
    set.CutoffParameter = AddRange (processor, "cutoff", "Cutoff", 20.0f, 20000.0f, 0.3333f, ValueTranslation::Frequency, "Hz");
    set.ResonanceParameter = AddRange (processor, "reso", "Resonance", 0.0f, 1.0f, 0.2f, ValueTranslation::Percent, "%");
    set.DecayParameter = AddRange (processor, "decay", "Decay", 0.03f, 1.0f, 0.3333f, ValueTranslation::Time, "s");
    set.LengthParameter = AddRange (processor, "length", "Length", 0.03f, 5.0f, 1.0f, ValueTranslation::Time, "s");
    set.PulseWidthParameter = AddRange (processor, "pwidth", "Pulsewidth", 0.0f, 1.0f, 0.5f, ValueTranslation::Percent, "%");
    set.WaveformParameter = AddChoice (processor, "waveform", "Waveform", 0, waveformNames, waveformSteps);
    set.ChordParameter = AddChoice (processor, "chord", "Chord", 1, chordNames, chordSteps);
    set.TuningParameter = AddRange (processor, "tuning", "Tuning", -100.0f, 100.0f, 0.5f, ValueTranslation::SignedLinear, "%");
    return set;
}
