#pragma once

#include <atomic>
#include <cstdint>

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

#include "VoiceParameters.h"

// Modulation-wheel values shared by every voice of every instance in the process.
// Instances may render on different threads, so they are atomics, used with relaxed ordering.
struct StaticValues
{
    static std::atomic<double> ModwheelFactor;
    static std::atomic<double> ModwheelSpeedAdd;
};

namespace juce
{

// Attack to Targets[0], then exponential decay; Targets[1] is a floor while it is non-zero.
struct VoiceEnvelope
{
    bool Active = false;
    bool Gate = false;
    uint8 Stage = 0;
    float Level = 0;
    float Targets[2] = { 0, 0 };
    float AttackStep = 0.1f;
    float DecayFactors[2] = { 0.99f, 0.99f };

    float Advance() noexcept
    {
        if (Level < Targets[Stage])
        {
            Level += AttackStep;
            if (Level >= Targets[Stage])
            {
                Level = Targets[Stage];
                Stage = 1;
            }
        }
        else
        {
            Level *= DecayFactors[Gate ? 0 : 1];
            if (Level <= 0.0001f)
                Active = false;
        }
        return Level;
    }
};

class SineWaveSound : public SynthesiserSound
{
public:
    bool appliesToNote (int) override    { return true; }
    bool appliesToChannel (int) override { return true; }
};

class SineWaveVoice : public SynthesiserVoice
{
public:
    static constexpr int NumOscillators = 4;
    static constexpr int NumChordRows = 20;
    static constexpr float OscillatorOff = -100.0f;
    static constexpr uint32 ReservedChannels = 8;

    SineWaveVoice();

    VoiceParameters* Parameters = nullptr;

    void SeedRandom (int64 seed);

    bool canPlaySound (SynthesiserSound*) override;
    void startNote (int midiNoteNumber, float velocity, SynthesiserSound*, int currentPitchWheelPosition) override;
    void stopNote (float velocity, bool allowTailOff) override;
    void pitchWheelMoved (int newPitchWheelValue) override;
    void controllerMoved (int controllerNumber, int newControllerValue) override;
    void renderNextBlock (AudioBuffer<float>& outputBuffer, int startSample, int numSamples) override;
    using SynthesiserVoice::renderNextBlock;

    // One oscillator's value. d is the shape value, b the saw shape; waveforms outside 0 ... 5 fall back.
    static float EvaluateWaveform (int waveform, double phase, float d, float b) noexcept;

    bool IsNoteActive() const noexcept                      { return NoteActive; }
    const VoiceEnvelope& GetAmpEnvelope() const noexcept    { return AmpEnvelope; }
    const VoiceEnvelope& GetFilterEnvelope() const noexcept { return FilterEnvelope; }
    double GetPitchBend() const noexcept                    { return PitchBend; }
    double GetPhase (int oscillator) const noexcept         { return Phase[oscillator]; }
    double GetPhaseIncrement (int oscillator) const noexcept { return PhaseIncrement[oscillator]; }
    double GetVibratoPhase() const noexcept                 { return VibratoPhase; }
    double GetNoteSampleRate() const noexcept               { return NoteSampleRate; }
    bool IsFilterPrepared() const noexcept                  { return FilterPrepared; }
    double GetFilterSampleRate() const noexcept             { return FilterSampleRate; }
    float GetFilterCutoff() const noexcept                  { return Filter.getCutoffFrequency(); }
    float GetFilterResonance() const noexcept               { return Filter.getResonance(); }

private:
    void StartEnvelopes (float velocity, float sampleRate) noexcept;
    void SetOscillatorPitches (int midiNoteNumber, double sampleRate) noexcept;
    void PrepareFilterFor (float sampleRate, int numChannels);
    void FreeVoice() noexcept;

    CriticalSection Lock;
    bool FilterPrepared = false;
    double NoteSampleRate = 96000.0;
    double Phase[NumOscillators] = {};
    double PhaseIncrement[NumOscillators] = {};
    double PitchBend = 1.0;
    double VibratoPhase = 0;
    Random PhaseRandom;
    float ChordTable[NumChordRows][NumOscillators];
    VoiceEnvelope AmpEnvelope;
    VoiceEnvelope FilterEnvelope;
    bool NoteActive = false;
    dsp::StateVariableTPTFilter<float> Filter;
    double FilterSampleRate = 0;
    uint32 FilterChannels = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SineWaveVoice)
};

class SynthAudioSource : public AudioSource
{
public:
    explicit SynthAudioSource (MidiKeyboardState& keyboardState);

    MidiBuffer MidiEvents;
    MidiKeyboardState& KeyboardState;
    Synthesiser Synth;

    void prepareToPlay (int samplesPerBlockExpected, double sampleRate) override;
    void releaseResources() override;
    void getNextAudioBlock (const AudioSourceChannelInfo& bufferToFill) override;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SynthAudioSource)
};

} // namespace juce
