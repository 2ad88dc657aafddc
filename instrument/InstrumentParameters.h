#pragma once

#include "AudioParameterFloatVelmora.h"

#include <string>
#include <vector>

std::vector<std::string> MakeChordNames();
std::vector<std::string> MakeWaveformNames();

// Non-owning: the processor owns the parameters once they are added.
struct InstrumentParameterSet
{
    juce::AudioParameterFloatVelmora *VolumeParameter = nullptr, *CutoffParameter = nullptr,
                                     *ResonanceParameter = nullptr, *DecayParameter = nullptr,
                                     *LengthParameter = nullptr, *PulseWidthParameter = nullptr,
                                     *WaveformParameter = nullptr, *ChordParameter = nullptr,
                                     *TuningParameter = nullptr;
};

// Creates the nine parameters in host order and registers each with addParameter before creating the next.
InstrumentParameterSet AddInstrumentParameters (juce::AudioProcessor& processor,
                                                const std::vector<std::string>& waveformNames,
                                                const std::vector<std::string>& chordNames);
