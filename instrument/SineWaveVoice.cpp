#include "SineWaveVoice.h"

#include <algorithm>
#include <cmath>
#include <cstring>

std::atomic<double> StaticValues::ModwheelFactor { 0.0 };
std::atomic<double> StaticValues::ModwheelSpeedAdd { 0.0 };

namespace juce
{

namespace
{
constexpr float Off = SineWaveVoice::OscillatorOff;

// Semitone offsets of the four oscillators for each chord row.
constexpr float ChordOffsets[SineWaveVoice::NumChordRows][SineWaveVoice::NumOscillators] = {
    { 0, Off, Off, Off },                 // Mono
    { 0, Off, Off, Off },                 // Poly
    { 0, 4, 7, Off },                     // Major4-7
    { 0, 3, 7, Off },                     // Minor3-7
    { 0, 4, 8, Off },                     // Minor4-8
    { 0, 3, 8, Off },                     // Major3-8
    { 0, 5, 8, Off },                     // Minor5-8
    { 0, 5, 9, 0 },                       // Major5-9
    { 0, 5, 10, 1 },                      // Min 5-10
    { 0, 4, 7, 11 },                      // Ma4-7-11
    { 0, 3, 7, 10 },                      // Mi3-7-10
    { 0, 3, 7, 9 },                       // Min3-7-9
    { -0.1f, 0, 0.1f, 12.05f },           // Fat Moog
    { -0.1f, 0, 7.04f, 0.1f },            // Moog 5th
    { -0.11f, -0.05f, 0.05f, 0.11f },     // Guru Ps1
    { -0.33f, -0.15f, 0.15f, 0.33f },     // Guru Ps2
    { 0.1f, 0.1f, 12.02f, 16.07f },       // VengBoyz
    { 0, 0, Off, Off },
    { 0, 0, Off, Off },
    { 0, 0, Off, Off },
};

constexpr float TwoPiSingle = 6.2831855f;
constexpr double TwoPiAsSingle = 6.2831854820251465;

float SawOne (float p, float b) noexcept
{
    if (b > 1.0f)
    {
        const float steepness = b - 1.0f;
        const auto centred = static_cast<float> (static_cast<double> (p - 0.5f) * MathConstants<double>::pi);
        const float angle = jlimit (-1.5707964f, 1.5707964f, steepness * centred);
        return 0.667f * std::sin (angle) / std::min (steepness, 1.0f);
    }

    const float ramp = p / (0.6666667f * b + 0.3333333f);
    return 2.0f * (ramp - std::floor (ramp)) - 1.0f;
}

float SawTwo (float p, float d, float e) noexcept
{
    const float twoE = 2.0f * e;
    const float boost = 1.0f + 3.0f * (twoE * twoE) * (twoE * twoE);
    return boost * jlimit (-0.5f, 0.5f, 8.01f * (p - d));
}

float Square (float p, float d) noexcept
{
    return p < d ? d - 1.0f : d;
}

float Triangle (float p, float d) noexcept
{
    const float rise = 3.0f * p;
    const float t = rise <= 3.0f * d ? rise : 6.0f * d - rise;
    return t < 0.0f ? -0.75f : std::min (t, 1.5f) - 0.75f;
}

float SelfModulatedSine (double phase, float modulator, float e) noexcept
{
    const float offset = e * modulator * TwoPiSingle;
    return std::sin (static_cast<float> (phase + static_cast<double> (offset)));
}

float RoundedSquare (double phase) noexcept
{
    const float u = 10.0f * std::sin (static_cast<float> (phase));
    return std::atan (u * std::abs (u));
}
} // namespace

SineWaveVoice::SineWaveVoice()
{
    std::memcpy (ChordTable, ChordOffsets, sizeof (ChordTable));

    // Room for the filter state of buffers up to ReservedChannels wide now, so that preparing it
    // on the first rendered block need not allocate on the audio thread.
    Filter.prepare ({ NoteSampleRate, 1, ReservedChannels });
}

void SineWaveVoice::SeedRandom (int64 seed)
{
    PhaseRandom.setSeed (seed);
}

bool SineWaveVoice::canPlaySound (SynthesiserSound* sound)
{
    return dynamic_cast<SineWaveSound*> (sound) != nullptr;
}

void SineWaveVoice::startNote (int midiNoteNumber, float velocity, SynthesiserSound*, int currentPitchWheelPosition)
{
    if (Parameters == nullptr)
    {
        // Nothing to play with: stay free instead of holding the note forever.
        clearCurrentNote();
        return;
    }

    NoteActive = true;
    Parameters->PulseWidth.Current = Parameters->PulseWidth.Target;
    Parameters->SawShape.Current = Parameters->SawShape.Target;
    NoteSampleRate = getSampleRate();

    StartEnvelopes (velocity, static_cast<float> (NoteSampleRate));
    SetOscillatorPitches (midiNoteNumber, NoteSampleRate);

    for (auto& phase : Phase)
        phase = MathConstants<double>::pi * static_cast<double> (PhaseRandom.nextFloat());

    VibratoPhase = 0;
    pitchWheelMoved (currentPitchWheelPosition);
}

void SineWaveVoice::StartEnvelopes (float velocity, float sampleRate) noexcept
{
    const float ampPeak = 0.5f * velocity + 0.5f;
    AmpEnvelope.Active = true;
    AmpEnvelope.Gate = true;
    AmpEnvelope.Stage = 0;
    AmpEnvelope.Level = 0;
    AmpEnvelope.Targets[0] = ampPeak;
    AmpEnvelope.Targets[1] = 0;
    AmpEnvelope.AttackStep = ampPeak / 0.003f / sampleRate;
    AmpEnvelope.DecayFactors[0] = 1.0f - (1.0f / Parameters->Length) / sampleRate;
    AmpEnvelope.DecayFactors[1] = 1.0f - 33.333336f / sampleRate;

    const float filterPeak = std::max (velocity - 0.1f * Parameters->DecayNormalised, 0.0f);
    const float filterDecay = 1.0f - (1.0f / Parameters->Decay) / sampleRate;
    FilterEnvelope.Active = true;
    FilterEnvelope.Gate = true;
    FilterEnvelope.Stage = 0;
    FilterEnvelope.Level = 0;
    FilterEnvelope.Targets[0] = filterPeak;
    FilterEnvelope.Targets[1] = 0.5f * velocity * filterPeak;
    FilterEnvelope.AttackStep = filterPeak / 0.007f / sampleRate;
    FilterEnvelope.DecayFactors[0] = filterDecay;
    FilterEnvelope.DecayFactors[1] = filterDecay;
}

void SineWaveVoice::SetOscillatorPitches (int midiNoteNumber, double sampleRate) noexcept
{
    // A row outside the table would read past it.
    const auto& offsets = ChordTable[jlimit (0, NumChordRows - 1, static_cast<int> (Parameters->Chord))];

    for (int i = 0; i < NumOscillators; ++i)
    {
        if (offsets[i] > -99.0f)
        {
            float semitones = static_cast<float> (midiNoteNumber) + offsets[i];
            semitones += Parameters->Tuning;
            semitones -= 69.0f;
            semitones /= 12.0f;
            const float hertz = 440.0f * std::exp2 (semitones);
            PhaseIncrement[i] = static_cast<double> (hertz) / sampleRate * 2.0 * MathConstants<double>::pi;
        }
        else
        {
            PhaseIncrement[i] = 0;
        }
    }
}

void SineWaveVoice::stopNote (float, bool allowTailOff)
{
    for (auto* envelope : { &AmpEnvelope, &FilterEnvelope })
    {
        envelope->Gate = false;
        envelope->Targets[0] = 0;
        envelope->Targets[1] = 0;
    }

    if (allowTailOff)
        return;

    if (NoteActive)
        FreeVoice();
}

void SineWaveVoice::pitchWheelMoved (int newPitchWheelValue)
{
    const ScopedLock scopedLock (Lock);
    PitchBend = std::pow (2.0, ((newPitchWheelValue - 8192) / 4096.0) / 12.0);
}

void SineWaveVoice::controllerMoved (int controllerNumber, int newControllerValue)
{
    if (controllerNumber != 1)
        return;

    const ScopedLock scopedLock (Lock);
    const double x = newControllerValue / 127.0;
    StaticValues::ModwheelFactor.store (0.4 * x, std::memory_order_relaxed);
    StaticValues::ModwheelSpeedAdd.store ((30.0 * x * x + 0.5) * 0.3 / NoteSampleRate, std::memory_order_relaxed);
}

float SineWaveVoice::EvaluateWaveform (int waveform, double phase, float d, float b) noexcept
{
    const auto cycles = static_cast<float> (phase / TwoPiAsSingle);
    const float p = cycles - std::floor (cycles);
    const float e = d - 0.5f;

    switch (waveform)
    {
        case 0:  return SawOne (p, b);
        case 1:  return SawTwo (p, d, e);
        case 2:  return Square (p, d);
        case 3:  return Triangle (p, d);
        case 4:  return SelfModulatedSine (phase, std::sin (static_cast<float> (phase)), e);
        case 5:  return SelfModulatedSine (phase, std::cos (static_cast<float> (2.0 * phase)), e);
        default: return RoundedSquare (phase);
    }
}

void SineWaveVoice::PrepareFilterFor (float sampleRate, int numChannels)
{
    // Keep the channel count of the first preparation: a later one then reuses the state's storage.
    if (FilterChannels == 0)
        FilterChannels = static_cast<uint32> (std::max (numChannels, 1));

    FilterPrepared = true;
    Filter.setType (dsp::StateVariableTPTFilterType::lowpass);
    Filter.prepare ({ static_cast<double> (sampleRate), 1, FilterChannels });
    FilterSampleRate = static_cast<double> (sampleRate);
}

void SineWaveVoice::renderNextBlock (AudioBuffer<float>& outputBuffer, int startSample, int numSamples)
{
    if (! NoteActive || Parameters == nullptr)
        return;

    const auto sampleRate = static_cast<float> (getSampleRate());

    // A filter left at an older, higher rate would see cutoffs at or above its Nyquist frequency.
    if (! FilterPrepared || ! exactlyEqual (FilterSampleRate, static_cast<double> (sampleRate)))
        PrepareFilterFor (sampleRate, outputBuffer.getNumChannels());

    Filter.setResonance (Parameters->Resonance);

    const int waveform = Parameters->Waveform;
    const float chordGain = (Parameters->Chord == 0 || Parameters->Chord == 1) ? 1.0f : 0.5f;
    const float cutoffCeiling = 0.49f * sampleRate;
    const double modDepth = StaticValues::ModwheelFactor.load (std::memory_order_relaxed);
    const double vibratoAdvance = StaticValues::ModwheelSpeedAdd.load (std::memory_order_relaxed);
    const int numChannels = outputBuffer.getNumChannels();
    float* const* channels = outputBuffer.getArrayOfWritePointers();

    for (int n = startSample; n < startSample + numSamples; ++n)
    {
        VibratoPhase += vibratoAdvance;
        const float pulseWidth = Parameters->PulseWidth.Advance();
        const float sawShape = Parameters->SawShape.Advance();
        const double vibrato = modDepth * std::abs (VibratoPhase - std::floor (VibratoPhase + 0.5));
        const auto shape = static_cast<float> (vibrato + static_cast<double> (pulseWidth));
        const double pitchFactor = waveform == 0 ? 1.0 + 0.1 * vibrato : 1.0;

        float sum = 0;
        for (int i = 0; i < NumOscillators; ++i)
        {
            if (PhaseIncrement[i] == 0.0)
                continue;
            sum += EvaluateWaveform (waveform, Phase[i], shape, sawShape);
            Phase[i] += PhaseIncrement[i] * PitchBend * pitchFactor;
        }

        const float filterLevel = FilterEnvelope.Advance();
        float cutoff = std::exp ((Parameters->Cutoff + Parameters->EnvelopeDepth * filterLevel) * 6.907755f + 2.9957323f);
        if (! (cutoff < cutoffCeiling))
            cutoff = cutoffCeiling;
        Filter.setCutoffFrequency (cutoff);

        const float filtered = Filter.processSample (0, chordGain * sum);
        const float output = filtered * AmpEnvelope.Advance();

        for (int channel = 0; channel < numChannels; ++channel)
            channels[channel][n] += output;
    }

    if (! AmpEnvelope.Active && NoteActive)
        FreeVoice();
}

void SineWaveVoice::FreeVoice() noexcept
{
    NoteActive = false;
    clearCurrentNote();
}

//==============================================================================
SynthAudioSource::SynthAudioSource (MidiKeyboardState& keyboardState)
    : KeyboardState (keyboardState)
{
}

void SynthAudioSource::prepareToPlay (int, double sampleRate)
{
    Synth.setCurrentPlaybackSampleRate (sampleRate);
}

void SynthAudioSource::releaseResources()
{
}

void SynthAudioSource::getNextAudioBlock (const AudioSourceChannelInfo& bufferToFill)
{
    bufferToFill.clearActiveBufferRegion();
    KeyboardState.processNextMidiBuffer (MidiEvents, bufferToFill.startSample, bufferToFill.numSamples, true);
    Synth.renderNextBlock (*bufferToFill.buffer, MidiEvents, bufferToFill.startSample, bufferToFill.numSamples);
}

} // namespace juce
