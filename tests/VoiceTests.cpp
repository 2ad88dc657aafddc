#include <gtest/gtest.h>

#include <array>
#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <vector>

#include "AllocationCounter.h"
#include "SineWaveVoice.h"

namespace
{
constexpr double HostRate = 48000.0;
constexpr double OversampledRate = 8.0 * HostRate;
constexpr int NumVoices = 8;
constexpr double Pi = juce::MathConstants<double>::pi;

void ResetModwheel()
{
    StaticValues::ModwheelFactor.store (0.0);
    StaticValues::ModwheelSpeedAdd.store (0.0);
}

// Eight voices sharing one record behind a real synthesiser, driven the way the processor drives it.
class VoiceRig
{
public:
    explicit VoiceRig (double sampleRate = OversampledRate, int numChannels = 2)
        : NumChannels (numChannels)
    {
        ResetModwheel();
        SetNeutralSound();

        for (int i = 0; i < NumVoices; ++i)
        {
            auto* voice = new juce::SineWaveVoice();
            voice->Parameters = &Params;
            voice->SeedRandom (1000 + i);
            Voices[(size_t) i] = voice;
            Source.Synth.addVoice (voice);
        }

        Source.Synth.addSound (new juce::SineWaveSound());
        // As in the instrument: JUCE's voice stealing reallocates its candidate list on every steal.
        Source.Synth.setNoteStealingEnabled (false);
        SetRate (sampleRate);
    }

    ~VoiceRig() { ResetModwheel(); }

    void SetRate (double sampleRate)
    {
        Rate = sampleRate;
        Source.prepareToPlay (512, sampleRate);
        const auto rate = static_cast<float> (sampleRate);
        Params.PulseWidth.Step = 4.0f / rate;
        Params.SawShape.Step = 40.0f / rate;
    }

    void NoteOn (int note, int velocity = 127)  { Pending.addEvent (juce::MidiMessage::noteOn (1, note, (juce::uint8) velocity), 0); }
    void NoteOff (int note)                     { Pending.addEvent (juce::MidiMessage::noteOff (1, note), 0); }
    void PitchWheel (int position)              { Pending.addEvent (juce::MidiMessage::pitchWheel (1, position), 0); }
    void Controller (int number, int value)     { Pending.addEvent (juce::MidiMessage::controllerEvent (1, number, value), 0); }

    // Hands the queued events to the source and renders the whole buffer; allocates nothing itself.
    void RenderInto (juce::AudioBuffer<float>& buffer)
    {
        const juce::ScopedNoDenormals noDenormals;
        Source.MidiEvents.swapWith (Pending);
        Source.getNextAudioBlock (juce::AudioSourceChannelInfo (buffer));
        Source.MidiEvents.clear();
    }

    // Channel 0 of numSamples rendered samples (0 just delivers the queued events).
    std::vector<float> Render (int numSamples)
    {
        juce::AudioBuffer<float> buffer (NumChannels, numSamples);
        RenderInto (buffer);
        return numSamples > 0 ? std::vector<float> (buffer.getReadPointer (0), buffer.getReadPointer (0) + numSamples)
                              : std::vector<float>();
    }

    juce::SineWaveVoice& Voice (int index = 0) { return *Voices[(size_t) index]; }

    int CountActiveVoices() const
    {
        int count = 0;
        for (auto* voice : Voices)
            count += voice->isVoiceActive() ? 1 : 0;
        return count;
    }

    int Samples (double seconds) const { return static_cast<int> (std::lround (seconds * Rate)); }

    VoiceParameters Params;
    juce::MidiKeyboardState Keyboard;
    juce::SynthAudioSource Source { Keyboard };
    double Rate = OversampledRate;

private:
    // An open filter, a pure sine (Sine1 at a centred pulse width) and a slow amplitude decay.
    void SetNeutralSound()
    {
        Params.Cutoff = 1.0f;
        Params.Resonance = 0.70710678f;
        Params.Decay = 0.3f;
        Params.Length = 5.0f;
        Params.EnvelopeDepth = 0.0f;
        Params.DecayNormalised = 0.0f;
        Params.Chord = 1;
        Params.Waveform = 4;
        Params.PulseWidth.Target = Params.PulseWidth.Current = 0.5f;
        Params.SawShape.Target = Params.SawShape.Current = 1.0f;
        Params.Tuning = 0.0f;
    }

    int NumChannels;
    std::array<juce::SineWaveVoice*, NumVoices> Voices {};
    juce::MidiBuffer Pending;
};

// Frequency from the rising zero crossings, each placed by linear interpolation.
double MeasureFrequency (const std::vector<float>& samples, double sampleRate)
{
    double first = -1, last = -1;
    int crossings = 0;

    for (size_t i = 1; i < samples.size(); ++i)
    {
        if (samples[i - 1] < 0.0f && samples[i] >= 0.0f)
        {
            const double position = double (i - 1) + samples[i - 1] / double (samples[i - 1] - samples[i]);
            if (crossings == 0)
                first = position;
            last = position;
            ++crossings;
        }
    }

    return crossings < 2 ? 0.0 : (crossings - 1) * sampleRate / (last - first);
}

float PeakOf (const std::vector<float>& samples, size_t from = 0)
{
    float peak = 0;
    for (size_t i = from; i < samples.size(); ++i)
        peak = std::max (peak, std::abs (samples[i]));
    return peak;
}

double Rms (const std::vector<float>& samples, size_t from = 0)
{
    double sum = 0;
    for (size_t i = from; i < samples.size(); ++i)
        sum += double (samples[i]) * samples[i];
    return std::sqrt (sum / double (samples.size() - from));
}

double NoteHz (double note, double tuning = 0) { return 440.0 * std::pow (2.0, (note + tuning - 69.0) / 12.0); }
double WheelRatio (int position)               { return std::pow (2.0, (position - 8192) / 4096.0 / 12.0); }
double CutoffHz (double normalised)            { return 20.0 * std::pow (1000.0, normalised); }

//==============================================================================
struct PitchCase { int Note; float Tuning; int Wheel; };

void PrintTo (const PitchCase& c, std::ostream* os)
{
    *os << "note " << c.Note << ", tuning " << c.Tuning << ", wheel " << c.Wheel;
}

class VoicePitch : public testing::TestWithParam<PitchCase> {};

TEST_P (VoicePitch, FundamentalFollowsNoteTuningAndWheel)
{
    const auto c = GetParam();
    VoiceRig rig;
    rig.Params.Tuning = c.Tuning;
    rig.PitchWheel (c.Wheel);
    rig.NoteOn (c.Note);
    auto out = rig.Render (rig.Samples (0.5));
    out.erase (out.begin(), out.begin() + rig.Samples (0.02));

    const double expected = NoteHz (c.Note, c.Tuning) * WheelRatio (c.Wheel);
    EXPECT_NEAR (MeasureFrequency (out, rig.Rate), expected, expected * 1e-4);
}

INSTANTIATE_TEST_SUITE_P (Notes, VoicePitch, testing::Values (
    PitchCase { 69, 0.0f, 8192 },
    PitchCase { 57, 0.0f, 8192 },
    PitchCase { 33, 0.0f, 8192 },
    PitchCase { 96, 0.0f, 8192 },
    PitchCase { 60, 0.5f, 8192 },
    PitchCase { 69, -0.5f, 8192 },
    PitchCase { 69, 0.0f, 0 },
    PitchCase { 69, 0.0f, 16383 },
    PitchCase { 81, 0.25f, 12288 }));

TEST (VoicePitchWheel, MovingTheWheelRetunesASoundingNote)
{
    VoiceRig rig;
    rig.NoteOn (69);
    rig.Render (rig.Samples (0.05));
    rig.PitchWheel (16383);
    auto out = rig.Render (rig.Samples (0.4));
    out.erase (out.begin(), out.begin() + rig.Samples (0.01));

    const double expected = 440.0 * WheelRatio (16383);
    EXPECT_NEAR (MeasureFrequency (out, rig.Rate), expected, expected * 1e-4);
}

TEST (VoicePitchWheel, BendFollowsTheFourteenBitPosition)
{
    VoiceRig rig;
    rig.NoteOn (60);
    rig.Render (16);

    for (int position : { 0, 4096, 8192, 12288, 16383 })
    {
        rig.PitchWheel (position);
        rig.Render (16);
        EXPECT_DOUBLE_EQ (rig.Voice().GetPitchBend(), WheelRatio (position)) << position;
    }

    EXPECT_NEAR (WheelRatio (0), 0.8909, 1e-4);
    EXPECT_NEAR (WheelRatio (16383), 1.1224, 1e-4);
    EXPECT_EQ (WheelRatio (8192), 1.0);
}

//==============================================================================
// Semitone offsets of the four oscillators per chord row; NaN marks an oscillator that stays off.
constexpr float X = std::numeric_limits<float>::quiet_NaN();
const float ExpectedChords[20][4] = {
    { 0, X, X, X }, { 0, X, X, X }, { 0, 4, 7, X }, { 0, 3, 7, X }, { 0, 4, 8, X },
    { 0, 3, 8, X }, { 0, 5, 8, X }, { 0, 5, 9, 0 }, { 0, 5, 10, 1 }, { 0, 4, 7, 11 },
    { 0, 3, 7, 10 }, { 0, 3, 7, 9 }, { -0.1f, 0, 0.1f, 12.05f }, { -0.1f, 0, 7.04f, 0.1f },
    { -0.11f, -0.05f, 0.05f, 0.11f }, { -0.33f, -0.15f, 0.15f, 0.33f }, { 0.1f, 0.1f, 12.02f, 16.07f },
    { 0, 0, X, X }, { 0, 0, X, X }, { 0, 0, X, X },
};

TEST (VoiceChord, EachRowStartsItsOscillatorsAtItsIntervals)
{
    constexpr int note = 60;

    for (int row = 0; row < 20; ++row)
    {
        VoiceRig rig;
        rig.Params.Chord = row;
        rig.NoteOn (note);
        rig.Render (0);
        auto& voice = rig.Voice();

        for (int i = 0; i < 4; ++i)
        {
            const float offset = ExpectedChords[row][i];
            const double increment = voice.GetPhaseIncrement (i);

            if (std::isnan (offset))
                EXPECT_EQ (increment, 0.0) << "row " << row << " oscillator " << i;
            else
                EXPECT_NEAR (increment * rig.Rate / (2.0 * Pi), NoteHz (note + offset), NoteHz (note + offset) * 1e-6)
                    << "row " << row << " oscillator " << i;
        }
    }
}

TEST (VoiceChord, UnisonRowsStartTheirTwoOscillatorsAtIndependentPhases)
{
    for (int row : { 17, 18, 19 })
    {
        VoiceRig rig;
        rig.Params.Chord = row;
        rig.NoteOn (60);
        rig.Render (0);

        const double first = rig.Voice().GetPhase (0), second = rig.Voice().GetPhase (1);
        EXPECT_NE (first, second) << row;
        for (double phase : { first, second })
        {
            EXPECT_GE (phase, 0.0);
            EXPECT_LT (phase, Pi);
        }
    }
}

TEST (VoiceChord, StartPhasesDifferBetweenVoicesAndRepeatWithTheSameSeed)
{
    VoiceRig a, b;
    for (auto* rig : { &a, &b })
    {
        rig->NoteOn (60);
        rig->NoteOn (64);
        rig->Render (0);
    }

    EXPECT_NE (a.Voice (0).GetPhase (0), a.Voice (1).GetPhase (0));
    EXPECT_EQ (a.Voice (0).GetPhase (0), b.Voice (0).GetPhase (0));
    EXPECT_EQ (a.Voice (1).GetPhase (0), b.Voice (1).GetPhase (0));
}

TEST (VoiceChord, EveryNoteDrawsFourStartPhasesWhateverTheRow)
{
    VoiceRig single, full;
    single.Params.Chord = 0;
    full.Params.Chord = 9;
    for (auto* rig : { &single, &full })
    {
        rig->NoteOn (60);
        rig->Render (0);
        rig->Source.Synth.allNotesOff (0, false);
        rig->NoteOn (60);
        rig->Render (0);
    }

    EXPECT_EQ (single.Voice().GetPhase (0), full.Voice().GetPhase (0));
}

TEST (VoiceChord, UnseededVoicesDrawDifferentStartPhases)
{
    VoiceParameters params;
    juce::SineWaveVoice first, second;
    for (auto* voice : { &first, &second })
    {
        voice->Parameters = &params;
        voice->setCurrentPlaybackSampleRate (OversampledRate);
        voice->startNote (60, 1.0f, nullptr, 8192);
    }

    EXPECT_NE (first.GetPhase (0), second.GetPhase (0));
}

TEST (VoiceChord, ChordRowsAboveOneHalveTheSumFromTheNextBlockWithoutChangingOscillators)
{
    VoiceRig steady, switched;
    for (auto* rig : { &steady, &switched })
    {
        rig->NoteOn (69);
        rig->Render (4096);
    }

    switched.Params.Chord = 9;
    const auto full = steady.Render (4096);
    const auto halved = switched.Render (4096);

    EXPECT_EQ (switched.Voice().GetPhaseIncrement (1), 0.0);
    EXPECT_NEAR (Rms (halved, 1024) / Rms (full, 1024), 0.5, 1e-3);
}

//==============================================================================
TEST (VoiceAmpEnvelope, AttackRisesLinearlyToItsVelocityPeakInThreeMilliseconds)
{
    for (int velocity : { 127, 64, 1 })
    {
        VoiceRig rig;
        rig.NoteOn (60, velocity);
        rig.Render (0);
        const float peak = 0.5f * (float (velocity) / 127.0f) + 0.5f;
        const int attackSamples = rig.Samples (0.003);

        int samplesToPeak = 0;
        while (rig.Voice().GetAmpEnvelope().Stage == 0 && samplesToPeak < 2 * attackSamples)
        {
            rig.Render (1);
            ++samplesToPeak;
            if (samplesToPeak == attackSamples / 2)
            {
                EXPECT_NEAR (rig.Voice().GetAmpEnvelope().Level, peak / 2, peak * 1e-3) << velocity;
            }
        }

        EXPECT_NEAR (samplesToPeak, attackSamples, 1) << velocity;
        EXPECT_FLOAT_EQ (rig.Voice().GetAmpEnvelope().Level, peak) << velocity;
    }
}

TEST (VoiceAmpEnvelope, OutputPeaksAtHalfVelocityPlusHalf)
{
    for (int velocity : { 127, 1 })
    {
        VoiceRig rig;
        rig.NoteOn (69, velocity);
        const auto out = rig.Render (rig.Samples (0.003 + 2.0 / 440.0));

        const float expected = 0.5f * (float (velocity) / 127.0f) + 0.5f;
        EXPECT_NEAR (PeakOf (out, (size_t) rig.Samples (0.003)), expected, expected * 0.01) << velocity;
    }
}

TEST (VoiceAmpEnvelope, HeldNoteDecaysWithTimeConstantLength)
{
    for (float length : { 0.1f, 0.5f })
    {
        VoiceRig rig;
        rig.Params.Length = length;
        rig.NoteOn (60);
        rig.Render (rig.Samples (0.003) + 1);
        const float start = rig.Voice().GetAmpEnvelope().Level;

        rig.Render (rig.Samples (length));
        EXPECT_NEAR (rig.Voice().GetAmpEnvelope().Level / start, std::exp (-1.0), 0.01) << length;
        EXPECT_TRUE (rig.Voice().GetAmpEnvelope().Gate);
    }
}

TEST (VoiceAmpEnvelope, ReleaseFallsWithThirtyMillisecondTimeConstant)
{
    VoiceRig rig;
    rig.NoteOn (60);
    rig.Render (rig.Samples (0.01));
    rig.NoteOff (60);
    rig.Render (0);
    const float atRelease = rig.Voice().GetAmpEnvelope().Level;

    rig.Render (rig.Samples (0.03));
    EXPECT_NEAR (rig.Voice().GetAmpEnvelope().Level / atRelease, std::exp (-1.0), 0.005);
    EXPECT_FALSE (rig.Voice().GetAmpEnvelope().Gate);
}

TEST (VoiceAmpEnvelope, NoteOffDuringAttackFallsFromWhereItIs)
{
    VoiceRig rig;
    rig.NoteOn (60);
    rig.Render (300);
    const float reached = rig.Voice().GetAmpEnvelope().Level;
    ASSERT_LT (reached, 0.5f);

    rig.NoteOff (60);
    rig.Render (1);
    const float next = rig.Voice().GetAmpEnvelope().Level;
    EXPECT_NEAR (next / reached, 1.0 - (1.0 / 0.03) / rig.Rate, 1e-6);
}

TEST (VoiceAmpEnvelope, VoiceFreesItselfAtOneTenThousandthWhileTheKeyIsHeld)
{
    VoiceRig rig;
    rig.Params.Length = 0.03f;
    rig.NoteOn (60);
    rig.Render (0);

    int rendered = 0;
    float previousLevel = 0;
    while (rig.Voice().isVoiceActive() && rendered < rig.Samples (1.0))
    {
        previousLevel = rig.Voice().GetAmpEnvelope().Level;
        rig.Render (1);
        ++rendered;
    }

    EXPECT_FALSE (rig.Voice().isVoiceActive());
    EXPECT_FALSE (rig.Voice().IsNoteActive());
    EXPECT_GT (previousLevel, 0.0001f);
    EXPECT_LE (rig.Voice().GetAmpEnvelope().Level, 0.0001f);
    EXPECT_NEAR (rendered / rig.Rate, 0.003 + 0.03 * std::log (1.0 / 0.0001), 0.003);
    EXPECT_TRUE (rig.Keyboard.isNoteOn (1, 60));

    // The later note-off finds no voice, and the freed voice adds nothing any more.
    rig.NoteOff (60);
    const auto after = rig.Render (256);
    EXPECT_EQ (PeakOf (after), 0.0f);
    EXPECT_EQ (rig.CountActiveVoices(), 0);
}

TEST (VoiceAmpEnvelope, ReleasedVoiceFreesItselfAndCanPlayAgain)
{
    VoiceRig rig;
    rig.NoteOn (60);
    rig.Render (rig.Samples (0.01));
    rig.NoteOff (60);
    rig.Render (rig.Samples (0.4));
    EXPECT_EQ (rig.CountActiveVoices(), 0);

    rig.NoteOn (62);
    rig.Render (64);
    EXPECT_EQ (rig.Voice().getCurrentlyPlayingNote(), 62);
    EXPECT_TRUE (rig.Voice().GetAmpEnvelope().Active);
}

//==============================================================================
TEST (VoiceFilterEnvelope, PeaksAtVelocityLessDecayAndHoldsHalfVelocityTimesPeak)
{
    struct Case { int Velocity; float DecayNormalised; };
    for (auto c : { Case { 127, 0.0f }, Case { 127, 0.5f }, Case { 64, 1.0f } })
    {
        VoiceRig rig;
        rig.Params.Decay = 0.03f;
        rig.Params.DecayNormalised = c.DecayNormalised;
        rig.NoteOn (60, c.Velocity);
        rig.Render (0);

        const float velocity = float (c.Velocity) / 127.0f;
        const float peak = velocity - 0.1f * c.DecayNormalised;
        const float floor = 0.5f * velocity * peak;

        float highest = 0;
        int samplesToPeak = -1;
        for (int n = 1; n <= rig.Samples (0.02); ++n)
        {
            rig.Render (1);
            const float level = rig.Voice().GetFilterEnvelope().Level;
            if (level > highest)
            {
                highest = level;
                samplesToPeak = n;
            }
        }
        EXPECT_FLOAT_EQ (highest, peak) << c.Velocity;
        EXPECT_NEAR (samplesToPeak, rig.Samples (0.007), 1) << c.Velocity;

        rig.Render (rig.Samples (0.3));
        EXPECT_LE (rig.Voice().GetFilterEnvelope().Level, floor);
        EXPECT_NEAR (rig.Voice().GetFilterEnvelope().Level, floor, floor * 1e-3) << c.Velocity;

        // Released, it keeps falling with its decay instead of holding the floor.
        rig.NoteOff (60);
        rig.Render (rig.Samples (0.06));
        EXPECT_NEAR (rig.Voice().GetFilterEnvelope().Level / floor, std::exp (-0.06 / 0.03), 0.01) << c.Velocity;
    }
}

TEST (VoiceFilterEnvelope, QuietNoteWithFullDecayLeavesTheCutoffAtItsBase)
{
    VoiceRig rig;
    rig.Params.DecayNormalised = 1.0f;
    rig.Params.Cutoff = 0.5f;
    rig.Params.EnvelopeDepth = 0.9f;
    rig.NoteOn (60, 12);   // velocity 0.094

    for (int block = 0; block < 20; ++block)
    {
        rig.Render (100);
        EXPECT_EQ (rig.Voice().GetFilterEnvelope().Level, 0.0f);
        EXPECT_NEAR (rig.Voice().GetFilterCutoff(), CutoffHz (0.5), CutoffHz (0.5) * 1e-5);
    }
}

TEST (VoiceFilterEnvelope, CutoffFollowsTheEnvelopeExponentially)
{
    VoiceRig rig;
    rig.Params.Cutoff = 0.3f;
    rig.Params.EnvelopeDepth = 0.4f;
    rig.Params.Decay = 0.05f;
    rig.NoteOn (60);

    for (int samples : { 1000, 1688, 5000, 50000 })
    {
        rig.Render (samples);
        const double expected = CutoffHz (0.3 + 0.4 * rig.Voice().GetFilterEnvelope().Level);
        EXPECT_NEAR (rig.Voice().GetFilterCutoff(), expected, expected * 1e-5) << samples;
    }
}

TEST (VoiceFilter, CutoffIsHeldBelowTheCeiling)
{
    VoiceRig rig;
    rig.Params.EnvelopeDepth = 0.9f;
    rig.NoteOn (60);
    rig.Render (rig.Samples (0.007));

    EXPECT_FLOAT_EQ (rig.Voice().GetFilterCutoff(), 0.49f * static_cast<float> (rig.Rate));
    EXPECT_EQ (rig.Voice().GetFilterSampleRate(), rig.Rate);
}

TEST (VoiceFilter, RatesChangeReprepareTheFilterSoTheCutoffStaysBelowHalfItsRate)
{
    VoiceRig rig (HostRate);
    rig.Params.EnvelopeDepth = 0.9f;
    rig.NoteOn (60);
    rig.Render (rig.Samples (0.007));
    EXPECT_EQ (rig.Voice().GetFilterSampleRate(), HostRate);
    EXPECT_FLOAT_EQ (rig.Voice().GetFilterCutoff(), 0.49f * static_cast<float> (HostRate));

    for (double rate : { OversampledRate, 44100.0 })
    {
        rig.SetRate (rate);
        rig.NoteOn (60);
        rig.Render (rig.Samples (0.007));
        EXPECT_EQ (rig.Voice().GetFilterSampleRate(), rate);
        EXPECT_LT (rig.Voice().GetFilterCutoff(), rate / 2);
        EXPECT_FLOAT_EQ (rig.Voice().GetFilterCutoff(), 0.49f * static_cast<float> (rate));
    }
}

TEST (VoiceFilter, LowCutoffDampsTheNoteAndResonanceReachesTheFilter)
{
    VoiceRig open, closed;
    closed.Params.Cutoff = 0.0f;
    closed.Params.Resonance = 0.6f;
    for (auto* rig : { &open, &closed })
    {
        rig->Params.Waveform = 2;
        rig->NoteOn (81);
    }

    const auto bright = open.Render (open.Samples (0.1));
    const auto dark = closed.Render (closed.Samples (0.1));
    EXPECT_LT (Rms (dark, 4096), 0.05 * Rms (bright, 4096));
    EXPECT_FLOAT_EQ (closed.Voice().GetFilterResonance(), 0.6f);
}

//==============================================================================
struct WaveCase { const char* Name; int Waveform; double Cycles; float D; float B; double Expected; };

void PrintTo (const WaveCase& c, std::ostream* os) { *os << c.Name; }

class VoiceWaveform : public testing::TestWithParam<WaveCase> {};

TEST_P (VoiceWaveform, LawGivesItsValueAtCharacteristicPoints)
{
    const auto c = GetParam();
    const float value = juce::SineWaveVoice::EvaluateWaveform (c.Waveform, c.Cycles * 2.0 * Pi, c.D, c.B);
    EXPECT_NEAR (value, c.Expected, 2e-5) << c.Name;
}

const double Atan100 = std::atan (100.0);

INSTANTIATE_TEST_SUITE_P (Laws, VoiceWaveform, testing::Values (
    WaveCase { "Saw1 plain start", 0, 0.0, 0.5f, 1.0f, -1.0 },
    WaveCase { "Saw1 plain quarter", 0, 0.25, 0.5f, 1.0f, -0.5 },
    WaveCase { "Saw1 plain three quarters", 0, 0.75, 0.5f, 1.0f, 0.5 },
    WaveCase { "Saw1 wraps whole cycles", 0, 3.25, 0.5f, 1.0f, -0.5 },
    WaveCase { "Saw1 early restart mid ramp", 0, 0.5, 0.5f, 0.5f, 0.5 },
    WaveCase { "Saw1 early restart second ramp", 0, 0.8, 0.5f, 0.5f, -0.6 },
    WaveCase { "Saw1 bent three quarters", 0, 0.75, 0.5f, 2.0f, 0.667 * std::sin (Pi / 4) },
    WaveCase { "Saw1 bent start", 0, 0.0, 0.5f, 2.0f, -0.667 },
    WaveCase { "Saw1 gently bent keeps level", 0, 0.0, 0.5f, 1.5f, -0.667 * std::sin (Pi / 4) / 0.5 },
    WaveCase { "Saw1 steep clips", 0, 0.6, 0.5f, 33.0f, 0.667 },
    WaveCase { "Saw1 steep centre", 0, 0.5, 0.5f, 33.0f, 0.0 },
    WaveCase { "Saw2 edge centre", 1, 0.5, 0.5f, 1.0f, 0.0 },
    WaveCase { "Saw2 on the ramp", 1, 0.52, 0.5f, 1.0f, 8.01 * 0.02 },
    WaveCase { "Saw2 high", 1, 0.9, 0.5f, 1.0f, 0.5 },
    WaveCase { "Saw2 low", 1, 0.1, 0.5f, 1.0f, -0.5 },
    WaveCase { "Saw2 narrow boosted", 1, 0.25, 0.0f, 1.0f, 2.0 },
    WaveCase { "Saw2 quarter width", 1, 0.3, 0.25f, 1.0f, 1.1875 * 8.01 * 0.05 },
    WaveCase { "Square low part", 2, 0.2, 0.3f, 1.0f, -0.7 },
    WaveCase { "Square high part", 2, 0.5, 0.3f, 1.0f, 0.3 },
    WaveCase { "Square full duty", 2, 0.99, 1.0f, 1.0f, 0.0 },
    WaveCase { "Square beyond full duty", 2, 0.5, 1.2f, 1.0f, 0.2 },
    WaveCase { "Square empty duty", 2, 0.3, 0.0f, 1.0f, 0.0 },
    WaveCase { "Tri start", 3, 0.0, 0.5f, 1.0f, -0.75 },
    WaveCase { "Tri rising", 3, 0.25, 0.5f, 1.0f, 0.0 },
    WaveCase { "Tri top", 3, 0.5, 0.5f, 1.0f, 0.75 },
    WaveCase { "Tri falling", 3, 0.75, 0.5f, 1.0f, 0.0 },
    WaveCase { "Tri narrow apex", 3, 0.2, 0.2f, 1.0f, -0.15 },
    WaveCase { "Tri narrow floor", 3, 0.6, 0.2f, 1.0f, -0.75 },
    WaveCase { "Tri wide clipped", 3, 0.6, 0.8f, 1.0f, 0.75 },
    WaveCase { "Sine1 pure", 4, 1.0 / 12, 0.5f, 1.0f, 0.5 },
    WaveCase { "Sine1 pure top", 4, 0.25, 0.5f, 1.0f, 1.0 },
    WaveCase { "Sine1 modulated", 4, 1.0 / 12, 0.75f, 1.0f, std::sin (5 * Pi / 12) },
    WaveCase { "Sine1 modulated down", 4, 0.25, 0.25f, 1.0f, 0.0 },
    WaveCase { "Sine2 pure", 5, 1.0 / 12, 0.5f, 1.0f, 0.5 },
    WaveCase { "Sine2 modulated start", 5, 0.0, 0.75f, 1.0f, 1.0 },
    WaveCase { "Sine2 modulated quarter", 5, 0.25, 0.75f, 1.0f, 0.0 },
    WaveCase { "Fallback 6 top", 6, 0.25, 0.5f, 1.0f, Atan100 },
    WaveCase { "Fallback 7 bottom", 7, 0.75, 0.5f, 1.0f, -Atan100 },
    WaveCase { "Fallback 8 shoulder", 8, 1.0 / 12, 0.5f, 1.0f, std::atan (25.0) },
    WaveCase { "Fallback 9 zero", 9, 0.0, 0.5f, 1.0f, 0.0 },
    WaveCase { "Fallback out of range", 42, 0.25, 0.2f, 5.0f, Atan100 },
    WaveCase { "Fallback negative", -1, 0.75, 0.8f, 0.1f, -Atan100 }));

TEST (VoiceWaveformRendering, WaveformIsReadAgainEachBlockForSoundingNotes)
{
    VoiceRig rig;
    rig.NoteOn (69);
    const auto sine = rig.Render (rig.Samples (0.01));
    const float envelope = rig.Voice().GetAmpEnvelope().Level;

    rig.Params.Waveform = 7;
    const auto rounded = rig.Render (rig.Samples (0.005));
    rig.Params.Waveform = 3;
    const auto triangle = rig.Render (rig.Samples (0.005));

    EXPECT_NEAR (PeakOf (sine, (size_t) rig.Samples (0.005)), envelope, 0.01);
    EXPECT_NEAR (PeakOf (rounded, 512) / envelope, Atan100, 0.05);
    EXPECT_NEAR (PeakOf (triangle, 512) / envelope, 0.75, 0.03);
}

TEST (VoiceWaveformRendering, SaturatedSquareIsSilent)
{
    for (float width : { 0.0f, 1.0f })
    {
        VoiceRig rig;
        rig.Params.Waveform = 2;
        rig.Params.PulseWidth.Target = width;
        rig.NoteOn (69);
        EXPECT_EQ (PeakOf (rig.Render (2048)), 0.0f) << width;
    }
}

TEST (VoiceWaveformRendering, EveryChannelGetsTheSameMonoSignalAddedToItsContent)
{
    constexpr int channels = 3, samples = 1024;
    juce::MidiBuffer events;
    events.addEvent (juce::MidiMessage::noteOn (1, 69, (juce::uint8) 127), 0);

    VoiceRig onSilence (OversampledRate, channels), onContent (OversampledRate, channels);
    juce::AudioBuffer<float> silence (channels, samples), content (channels, samples);
    silence.clear();
    for (int ch = 0; ch < channels; ++ch)
        juce::FloatVectorOperations::fill (content.getWritePointer (ch), 0.25f, samples);
    onSilence.Source.Synth.renderNextBlock (silence, events, 0, samples);
    onContent.Source.Synth.renderNextBlock (content, events, 0, samples);

    EXPECT_GT (silence.getMagnitude (0, 0, samples), 0.1f);
    for (int ch = 0; ch < channels; ++ch)
        for (int n = 0; n < samples; ++n)
        {
            ASSERT_EQ (silence.getSample (ch, n), silence.getSample (0, n)) << ch << " " << n;
            ASSERT_FLOAT_EQ (content.getSample (ch, n), silence.getSample (0, n) + 0.25f) << ch << " " << n;
        }
}

//==============================================================================
TEST (VoiceSmoothers, NoteStartJumpsBothShapesToTheirTargets)
{
    VoiceRig rig;
    rig.Params.PulseWidth.Current = 0.2f;
    rig.Params.PulseWidth.Target = 0.8f;
    rig.Params.SawShape.Current = 1.0f;
    rig.Params.SawShape.Target = 20.0f;
    rig.NoteOn (60);
    rig.Render (0);

    EXPECT_EQ (rig.Params.PulseWidth.Current, 0.8f);
    EXPECT_EQ (rig.Params.SawShape.Current, 20.0f);
}

TEST (VoiceSmoothers, EachSoundingVoiceStepsTheSharedShapesOncePerSample)
{
    constexpr int samples = 1000;

    for (int voices : { 0, 1, 3, 8 })
    {
        VoiceRig rig;
        for (int i = 0; i < voices; ++i)
            rig.NoteOn (48 + i);
        rig.Render (0);

        rig.Params.PulseWidth.Target = 1.0f;
        rig.Params.SawShape.Target = 30.0f;
        rig.Render (samples);

        // Float accumulation drifts a little; one voice more or less would be off by an eighth or more.
        const double steps = double (voices) * samples;
        const double pulseMove = steps * rig.Params.PulseWidth.Step, sawMove = steps * rig.Params.SawShape.Step;
        EXPECT_NEAR (rig.Params.PulseWidth.Current - 0.5, pulseMove, 0.01 * pulseMove + 1e-7) << voices;
        EXPECT_NEAR (rig.Params.SawShape.Current - 1.0, sawMove, 0.01 * sawMove + 1e-7) << voices;
    }
}

TEST (VoiceSmoothers, PulseWidthGlidesTheFullRangeInAQuarterSecondWithOneVoice)
{
    VoiceRig rig;
    rig.Params.PulseWidth.Target = rig.Params.PulseWidth.Current = 0.0f;
    rig.NoteOn (60);
    rig.Render (0);
    rig.Params.PulseWidth.Target = 1.0f;

    rig.Render (rig.Samples (0.24));
    EXPECT_LT (rig.Params.PulseWidth.Current, 1.0f);
    rig.Render (rig.Samples (0.02));
    EXPECT_EQ (rig.Params.PulseWidth.Current, 1.0f);
}

TEST (VoiceSmoothers, LinearStepStopsAtTheTargetFromEitherSide)
{
    SmoothedParameter rising;
    rising.Current = 0.0f;
    rising.Target = 0.25f;
    rising.Step = 0.1f;
    EXPECT_FLOAT_EQ (rising.Advance(), 0.1f);
    EXPECT_FLOAT_EQ (rising.Advance(), 0.2f);
    EXPECT_EQ (rising.Advance(), 0.25f);
    EXPECT_EQ (rising.Advance(), 0.25f);

    SmoothedParameter falling;
    falling.Current = 1.0f;
    falling.Target = 0.95f;
    falling.Step = 0.1f;
    EXPECT_EQ (falling.Advance(), 0.95f);

    SmoothedParameter undefined;
    undefined.Current = 0.5f;
    undefined.Target = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ (undefined.Advance(), 0.5f);
}

TEST (VoiceSmoothers, FreshRecordsAreSafeToDivideBy)
{
    const VoiceParameters fresh;
    EXPECT_GT (fresh.Decay, 0.0f);
    EXPECT_GT (fresh.Resonance, 0.0f);
    EXPECT_GT (fresh.Length, 0.0f);
    EXPECT_EQ (fresh.PulseWidth.Step, 0.00003f);
    EXPECT_EQ (fresh.PulseWidth.Mode, 0);
}

//==============================================================================
TEST (VoiceModwheel, ControllerOneSetsDepthAndVibratoSpeed)
{
    VoiceRig rig;
    rig.NoteOn (60);

    struct Case { int Value; double Factor; double Hz; };
    const double half = 64 / 127.0;
    for (auto c : { Case { 0, 0.0, 0.15 }, Case { 127, 0.4, 9.15 }, Case { 64, 0.4 * half, 0.15 + 9.0 * half * half } })
    {
        rig.Controller (1, c.Value);
        rig.Render (16);
        EXPECT_NEAR (StaticValues::ModwheelFactor.load(), c.Factor, 1e-12) << c.Value;
        EXPECT_NEAR (StaticValues::ModwheelSpeedAdd.load() * rig.Rate, c.Hz, 1e-9) << c.Value;
    }

    rig.Controller (7, 100);
    rig.Render (16);
    EXPECT_NEAR (StaticValues::ModwheelFactor.load(), 0.4 * half, 1e-12);
}

TEST (VoiceModwheel, MoveWithNoSoundingVoiceChangesNothing)
{
    VoiceRig rig;
    rig.Controller (1, 127);
    rig.Render (16);
    EXPECT_EQ (StaticValues::ModwheelFactor.load(), 0.0);
    EXPECT_EQ (StaticValues::ModwheelSpeedAdd.load(), 0.0);
}

TEST (VoiceModwheel, VoiceThatNeverPlayedAssumesItsDefaultRate)
{
    juce::SineWaveVoice voice;
    voice.controllerMoved (1, 0);
    EXPECT_DOUBLE_EQ (StaticValues::ModwheelSpeedAdd.load(), 0.15 / 96000.0);
    ResetModwheel();
}

TEST (VoiceModwheel, VibratoPhaseAdvancesAtTheWheelSpeed)
{
    VoiceRig rig;
    rig.NoteOn (60);
    rig.Controller (1, 127);
    rig.Render (10000);
    EXPECT_NEAR (rig.Voice().GetVibratoPhase(), 10000 * 9.15 / rig.Rate, 1e-9);
}

TEST (VoiceModwheel, VibratoBendsPitchOnlyForTheFirstWaveform)
{
    for (int waveform : { 0, 2, 4 })
    {
        VoiceRig rig;
        rig.Params.Waveform = waveform;
        rig.NoteOn (60);
        rig.Controller (1, 127);
        rig.Render (0);
        const double start = rig.Voice().GetPhase (0);

        const int oneVibratoCycle = rig.Samples (1.0 / 9.15);
        rig.Render (oneVibratoCycle);
        const double ratio = (rig.Voice().GetPhase (0) - start) / (oneVibratoCycle * rig.Voice().GetPhaseIncrement (0));

        // The triangle averages a quarter of the 0.4 depth, and pitch moves by a tenth of it.
        if (waveform == 0)
            EXPECT_NEAR (ratio, 1.01, 1e-4);
        else
            EXPECT_NEAR (ratio, 1.0, 1e-9) << waveform;
    }
}

TEST (VoiceModwheel, VibratoModulatesTheShapeValue)
{
    // A square's level is its duty D: with the wheel up, D rises above the pulse width.
    VoiceRig still, wobbling;
    for (auto* rig : { &still, &wobbling })
    {
        rig->Params.Waveform = 2;
        rig->Params.PulseWidth.Target = 0.3f;
        rig->NoteOn (45);
    }
    wobbling.Controller (1, 127);

    const auto plain = still.Render (still.Samples (0.12));
    const auto modulated = wobbling.Render (wobbling.Samples (0.12));
    EXPECT_GT (std::abs (Rms (modulated, 4096) - Rms (plain, 4096)), 0.01 * Rms (plain, 4096));
}

//==============================================================================
TEST (VoiceLifecycle, IdleVoiceAddsNothingAndMovesNothing)
{
    VoiceParameters params;
    params.PulseWidth.Target = 1.0f;
    juce::SineWaveVoice voice;
    voice.Parameters = &params;
    voice.setCurrentPlaybackSampleRate (OversampledRate);

    juce::AudioBuffer<float> buffer (2, 64);
    for (int ch = 0; ch < 2; ++ch)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (ch), 0.25f, 64);
    voice.renderNextBlock (buffer, 0, 64);

    for (int ch = 0; ch < 2; ++ch)
        for (int n = 0; n < 64; ++n)
            ASSERT_EQ (buffer.getSample (ch, n), 0.25f);
    EXPECT_EQ (params.PulseWidth.Current, 0.0f);
    EXPECT_FALSE (voice.IsFilterPrepared());
}

TEST (VoiceLifecycle, StopWithoutTailOffFreesAtOnce)
{
    VoiceRig rig;
    rig.NoteOn (60);
    rig.Render (64);
    rig.Source.Synth.allNotesOff (0, false);

    EXPECT_FALSE (rig.Voice().isVoiceActive());
    EXPECT_FALSE (rig.Voice().IsNoteActive());
    EXPECT_EQ (PeakOf (rig.Render (64)), 0.0f);
}

TEST (VoiceLifecycle, VoiceWithoutParametersIgnoresNotesAndStaysFree)
{
    juce::Synthesiser synth;
    auto* voice = new juce::SineWaveVoice();
    synth.addVoice (voice);
    synth.addSound (new juce::SineWaveSound());
    synth.setCurrentPlaybackSampleRate (OversampledRate);

    juce::MidiBuffer events;
    events.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), 0);
    juce::AudioBuffer<float> buffer (2, 256);
    buffer.clear();
    synth.renderNextBlock (buffer, events, 0, 256);

    EXPECT_FALSE (voice->isVoiceActive());
    EXPECT_FALSE (voice->IsNoteActive());
    EXPECT_EQ (buffer.getMagnitude (0, 256), 0.0f);
}

TEST (VoiceLifecycle, OnlyItsOwnSoundIsPlayable)
{
    struct OtherSound : juce::SynthesiserSound
    {
        bool appliesToNote (int) override    { return true; }
        bool appliesToChannel (int) override { return true; }
    };

    juce::SineWaveVoice voice;
    juce::SynthesiserSound::Ptr own (new juce::SineWaveSound()), other (new OtherSound());
    EXPECT_TRUE (voice.canPlaySound (own.get()));
    EXPECT_FALSE (voice.canPlaySound (other.get()));
}

TEST (VoiceLifecycle, EightNotesSoundTogetherOnEightVoices)
{
    VoiceRig rig;
    for (int i = 0; i < NumVoices; ++i)
        rig.NoteOn (50 + 2 * i);
    rig.Render (256);
    EXPECT_EQ (rig.CountActiveVoices(), NumVoices);
}

TEST (VoiceLifecycle, AudioSourceSetsTheRateAndRendersKeyboardNotes)
{
    VoiceRig rig;
    rig.Source.prepareToPlay (512, HostRate);
    EXPECT_EQ (rig.Source.Synth.getSampleRate(), HostRate);

    rig.Keyboard.noteOn (1, 64, 1.0f);
    juce::AudioBuffer<float> buffer (2, 512);
    for (int ch = 0; ch < 2; ++ch)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (ch), 3.0f, 512);
    rig.Source.getNextAudioBlock (juce::AudioSourceChannelInfo (&buffer, 0, 256));

    EXPECT_EQ (rig.Voice().getCurrentlyPlayingNote(), 64);
    EXPECT_LT (buffer.getMagnitude (0, 256), 1.5f);
    EXPECT_GT (buffer.getMagnitude (0, 256), 0.0f);
    EXPECT_EQ (buffer.getSample (0, 300), 3.0f);
}

//==============================================================================
// Note starts, note stops, more keys than voices, wheels and every waveform over 48 blocks.
void QueueBusyBlock (VoiceRig& rig, int block)
{
    if (block % 4 == 0)
        rig.NoteOn (50 + block % 24);
    if (block % 4 == 2 && block >= 8)
        rig.NoteOff (50 + (block - 6) % 24);
    if (block % 8 == 3)
    {
        rig.PitchWheel (block * 300);
        rig.Controller (1, block * 2);
    }
    rig.Params.Waveform = block % 10;
    rig.Params.Chord = block % 20;
}

TEST (VoiceAllocation, RenderingAllocatesNothingForBuffersUpToTheReservedWidth)
{
    for (int channels : { 1, 2, 8 })
    {
        VoiceRig rig (OversampledRate, channels);
        rig.Params.EnvelopeDepth = 0.5f;
        juce::AudioBuffer<float> buffer (channels, 512);

        for (int block = 0; block < 48; ++block)
        {
            QueueBusyBlock (rig, block);
            AllocationCounter::Scope scope;
            rig.RenderInto (buffer);
            ASSERT_EQ (scope.GetAllocations(), 0u) << channels << " channels, block " << block;
        }
        EXPECT_TRUE (rig.Voice (7).IsFilterPrepared());
    }
}

TEST (VoiceAllocation, WiderBuffersAllocateOnlyWhileEachVoicePreparesItsFilter)
{
    VoiceRig rig (OversampledRate, 12);
    juce::AudioBuffer<float> buffer (12, 512);
    for (int i = 0; i < NumVoices; ++i)
        rig.NoteOn (60 + i);
    rig.RenderInto (buffer);

    for (int block = 0; block < 48; ++block)
    {
        QueueBusyBlock (rig, block);
        AllocationCounter::Scope scope;
        rig.RenderInto (buffer);
        ASSERT_EQ (scope.GetAllocations(), 0u) << "block " << block;
    }
}

TEST (VoiceAllocation, RepreparingForANewRateAllocatesNothing)
{
    VoiceRig rig (OversampledRate, 12);
    juce::AudioBuffer<float> buffer (12, 512);
    for (int i = 0; i < NumVoices; ++i)
        rig.NoteOn (60 + i);
    rig.RenderInto (buffer);

    rig.SetRate (96000.0);
    for (int i = 0; i < NumVoices; ++i)
        rig.NoteOn (60 + i);
    AllocationCounter::Scope scope;
    rig.RenderInto (buffer);
    EXPECT_EQ (scope.GetAllocations(), 0u);
    EXPECT_EQ (rig.Voice (7).GetFilterSampleRate(), 96000.0);
}

} // namespace
