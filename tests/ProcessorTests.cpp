#include "AudioChecks.h"
#include "AllocationCounter.h"
#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

namespace
{
using Layout = juce::AudioProcessor::BusesLayout;
using Events = std::vector<std::pair<juce::MidiMessage, int>>;

constexpr double HostRate = 48000.0;
constexpr int BlockSize = 512;
constexpr int WaveformSteps = 10;
constexpr int ChordSteps = 20;
constexpr int MonoChord = 0;
constexpr int PolyChord = 1;
constexpr int Major4711Chord = 9;

std::unique_ptr<GorlanAudioProcessor> MakeProcessor (juce::int64 seed = 7)
{
    auto processor = std::make_unique<GorlanAudioProcessor>();
    processor->SeedVoices (seed);
    return processor;
}

Layout MakeLayout (const juce::AudioChannelSet& input, const juce::AudioChannelSet& output)
{
    Layout layout;
    layout.inputBuses.add (input);
    layout.outputBuses.add (output);
    return layout;
}

void PrepareAsHost (GorlanAudioProcessor& processor, double rate = HostRate, int blockSize = BlockSize)
{
    processor.setRateAndBufferSizeDetails (rate, blockSize);
    processor.prepareToPlay (rate, blockSize);
}

int BufferChannels (const GorlanAudioProcessor& processor)
{
    return std::max (processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels());
}

juce::MidiBuffer MakeMidi (const Events& events)
{
    juce::MidiBuffer midi;

    for (const auto& [message, position] : events)
        midi.addEvent (message, position);

    return midi;
}

juce::AudioBuffer<float> Process (GorlanAudioProcessor& processor, juce::MidiBuffer& midi, int numSamples = BlockSize)
{
    juce::AudioBuffer<float> buffer (BufferChannels (processor), numSamples);
    buffer.clear();
    processor.processBlock (buffer, midi);
    return buffer;
}

juce::AudioBuffer<float> Process (GorlanAudioProcessor& processor, const Events& events = {}, int numSamples = BlockSize)
{
    auto midi = MakeMidi (events);
    return Process (processor, midi, numSamples);
}

void SetChoice (juce::AudioParameterFloatVelmora& parameter, int index, int steps)
{
    parameter.setValueNotifyingHost ((float) index / (float) (steps - 1));
}

juce::MidiMessage NoteOn (int note, int channel = 1, int velocity = 100)
{
    return juce::MidiMessage::noteOn (channel, note, (juce::uint8) velocity);
}

juce::MidiMessage NoteOff (int note, int channel = 1)
{
    return juce::MidiMessage::noteOff (channel, note);
}

std::vector<int> SoundingNotes (const GorlanAudioProcessor& processor)
{
    std::vector<int> notes;
    const auto& synth = processor.GetSynthesiser();

    for (int i = 0; i < synth.getNumVoices(); ++i)
        if (synth.getVoice (i)->isVoiceActive())
            notes.push_back (synth.getVoice (i)->getCurrentlyPlayingNote());

    std::sort (notes.begin(), notes.end());
    return notes;
}

std::vector<int> HeldNotes (const GorlanAudioProcessor& processor)
{
    std::vector<int> notes;
    const auto& synth = processor.GetSynthesiser();

    for (int i = 0; i < synth.getNumVoices(); ++i)
        if (synth.getVoice (i)->isKeyDown())
            notes.push_back (synth.getVoice (i)->getCurrentlyPlayingNote());

    std::sort (notes.begin(), notes.end());
    return notes;
}

struct TimedEvent
{
    int Position;
    std::vector<juce::uint8> Bytes;
    bool operator== (const TimedEvent& other) const { return Position == other.Position && Bytes == other.Bytes; }
};

std::vector<TimedEvent> ListEvents (const juce::MidiBuffer& midi)
{
    std::vector<TimedEvent> events;

    for (const auto event : midi)
        events.push_back ({ event.samplePosition, { event.data, event.data + event.numBytes } });

    return events;
}

TimedEvent At (int position, const juce::MidiMessage& message)
{
    const auto* data = message.getRawData();
    return { position, { data, data + message.getRawDataSize() } };
}

float PeakLevel (const juce::AudioBuffer<float>& buffer, int channel, int start, int end)
{
    float peak = 0;

    for (int i = start; i < end; ++i)
        peak = std::max (peak, std::abs (buffer.getSample (channel, i)));

    return peak;
}

float LargestDifference (const juce::AudioBuffer<float>& buffer, int first, int second)
{
    float largest = 0;

    for (int i = 0; i < buffer.getNumSamples(); ++i)
        largest = std::max (largest, std::abs (buffer.getSample (first, i) - buffer.getSample (second, i)));

    return largest;
}

void ExpectSameAudio (const juce::AudioBuffer<float>& expected, const juce::AudioBuffer<float>& actual, int offset = 0)
{
    ASSERT_EQ (expected.getNumChannels(), actual.getNumChannels());

    for (int channel = 0; channel < expected.getNumChannels(); ++channel)
        for (int i = 0; i < actual.getNumSamples(); ++i)
            ASSERT_EQ (expected.getSample (channel, offset + i), actual.getSample (channel, i))
                << "channel " << channel << ", sample " << offset + i;
}

std::vector<double> StepResponse (juce::dsp::LinkwitzRileyFilter<double> filter)
{
    filter.reset();
    std::vector<double> response;

    for (int i = 0; i < 4800; ++i)
        response.push_back (filter.processSample (0, 1.0));

    return response;
}

juce::dsp::LinkwitzRileyFilter<double> ReferenceHighPass (double rate)
{
    juce::dsp::LinkwitzRileyFilter<double> filter;
    filter.setType (juce::dsp::LinkwitzRileyFilterType::highpass);
    filter.prepare ({ rate, BlockSize, 2 });
    filter.setCutoffFrequency (20.0);
    return filter;
}

// Frames of stereo single-frame blocks until the output volume reaches its target.
int FramesUntilVolumeSettles (GorlanAudioProcessor& processor)
{
    for (int frames = 1; frames < 100000; ++frames)
    {
        Process (processor, {}, 1);
        const auto& volume = processor.GetVoiceParameters().Volume;

        if (volume.Current == volume.Target)
            return frames;
    }

    return -1;
}
} // namespace

//==============================================================================
TEST (GorlanProcessor, AnswersTheHostAsAnInstrumentThatTakesMidiOnly)
{
    GorlanAudioProcessor processor;
    EXPECT_EQ (processor.getName(), "Gorlan");
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
    EXPECT_TRUE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_FALSE (processor.supportsMPE());
    EXPECT_EQ (processor.getBypassParameter(), nullptr);

    const auto& synth = processor.GetSynthesiser();
    EXPECT_EQ (synth.getNumVoices(), 8);
    EXPECT_EQ (synth.getNumSounds(), 1);
    EXPECT_FALSE (synth.isNoteStealingEnabled());
}

TEST (GorlanProcessor, AcceptsAnyLayoutWithAMonoOrStereoMainOutput)
{
    const auto mono = juce::AudioChannelSet::mono();
    const auto stereo = juce::AudioChannelSet::stereo();
    const auto quad = juce::AudioChannelSet::quadraphonic();
    const auto none = juce::AudioChannelSet::disabled();

    struct Case { Layout layout; bool accepted; const char* what; };
    Layout withoutOutputBus;
    withoutOutputBus.inputBuses.add (stereo);

    const Case cases[] = {
        { MakeLayout (stereo, stereo), true, "stereo in, stereo out" },
        { MakeLayout (none, stereo), true, "no input, stereo out" },
        { MakeLayout (quad, stereo), true, "four inputs, stereo out" },
        { MakeLayout (stereo, mono), true, "stereo in, mono out" },
        { MakeLayout (mono, mono), true, "mono in, mono out" },
        { MakeLayout (stereo, quad), false, "four outputs" },
        { MakeLayout (stereo, none), false, "disabled output" },
        { withoutOutputBus, false, "no output bus" },
    };

    GorlanAudioProcessor processor;

    for (const auto& c : cases)
        EXPECT_EQ (processor.isBusesLayoutSupported (c.layout), c.accepted) << c.what;
}

TEST (GorlanProcessor, DeclaresAnInactiveStereoInputAndAnActiveStereoOutput)
{
    GorlanAudioProcessor processor;

    ASSERT_EQ (processor.getBusCount (true), 1);
    ASSERT_EQ (processor.getBusCount (false), 1);

    const auto* input = processor.getBus (true, 0);
    EXPECT_EQ (input->getName(), "Input");
    EXPECT_EQ (input->getDefaultLayout(), juce::AudioChannelSet::stereo());
    EXPECT_FALSE (input->isEnabledByDefault());
    EXPECT_FALSE (input->isEnabled());

    const auto* output = processor.getBus (false, 0);
    EXPECT_EQ (output->getName(), "Output");
    EXPECT_EQ (output->getDefaultLayout(), juce::AudioChannelSet::stereo());
    EXPECT_TRUE (output->isEnabledByDefault());

    EXPECT_EQ (processor.getTotalNumInputChannels(), 0);
    EXPECT_EQ (processor.getTotalNumOutputChannels(), 2);
}

TEST (GorlanProcessor, RegistersNineParametersInHostOrder)
{
    GorlanAudioProcessor processor;
    const auto& parameters = processor.getParameters();
    const juce::StringArray ids { "volume", "cutoff", "reso", "decay", "length", "pwidth", "waveform", "chord", "tuning" };
    const juce::AudioParameterFloatVelmora* members[] = {
        processor.VolumeParameter, processor.CutoffParameter, processor.ResonanceParameter,
        processor.DecayParameter, processor.LengthParameter, processor.PulseWidthParameter,
        processor.WaveformParameter, processor.ChordParameter, processor.TuningParameter,
    };

    ASSERT_EQ (parameters.size(), 9);

    for (int i = 0; i < 9; ++i)
    {
        const auto* withId = dynamic_cast<const juce::AudioProcessorParameterWithID*> (parameters[i]);
        ASSERT_NE (withId, nullptr);
        EXPECT_EQ (withId->getParameterIndex(), i);
        EXPECT_EQ (withId->getParameterID(), ids[i]);
        EXPECT_EQ (parameters[i], members[i]) << ids[i];
    }

    EXPECT_EQ (processor.WaveformParameter->GetChoices(), processor.GetWaveformNames());
    EXPECT_EQ (processor.ChordParameter->GetChoices(), processor.GetChordNames());
}

//==============================================================================
TEST (GorlanProcessor, BeforeTheFirstPreparationBlocksPassThroughUntouched)
{
    auto processor = MakeProcessor();
    ASSERT_TRUE (processor->setBusesLayout (MakeLayout (juce::AudioChannelSet::stereo(), juce::AudioChannelSet::stereo())));

    juce::AudioBuffer<float> buffer (2, BlockSize);
    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < BlockSize; ++i)
            buffer.setSample (channel, i, 0.001f * (float) (i - 100 * channel));

    const juce::AudioBuffer<float> original (buffer);
    auto midi = MakeMidi ({ { NoteOn (60), 100 }, { NoteOn (64), 300 } });
    const auto originalEvents = ListEvents (midi);

    processor->processBlock (buffer, midi);

    ExpectSameAudio (original, buffer);
    EXPECT_EQ (ListEvents (midi), originalEvents);
    EXPECT_TRUE (SoundingNotes (*processor).empty());
    EXPECT_EQ (processor->GetOversampler(), nullptr);
    EXPECT_EQ (processor->getLatencySamples(), 0);
}

TEST (GorlanProcessor, BeforeTheFirstPreparationOutputsWithoutInputsAreCleared)
{
    auto processor = MakeProcessor();
    juce::AudioBuffer<float> buffer (2, BlockSize);
    buffer.clear();
    for (int i = 0; i < BlockSize; ++i)
        buffer.setSample (0, i, 0.5f);

    juce::MidiBuffer midi;
    processor->processBlock (buffer, midi);

    EXPECT_EQ (PeakLevel (buffer, 0, 0, BlockSize), 0.0f);
}

TEST (GorlanProcessor, EmptyBlockLeavesMidiAndVoicesAlone)
{
    auto processor = MakeProcessor();
    PrepareAsHost (*processor);

    auto midi = MakeMidi ({ { NoteOn (60), 5 }, { NoteOn (62), 9 } });
    const auto originalEvents = ListEvents (midi);
    juce::AudioBuffer<float> buffer (2, 0);
    processor->processBlock (buffer, midi);

    EXPECT_EQ (ListEvents (midi), originalEvents);
    EXPECT_TRUE (SoundingNotes (*processor).empty());
}

TEST (GorlanProcessor, OversamplerAndLatencyAreReadyWhenPreparationReturns)
{
    auto processor = MakeProcessor();
    PrepareAsHost (*processor);

    auto* oversampler = processor->GetOversampler();
    ASSERT_NE (oversampler, nullptr);
    EXPECT_EQ (oversampler->getOversamplingFactor(), 8u);
    EXPECT_EQ (processor->GetOversamplerChannels(), 2);

    juce::dsp::Oversampling<float> reference (2, 3, juce::dsp::Oversampling<float>::filterHalfBandFIREquiripple, true, false);
    const int expectedLatency = (int) reference.getLatencyInSamples();
    EXPECT_GT (expectedLatency, 0);
    EXPECT_EQ (processor->getLatencySamples(), expectedLatency);

    Process (*processor, { { NoteOn (60), 0 } });
    Process (*processor);

    EXPECT_EQ (processor->GetOversampler(), oversampler);
    EXPECT_EQ (processor->getLatencySamples(), expectedLatency);
}

TEST (GorlanProcessor, DcFilterAndOversamplerCoverEveryChannelOfTheLayout)
{
    const auto mono = juce::AudioChannelSet::mono();
    const auto stereo = juce::AudioChannelSet::stereo();
    const auto quad = juce::AudioChannelSet::quadraphonic();
    const auto none = juce::AudioChannelSet::disabled();

    struct Case { Layout layout; int channels; const char* what; };
    const Case cases[] = {
        { MakeLayout (none, mono), 2, "no input, mono out" },
        { MakeLayout (mono, stereo), 2, "mono in, stereo out" },
        { MakeLayout (quad, stereo), 4, "four inputs, stereo out" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        auto processor = MakeProcessor();
        ASSERT_TRUE (processor->setBusesLayout (c.layout));
        PrepareAsHost (*processor);

        EXPECT_EQ (processor->GetDcFilterChannels(), c.channels);
        EXPECT_EQ (processor->GetOversamplerChannels(), c.channels);

        Process (*processor, {}, BlockSize);
        const auto sound = Process (*processor, { { NoteOn (57), 0 } }, 4 * BlockSize);
        EXPECT_TRUE (AllFinite (sound));
        EXPECT_GT (PeakLevel (sound, 0, 0, sound.getNumSamples()), 0.01f);
    }
}

TEST (GorlanProcessor, ChannelsAddedAfterTheFirstPreparationAreRenderedWithoutTheHighPass)
{
    auto processor = MakeProcessor();
    ASSERT_TRUE (processor->setBusesLayout (MakeLayout (juce::AudioChannelSet::stereo(), juce::AudioChannelSet::stereo())));
    PrepareAsHost (*processor);
    processor->releaseResources();

    ASSERT_TRUE (processor->setBusesLayout (MakeLayout (juce::AudioChannelSet::quadraphonic(), juce::AudioChannelSet::stereo())));
    PrepareAsHost (*processor);

    EXPECT_EQ (processor->GetDcFilterChannels(), 2);
    EXPECT_GE (processor->GetOversamplerChannels(), 4);

    Process (*processor);
    const auto sound = Process (*processor, { { NoteOn (57), 0 } }, 4 * BlockSize);
    ASSERT_EQ (sound.getNumChannels(), 4);
    EXPECT_TRUE (AllFinite (sound));

    for (int channel = 0; channel < 4; ++channel)
        EXPECT_GT (PeakLevel (sound, channel, 0, sound.getNumSamples()), 0.01f) << "channel " << channel;
}

//==============================================================================
TEST (GorlanProcessor, AcceptsOnlyRatesBetween999And10000000001Hz)
{
    struct Case { std::vector<double> rates; double expectedRate; };
    const Case cases[] = {
        { { 500.0 }, 96000.0 },
        { { 999.0 }, 96000.0 },
        { { 1000.0 }, 1000.0 },
        { { 10000000001.0 }, 96000.0 },
        { { 48000.0, 500.0 }, 48000.0 },
        { { 48000.0, 0.0 }, 48000.0 },
        { { 48000.0, 44100.0 }, 44100.0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.rates.back());
        GorlanAudioProcessor processor;

        for (const auto rate : c.rates)
            PrepareAsHost (processor, rate);

        const auto oversampledRate = (float) (c.expectedRate * 8.0);
        const auto& parameters = processor.GetVoiceParameters();
        EXPECT_EQ (processor.GetSynthesiser().getSampleRate(), c.expectedRate * 8.0);
        EXPECT_FLOAT_EQ (parameters.Volume.Step, 80.0f / oversampledRate);
        EXPECT_FLOAT_EQ (parameters.PulseWidth.Step, 4.0f / oversampledRate);
        EXPECT_FLOAT_EQ (parameters.SawShape.Step, 40.0f / oversampledRate);
    }
}

TEST (GorlanProcessor, RatesTooLowForTheOutputFiltersStillGiveFiniteSound)
{
    for (const double rate : { 0.0, 100.0, 500.0 })
    {
        SCOPED_TRACE (rate);
        auto processor = MakeProcessor();
        PrepareAsHost (*processor, rate);

        Process (*processor, {}, 4 * BlockSize);
        const auto sound = Process (*processor, { { NoteOn (45), 0 } }, 4 * BlockSize);
        EXPECT_TRUE (AllFinite (sound));
        EXPECT_GT (PeakLevel (sound, 0, 0, sound.getNumSamples()), 0.01f);
    }
}

TEST (GorlanProcessor, DcFilterKeepsItsFirstPreparationWhileTheRestFollowsTheNewRate)
{
    GorlanAudioProcessor processor;
    PrepareAsHost (processor, 48000.0, 512);
    PrepareAsHost (processor, 44100.0, 256);

    EXPECT_EQ (StepResponse (processor.GetDcFilter()), StepResponse (ReferenceHighPass (48000.0)));
    EXPECT_NE (StepResponse (processor.GetDcFilter()), StepResponse (ReferenceHighPass (44100.0)));

    EXPECT_EQ (processor.GetSynthesiser().getSampleRate(), 352800.0);
    EXPECT_EQ (processor.GetSpec().sampleRate, 44100.0);
    EXPECT_EQ (processor.GetSpec().maximumBlockSize, 256u);
    EXPECT_EQ (processor.GetSpec().numChannels, 2u);

    const auto expected = juce::dsp::IIR::Coefficients<float>::makePeakFilter (44100.0, 70.0f, 0.3f, 10.0f);
    for (size_t i = 0; i < 2; ++i)
    {
        const auto& coefficients = processor.GetPeakFilter (i).coefficients->coefficients;
        EXPECT_TRUE (std::equal (coefficients.begin(), coefficients.end(),
                                 expected->coefficients.begin(), expected->coefficients.end()));
    }
}

//==============================================================================
TEST (GorlanProcessor, VolumeFadesInFromSilenceAndSlewsTwoStepsPerStereoFrame)
{
    auto processor = MakeProcessor();
    PrepareAsHost (*processor);
    EXPECT_EQ (processor->GetVoiceParameters().Volume.Current, 0.0f);

    EXPECT_NEAR (FramesUntilVolumeSettles (*processor), 423, 2);
    EXPECT_NEAR (processor->GetVoiceParameters().Volume.Target, 0.17625f, 1e-6f);

    processor->VolumeParameter->setValueNotifyingHost (1.0f);
    EXPECT_NEAR (FramesUntilVolumeSettles (*processor), 2961, 2);
    EXPECT_NEAR (processor->GetVoiceParameters().Volume.Current, 1.41f, 1e-6f);
}

TEST (GorlanProcessor, NewPreparationStartsAtThePresentVolume)
{
    auto processor = MakeProcessor();
    PrepareAsHost (*processor);
    Process (*processor);
    processor->VolumeParameter->setValueNotifyingHost (1.0f);
    Process (*processor);

    PrepareAsHost (*processor);
    const auto& volume = processor->GetVoiceParameters().Volume;
    EXPECT_EQ (volume.Current, volume.Target);
    EXPECT_GT (volume.Current, 0.17625f);
}

//==============================================================================
TEST (GorlanProcessor, MonoAdmitsANewNoteOnlyWhileNoKeyIsHeld)
{
    auto processor = MakeProcessor();
    PrepareAsHost (*processor);
    SetChoice (*processor->ChordParameter, MonoChord, ChordSteps);

    auto first = MakeMidi ({ { NoteOn (60), 10 }, { NoteOn (64), 20 } });
    Process (*processor, first);
    EXPECT_EQ (ListEvents (first), std::vector<TimedEvent> { At (0, NoteOn (60)) });
    EXPECT_EQ (SoundingNotes (*processor), std::vector<int> { 60 });

    auto whileHeld = MakeMidi ({ { NoteOn (62), 0 } });
    Process (*processor, whileHeld);
    EXPECT_TRUE (whileHeld.isEmpty());

    // The dropped note's note-off still counts, so the next note-on in that block passes.
    auto offThenOn = MakeMidi ({ { NoteOff (62), 3 }, { NoteOn (67), 8 } });
    Process (*processor, offThenOn);
    EXPECT_EQ (ListEvents (offThenOn), (std::vector<TimedEvent> { At (0, NoteOff (62)), At (1, NoteOn (67)) }));
    EXPECT_EQ (SoundingNotes (*processor), (std::vector<int> { 60, 67 }));
    EXPECT_EQ (HeldNotes (*processor), (std::vector<int> { 60, 67 }));
}

TEST (GorlanProcessor, VelocityZeroNoteOnCountsAsNoteOff)
{
    auto processor = MakeProcessor();
    PrepareAsHost (*processor);
    SetChoice (*processor->ChordParameter, MonoChord, ChordSteps);

    Process (*processor, { { NoteOn (60), 0 } });

    auto midi = MakeMidi ({ { NoteOn (60, 1, 0), 5 }, { NoteOn (64), 9 } });
    Process (*processor, midi);

    EXPECT_EQ (ListEvents (midi), (std::vector<TimedEvent> { At (0, NoteOn (60, 1, 0)), At (1, NoteOn (64)) }));
    EXPECT_EQ (HeldNotes (*processor), std::vector<int> { 64 });
}

TEST (GorlanProcessor, OtherChordsAdmitEightHeldKeysAndNeverStealAVoice)
{
    for (const int chord : { PolyChord, Major4711Chord, 19 })
    {
        SCOPED_TRACE (chord);
        auto processor = MakeProcessor();
        PrepareAsHost (*processor);
        SetChoice (*processor->ChordParameter, chord, ChordSteps);

        // Channel bits do not matter: each key arrives on a channel of its own.
        Events nine;
        for (int key = 0; key < 9; ++key)
            nine.push_back ({ NoteOn (60 + key, 1 + key), 10 * key });

        auto first = MakeMidi (nine);
        Process (*processor, first);
        EXPECT_EQ (first.getNumEvents(), 8);
        EXPECT_EQ (SoundingNotes (*processor), (std::vector<int> { 60, 61, 62, 63, 64, 65, 66, 67 }));

        auto ninth = MakeMidi ({ { NoteOn (70), 0 } });
        Process (*processor, ninth);
        EXPECT_TRUE (ninth.isEmpty());

        // A released key frees a place at once, but its voice still sounds: the new note gets none.
        auto releaseAndPlay = MakeMidi ({ { NoteOff (60, 1), 3 }, { NoteOn (71), 7 } });
        Process (*processor, releaseAndPlay);
        EXPECT_EQ (releaseAndPlay.getNumEvents(), 2);
        EXPECT_EQ (SoundingNotes (*processor), (std::vector<int> { 60, 61, 62, 63, 64, 65, 66, 67 }));

        for (int block = 0; block < 40; ++block)
            Process (*processor);

        auto afterRelease = MakeMidi ({ { NoteOn (72), 0 } });
        Process (*processor, afterRelease);
        EXPECT_EQ (SoundingNotes (*processor), (std::vector<int> { 61, 62, 63, 64, 65, 66, 67, 72 }));
    }
}

TEST (GorlanProcessor, PassingEventsMoveToTheBlockStartInArrivalOrder)
{
    auto processor = MakeProcessor();
    PrepareAsHost (*processor);
    SetChoice (*processor->ChordParameter, PolyChord, ChordSteps);
    Process (*processor);

    const auto wheel = juce::MidiMessage::pitchWheel (1, 10000);
    const auto controller = juce::MidiMessage::controllerEvent (1, 74, 64);
    const auto pressure = juce::MidiMessage::channelPressureChange (1, 50);
    auto midi = MakeMidi ({ { wheel, 100 }, { controller, 300 }, { NoteOn (57), 400 }, { pressure, 420 },
                            { NoteOn (64), 450 } });

    const auto sound = Process (*processor, midi);

    EXPECT_EQ (ListEvents (midi), (std::vector<TimedEvent> { At (0, wheel), At (1, controller), At (2, NoteOn (57)),
                                                             At (3, pressure), At (4, NoteOn (64)) }));
    EXPECT_EQ (SoundingNotes (*processor), (std::vector<int> { 57, 64 }));

    // Heard long before sample 400, allowing for the oversampler's delay.
    const int soundStart = processor->getLatencySamples() + 32;
    ASSERT_LT (soundStart, 300);
    EXPECT_GT (PeakLevel (sound, 0, soundStart, 300), 0.001f);
}

//==============================================================================
TEST (GorlanProcessor, SaturatedBoostOnlyOnTheFirstTwoChannelsAndNotForSineWaveforms)
{
    for (int waveform = 0; waveform < WaveformSteps; ++waveform)
    {
        SCOPED_TRACE (waveform);
        auto processor = MakeProcessor();
        ASSERT_TRUE (processor->setBusesLayout (MakeLayout (juce::AudioChannelSet::quadraphonic(),
                                                            juce::AudioChannelSet::stereo())));
        PrepareAsHost (*processor);
        SetChoice (*processor->WaveformParameter, waveform, WaveformSteps);
        Process (*processor);

        // All four channels carry the same rendered voices; only the output stage tells them apart.
        const auto sound = Process (*processor, { { NoteOn (40), 0 } }, 4 * BlockSize);
        const float gain = processor->GetVoiceParameters().Volume.Current;
        ASSERT_GT (PeakLevel (sound, 2, 0, sound.getNumSamples()), 0.01f);
        EXPECT_EQ (LargestDifference (sound, 2, 3), 0.0f);

        if (waveform == 4 || waveform == 5)
        {
            EXPECT_EQ (LargestDifference (sound, 0, 2), 0.0f);
            EXPECT_EQ (LargestDifference (sound, 1, 3), 0.0f);
        }
        else
        {
            EXPECT_GT (LargestDifference (sound, 0, 2), 1e-3f);
            EXPECT_GT (LargestDifference (sound, 1, 3), 1e-3f);
            EXPECT_LE (LargestDifference (sound, 0, 2), gain * 1.0001f);
        }
    }
}

TEST (GorlanProcessor, InputAudioNeverReachesThePreparedOutput)
{
    const auto stereo = juce::AudioChannelSet::stereo();
    auto quiet = MakeProcessor (3);
    auto noisy = MakeProcessor (3);

    for (auto* processor : { quiet.get(), noisy.get() })
    {
        ASSERT_TRUE (processor->setBusesLayout (MakeLayout (stereo, stereo)));
        PrepareAsHost (*processor);
    }

    juce::Random random (11);
    const Events blocks[] = { {}, { { NoteOn (50), 30 } }, {}, { { NoteOff (50), 0 } }, {} };

    for (const auto& events : blocks)
    {
        auto quietMidi = MakeMidi (events);
        auto noisyMidi = MakeMidi (events);
        const auto expected = Process (*quiet, quietMidi);

        juce::AudioBuffer<float> buffer (2, BlockSize);
        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < BlockSize; ++i)
                buffer.setSample (channel, i, 0.5f + random.nextFloat());

        noisy->processBlock (buffer, noisyMidi);
        ExpectSameAudio (expected, buffer);
    }
}

TEST (GorlanProcessor, BlockLongerThanTheOversamplerTakesSoundsLikeShorterBlocks)
{
    constexpr int longBlock = 40000;
    auto whole = MakeProcessor (5);
    auto halves = MakeProcessor (5);
    PrepareAsHost (*whole, HostRate, longBlock);
    PrepareAsHost (*halves, HostRate, longBlock);
    ASSERT_LT (whole->GetMaxOversamplingBlock(), longBlock);

    auto wholeMidi = MakeMidi ({ { NoteOn (48), 30000 }, { juce::MidiMessage::controllerEvent (1, 74, 90), 35000 } });
    const auto expectedEvents = std::vector<TimedEvent> { At (0, NoteOn (48)),
                                                          At (1, juce::MidiMessage::controllerEvent (1, 74, 90)) };
    const auto wholeSound = Process (*whole, wholeMidi, longBlock);
    EXPECT_EQ (ListEvents (wholeMidi), expectedEvents);
    EXPECT_GT (PeakLevel (wholeSound, 0, 0, longBlock), 0.01f);

    auto firstMidi = MakeMidi ({ { NoteOn (48), 5 }, { juce::MidiMessage::controllerEvent (1, 74, 90), 6 } });
    const auto firstHalf = Process (*halves, firstMidi, longBlock / 2);
    const auto secondHalf = Process (*halves, {}, longBlock / 2);

    ExpectSameAudio (wholeSound, firstHalf, 0);
    ExpectSameAudio (wholeSound, secondHalf, longBlock / 2);
}

//==============================================================================
TEST (GorlanProcessor, BlocksDoNotAllocateOncePrepared)
{
    auto processor = MakeProcessor();
    PrepareAsHost (*processor);
    SetChoice (*processor->ChordParameter, Major4711Chord, ChordSteps);

    struct Block { Events events; int length; };
    Events eightKeys, releaseHalf, releaseAll;
    for (int key = 0; key < 8; ++key)
    {
        eightKeys.push_back ({ NoteOn (48 + 3 * key), 7 * key });
        releaseAll.push_back ({ NoteOff (48 + 3 * key), key });
    }
    eightKeys.push_back ({ juce::MidiMessage::pitchWheel (1, 12000), 200 });
    eightKeys.push_back ({ juce::MidiMessage::controllerEvent (1, 74, 20), 300 });
    for (int key = 0; key < 4; ++key)
    {
        releaseHalf.push_back ({ NoteOff (48 + 3 * key), key });
        releaseHalf.push_back ({ NoteOn (50 + 3 * key), 100 + key });
    }

    std::vector<Block> blocks { { eightKeys, BlockSize }, { {}, BlockSize }, { releaseHalf, BlockSize },
                                { {}, 1 }, { {}, 0 }, { releaseAll, 40000 }, { eightKeys, BlockSize } };

    for (size_t i = 0; i < blocks.size(); ++i)
    {
        auto midi = MakeMidi (blocks[i].events);
        juce::AudioBuffer<float> buffer (2, blocks[i].length);
        buffer.clear();

        AllocationCounter::Scope scope;
        processor->processBlock (buffer, midi);
        EXPECT_EQ (scope.GetAllocations(), 0u) << "block " << i;
        EXPECT_EQ (scope.GetDeallocations(), 0u) << "block " << i;
    }
}
