#include "PluginProcessor.h"
#include "PluginEditor.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace
{
constexpr int NumVoices = 8;
constexpr int VoiceOversampling = 8;
constexpr int LastChordRow = 19;
constexpr float HalfPi = 1.5707964f;

// A filter whose corner is at or above the Nyquist frequency gets unusable coefficients;
// such a rate falls back to the rate the voices run on.
double UsableFilterRate (double rate, double cornerHz, double fallbackRate) noexcept
{
    return rate > 2.0 * cornerHz ? rate : fallbackRate;
}

bool IsAcceptedRate (double rate) noexcept
{
    return rate > 999.0 && rate < 10000000001.0;
}

// Hosts may hand over NaN or values outside 0 … 1; a NaN would stick in the voices' filters.
float Normalised (const juce::AudioParameterFloatVelmora& parameter) noexcept
{
    const float v = parameter.get();
    return std::isnan (v) ? 0.0f : juce::jlimit (0.0f, 1.0f, v);
}
} // namespace

GorlanAudioProcessor::GorlanAudioProcessor()
{
    auto& synth = SynthSource.Synth;

    for (int i = 0; i < NumVoices; ++i)
    {
        auto* voice = new juce::SineWaveVoice();
        voice->Parameters = &VoiceParams;
        synth.addVoice (voice);
    }

    synth.addSound (new juce::SineWaveSound());
    synth.setNoteStealingEnabled (false);

    ChordNames = MakeChordNames();
    WaveformNames = MakeWaveformNames();

    const auto set = AddInstrumentParameters (*this, WaveformNames, ChordNames);
    VolumeParameter = set.VolumeParameter;
    CutoffParameter = set.CutoffParameter;
    ResonanceParameter = set.ResonanceParameter;
    DecayParameter = set.DecayParameter;
    LengthParameter = set.LengthParameter;
    PulseWidthParameter = set.PulseWidthParameter;
    WaveformParameter = set.WaveformParameter;
    ChordParameter = set.ChordParameter;
    TuningParameter = set.TuningParameter;
}

GorlanAudioProcessor::~GorlanAudioProcessor() = default;

const juce::String GorlanAudioProcessor::getName() const { return "Gorlan"; }
double GorlanAudioProcessor::getTailLengthSeconds() const { return 0.0; }
bool GorlanAudioProcessor::acceptsMidi() const { return true; }
bool GorlanAudioProcessor::producesMidi() const { return false; }
bool GorlanAudioProcessor::isMidiEffect() const { return false; }
bool GorlanAudioProcessor::hasEditor() const { return true; }

juce::AudioProcessorEditor* GorlanAudioProcessor::createEditor()
{
    return new GorlanAudioProcessorEditor (*this);
}

bool GorlanAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto output = layouts.getMainOutputChannelSet();
    return output == juce::AudioChannelSet::mono() || output == juce::AudioChannelSet::stereo();
}

void GorlanAudioProcessor::PreCalculate() {}

juce::StereoSample GorlanAudioProcessor::ProcessPerSample (juce::StereoSample sample)
{
    return sample;
}

void GorlanAudioProcessor::SeedVoices (juce::int64 seed)
{
    auto& synth = SynthSource.Synth;

    for (int i = 0; i < synth.getNumVoices(); ++i)
        if (auto* voice = dynamic_cast<juce::SineWaveVoice*> (synth.getVoice (i)))
            voice->SeedRandom (seed + i);
}

//==============================================================================
void GorlanAudioProcessor::prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock)
{
    OversamplingFactor = VoiceOversampling;

    const double reportedRate = getSampleRate();
    ApplySampleRate (reportedRate);

    SetUpDcFilter (reportedRate, maximumExpectedSamplesPerBlock, LastSampleRate);
    SynthSource.Synth.setCurrentPlaybackSampleRate (LastSampleRate * VoiceOversampling);
    SetUpPeakFilters (sampleRate, maximumExpectedSamplesPerBlock, LastSampleRate);

    // Everything the audio thread fills is sized here, so blocks never allocate.
    OutgoingMidi.ensureSize (MidiBufferBytes);
    SynthSource.MidiEvents.ensureSize (MidiBufferBytes);

    const int channels = LargestChannelCount();
    OversampledChannels.resize ((size_t) std::max ((int) OversampledChannels.size(), channels));

    // Built here rather than on the first block: building allocates, and the host reads
    // the latency as soon as preparation returns.
    InitOversampling (channels);
}

void GorlanAudioProcessor::ApplySampleRate (double reportedRate)
{
    if (IsAcceptedRate (reportedRate))
        LastSampleRate = reportedRate;

    const auto oversampledRate = (float) (LastSampleRate * VoiceOversampling);

    for (auto* smoother : { &VoiceParams.Volume, &VoiceParams.PulseWidth, &VoiceParams.SawShape })
        smoother->Mode = 0;

    VoiceParams.Volume.Step = 80.0f / oversampledRate;
    VoiceParams.PulseWidth.Step = 4.0f / oversampledRate;
    VoiceParams.SawShape.Step = 40.0f / oversampledRate;
    VoiceParams.Volume.Current = VoiceParams.Volume.Target;
}

void GorlanAudioProcessor::SetUpDcFilter (double reportedRate, int maximumBlockSize, double fallbackRate)
{
    if (DcFilterReady)
        return;

    DcFilterReady = true;
    DcFilterChannels = LargestChannelCount();
    DcFilter.setType (juce::dsp::LinkwitzRileyFilterType::highpass);
    DcFilter.prepare ({ UsableFilterRate (reportedRate, DcCutoffHz, fallbackRate),
                        (juce::uint32) std::max (0, maximumBlockSize),
                        (juce::uint32) DcFilterChannels });
    DcFilter.setCutoffFrequency (DcCutoffHz);
}

void GorlanAudioProcessor::SetUpPeakFilters (double sampleRate, int maximumBlockSize, double fallbackRate)
{
    Spec = { sampleRate, (juce::uint32) std::max (0, maximumBlockSize), (juce::uint32) getTotalNumOutputChannels() };
    const double coefficientRate = UsableFilterRate (sampleRate, PeakFrequencyHz, fallbackRate);

    // Coefficients first: preparing then sizes the state for their order, which the first
    // processed sample would otherwise do on the audio thread.
    for (auto& filter : PeakFilters)
    {
        filter.coefficients = juce::dsp::IIR::Coefficients<float>::makePeakFilter (coefficientRate, PeakFrequencyHz,
                                                                                   0.3f, 10.0f);
        filter.prepare (Spec);
        filter.reset();
    }
}

int GorlanAudioProcessor::LargestChannelCount() const
{
    return std::max ({ getTotalNumInputChannels(), getTotalNumOutputChannels(), 2 });
}

void GorlanAudioProcessor::releaseResources()
{
    for (auto& filter : PeakFilters)
        filter.reset();
}

//==============================================================================
void GorlanAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages)
{
    juce::ScopedNoDenormals noDenormals;
    const int numSamples = buffer.getNumSamples();

    for (int channel = getTotalNumInputChannels();
         channel < std::min (getTotalNumOutputChannels(), buffer.getNumChannels()); ++channel)
        buffer.clear (channel, 0, numSamples);

    InitOversampling (buffer.getNumChannels());

    if (OversamplingFactor <= 1 || numSamples == 0 || Oversampler == nullptr)
        return;

    WriteVoiceParameters();
    FilterMidi (midiMessages);

    // The oversampler takes at most MaxOversamplingBlock samples at a time; later chunks
    // carry on the same stream with no new events.
    const auto chunkLength = (int) juce::jlimit<juce::int64> (1, std::numeric_limits<int>::max(), MaxOversamplingBlock);

    for (int start = 0; start < numSamples; start += chunkLength)
    {
        RenderChunk (buffer, start, std::min (chunkLength, numSamples - start));
        SynthSource.MidiEvents.clear();
    }
}

void GorlanAudioProcessor::WriteVoiceParameters() noexcept
{
    const float volume = Normalised (*VolumeParameter);
    const float resonance = Normalised (*ResonanceParameter);
    const float decay = Normalised (*DecayParameter);
    const float pulseWidth = Normalised (*PulseWidthParameter);

    VoiceParams.Volume.Target = volume * volume * volume * 1.41f;
    VoiceParams.Cutoff = Normalised (*CutoffParameter);
    VoiceParams.Resonance = resonance * resonance * resonance * 9.5f + 0.5f;
    VoiceParams.Decay = DecayParameter->GetTranslatedValue();
    VoiceParams.DecayNormalised = decay;
    VoiceParams.EnvelopeDepth = 3.0f * std::sqrt (decay) - 2.5f * decay;
    VoiceParams.Length = LengthParameter->GetTranslatedValue();
    VoiceParams.PulseWidth.Target = pulseWidth;
    VoiceParams.SawShape.Target = std::exp (3.5f - 7.0f * pulseWidth);
    VoiceParams.Waveform = WaveformParameter->GetChoiceIndex();
    // The voices index their chord table with this without checking it.
    VoiceParams.Chord = juce::jlimit (0, LastChordRow, ChordParameter->GetChoiceIndex());
    VoiceParams.Tuning = Normalised (*TuningParameter) - 0.5f;
}

int GorlanAudioProcessor::HeldNoteLimit (int chord) noexcept
{
    return chord == 0 ? 1 : NumVoices;
}

int GorlanAudioProcessor::CountHeldKeys() const
{
    const auto& synth = SynthSource.Synth;
    int held = 0;

    for (int i = 0; i < synth.getNumVoices(); ++i)
        if (const auto* voice = synth.getVoice (i); voice != nullptr && voice->isKeyDown())
            ++held;

    return held;
}

void GorlanAudioProcessor::FilterMidi (juce::MidiBuffer& midiMessages)
{
    const int limit = HeldNoteLimit (VoiceParams.Chord);
    int held = CountHeldKeys();
    int position = 0;
    OutgoingMidi.clear();

    for (const auto event : midiMessages)
    {
        const int status = event.data[0] & 0xf0;
        const bool noteOn = status == 0x90 && event.numBytes > 2 && event.data[2] > 0;
        const bool noteOff = status == 0x80 || (status == 0x90 && ! noteOn);

        if (noteOn)
        {
            if (held >= limit)
                continue;

            ++held;
        }
        else if (noteOff)
        {
            held = std::max (0, held - 1);
        }

        OutgoingMidi.addEvent (event.data, event.numBytes, position++);
    }

    // No copy assignment: it would allocate. Both buffers already have the room.
    midiMessages.clear();
    midiMessages.addEvents (OutgoingMidi, 0, -1, 0);
    SynthSource.MidiEvents.clear();
    SynthSource.MidiEvents.addEvents (OutgoingMidi, 0, -1, 0);
}

//==============================================================================
void GorlanAudioProcessor::RenderChunk (juce::AudioBuffer<float>& buffer, int startSample, int numSamples)
{
    const int rendered = RenderVoicesOversampled (buffer, startSample, numSamples);

    // Channels the oversampler does not carry still hold input audio.
    for (int channel = rendered; channel < buffer.getNumChannels(); ++channel)
        buffer.clear (channel, startSample, numSamples);

    RunOutputStage (buffer, startSample, numSamples);
}

int GorlanAudioProcessor::RenderVoicesOversampled (juce::AudioBuffer<float>& buffer, int startSample, int numSamples)
{
    const auto channels = std::min ((size_t) buffer.getNumChannels(), Oversampler->numChannels);
    juce::dsp::AudioBlock<float> block (buffer.getArrayOfWritePointers(), channels, (size_t) startSample,
                                        (size_t) numSamples);
    const auto upsampled = Oversampler->processSamplesUp (block);
    const auto upChannels = upsampled.getNumChannels();

    if (upChannels == 0)
        return 0;

    if (OversampledChannels.size() < upChannels)
        OversampledChannels.resize (upChannels);

    for (size_t channel = 0; channel < upChannels; ++channel)
        OversampledChannels[channel] = upsampled.getChannelPointer (channel);

    const auto upSamples = (int) upsampled.getNumSamples();
    OversampledBuffer.setDataToReferTo (OversampledChannels.data(), (int) upChannels, upSamples);
    SynthSource.getNextAudioBlock (juce::AudioSourceChannelInfo (&OversampledBuffer, 0, upSamples));

    Oversampler->processSamplesDown (block);
    return (int) channels;
}

void GorlanAudioProcessor::RunOutputStage (juce::AudioBuffer<float>& buffer, int startSample, int numSamples)
{
    const bool boostedWaveform = VoiceParams.Waveform != 4 && VoiceParams.Waveform != 5;

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
    {
        auto* samples = buffer.getWritePointer (channel, startSample);
        const bool highPass = channel < DcFilterChannels;
        const bool boost = boostedWaveform && channel < 2;

        for (int i = 0; i < numSamples; ++i)
        {
            const double x = samples[i];
            const double h = highPass ? DcFilter.processSample (channel, x) : x;

            if (boost)
            {
                const float y = PeakFilters[(size_t) channel].processSample ((float) h);
                const float d = (float) (y - h) * 0.3f;
                const float s = std::sin (juce::jlimit (-HalfPi, HalfPi, d));
                samples[i] = (float) ((h + s) * NextVolumeGain());
            }
            else
            {
                samples[i] = (float) (h * NextVolumeGain());
            }
        }
    }
}

//==============================================================================
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new GorlanAudioProcessor();
}
