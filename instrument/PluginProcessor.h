#pragma once

#include "AudioParameterFloatVelmora.h"
#include "AudioProcessorVelmora.h"
#include "InstrumentParameters.h"
#include "SineWaveVoice.h"
#include "VoiceParameters.h"

#include <array>
#include <string>
#include <vector>

class GorlanAudioProcessor : public juce::AudioProcessorVelmora
{
public:
    GorlanAudioProcessor();
    ~GorlanAudioProcessor() override;

    juce::AudioParameterFloatVelmora* VolumeParameter = nullptr;
    juce::AudioParameterFloatVelmora* CutoffParameter = nullptr;
    juce::AudioParameterFloatVelmora* ResonanceParameter = nullptr;
    juce::AudioParameterFloatVelmora* DecayParameter = nullptr;
    juce::AudioParameterFloatVelmora* LengthParameter = nullptr;
    juce::AudioParameterFloatVelmora* PulseWidthParameter = nullptr;
    juce::AudioParameterFloatVelmora* WaveformParameter = nullptr;
    juce::AudioParameterFloatVelmora* ChordParameter = nullptr;
    juce::AudioParameterFloatVelmora* TuningParameter = nullptr;

    const juce::String getName() const override;
    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    using juce::AudioProcessor::processBlock;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    void PreCalculate() override;
    juce::StereoSample ProcessPerSample (juce::StereoSample sample) override;

    void SeedVoices (juce::int64 seed);

    // Read-only views for tests and tools.
    const VoiceParameters& GetVoiceParameters() const noexcept { return VoiceParams; }
    const juce::Synthesiser& GetSynthesiser() const noexcept { return SynthSource.Synth; }
    const juce::dsp::LinkwitzRileyFilter<double>& GetDcFilter() const noexcept { return DcFilter; }
    int GetDcFilterChannels() const noexcept { return DcFilterChannels; }
    const juce::dsp::IIR::Filter<float>& GetPeakFilter (size_t index) const noexcept { return PeakFilters[index]; }
    const juce::dsp::ProcessSpec& GetSpec() const noexcept { return Spec; }
    const std::vector<std::string>& GetChordNames() const noexcept { return ChordNames; }
    const std::vector<std::string>& GetWaveformNames() const noexcept { return WaveformNames; }

    static constexpr double DcCutoffHz = 20.0;
    static constexpr float PeakFrequencyHz = 70.0f;
    static constexpr int MidiBufferBytes = 65536;

private:
    static int HeldNoteLimit (int chord) noexcept;
    int CountHeldKeys() const;
    int LargestChannelCount() const;
    void ApplySampleRate (double reportedRate);
    void SetUpDcFilter (double reportedRate, int maximumBlockSize, double fallbackRate);
    void SetUpPeakFilters (double sampleRate, int maximumBlockSize, double fallbackRate);
    void WriteVoiceParameters() noexcept;
    void FilterMidi (juce::MidiBuffer& midiMessages);
    void RenderChunk (juce::AudioBuffer<float>& buffer, int startSample, int numSamples);
    int RenderVoicesOversampled (juce::AudioBuffer<float>& buffer, int startSample, int numSamples);
    void RunOutputStage (juce::AudioBuffer<float>& buffer, int startSample, int numSamples);
    float NextVolumeGain() noexcept { return VoiceParams.Volume.Advance(); }

    juce::MidiKeyboardState KeyboardState;
    juce::SynthAudioSource SynthSource { KeyboardState };
    std::vector<std::string> ChordNames;
    std::vector<std::string> WaveformNames;
    VoiceParameters VoiceParams;
    bool DcFilterReady = false;
    juce::dsp::LinkwitzRileyFilter<double> DcFilter;
    std::array<juce::dsp::IIR::Filter<float>, 2> PeakFilters;
    juce::dsp::ProcessSpec Spec {};

    int DcFilterChannels = 0;
    juce::MidiBuffer OutgoingMidi;
    std::vector<float*> OversampledChannels;
    juce::AudioBuffer<float> OversampledBuffer;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GorlanAudioProcessor)
};
