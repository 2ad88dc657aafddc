// The instrument under what hosts actually do: real-time safety of the block path, sweeps of
// rates, block sizes and layouts, the parameter grid, hostile values and MIDI floods.

#include "AudioChecks.h"
#include "AllocationCounter.h"
#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#if JUCE_LINUX || JUCE_MAC || JUCE_BSD
 #include <csignal>
 #include <sys/wait.h>
 #include <unistd.h>
#endif

namespace
{
using Layout = juce::AudioProcessor::BusesLayout;

constexpr int WaveformSteps = 10;
constexpr int ChordSteps = 20;
constexpr int MonoChord = 0;
constexpr int PolyChord = 1;
constexpr int NumVoices = 8;
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Infinity = std::numeric_limits<float>::infinity();

const double hostRates[] = { 8000, 22050, 44100, 48000, 96000, 192000 };

Layout MakeLayout (const juce::AudioChannelSet& input, const juce::AudioChannelSet& output)
{
    Layout layout;
    layout.inputBuses.add (input);
    layout.outputBuses.add (output);
    return layout;
}

struct NamedLayout
{
    const char* Name;
    Layout BusLayout;
};

// Mono and stereo outputs, each without an input and with a mono or a stereo one.
std::vector<NamedLayout> SweepLayouts()
{
    using Set = juce::AudioChannelSet;
    return { { "stereo out", MakeLayout (Set::disabled(), Set::stereo()) },
             { "stereo in, stereo out", MakeLayout (Set::stereo(), Set::stereo()) },
             { "mono in, stereo out", MakeLayout (Set::mono(), Set::stereo()) },
             { "mono out", MakeLayout (Set::disabled(), Set::mono()) },
             { "mono in, mono out", MakeLayout (Set::mono(), Set::mono()) },
             { "stereo in, mono out", MakeLayout (Set::stereo(), Set::mono()) } };
}

std::unique_ptr<GorlanAudioProcessor> MakePrepared (double rate, int maximumBlock,
                                                    const Layout& layout = SweepLayouts()[0].BusLayout)
{
    auto processor = std::make_unique<GorlanAudioProcessor>();
    processor->SeedVoices (11);
    EXPECT_TRUE (processor->setBusesLayout (layout));
    processor->setRateAndBufferSizeDetails (rate, maximumBlock);
    processor->prepareToPlay (rate, maximumBlock);
    return processor;
}

int BufferChannels (const juce::AudioProcessor& processor)
{
    return std::max (processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels());
}

// What the host leaves in the buffer: input audio, or leftovers in the output channels.
void FillWithNoise (juce::AudioBuffer<float>& buffer, juce::Random& random)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            buffer.setSample (channel, i, random.nextFloat() * 2.0f - 1.0f);
}

// Index of the first sample that is NaN or infinite, or -1.
float Peak (const juce::AudioBuffer<float>& buffer)
{
    float peak = 0;
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        peak = std::max (peak, buffer.getMagnitude (channel, 0, buffer.getNumSamples()));
    return peak;
}

// The host's way of setting a parameter: the normalised value, no notification.
void SetFromHost (juce::AudioProcessor& processor, int index, float value)
{
    processor.getParameters()[index]->setValue (value);
}

float ChoiceValue (int index, int steps)
{
    return (float) index / (float) (steps - 1);
}

int CountHeldKeys (const GorlanAudioProcessor& processor)
{
    const auto& synth = processor.GetSynthesiser();
    int held = 0;

    for (int i = 0; i < synth.getNumVoices(); ++i)
        if (synth.getVoice (i)->isKeyDown())
            ++held;

    return held;
}

int CountNoteOns (const juce::MidiBuffer& midi)
{
    int count = 0;
    for (const auto event : midi)
        if (event.getMessage().isNoteOn())
            ++count;
    return count;
}

juce::MidiMessage RandomEvent (juce::Random& random)
{
    const int channel = 1 + random.nextInt (16);
    const int note = random.nextInt (128);
    const auto value = (juce::uint8) random.nextInt (128);

    switch (random.nextInt (10))
    {
        case 0:
        case 1:  return juce::MidiMessage::noteOn (channel, note, value);
        case 2:
        case 3:  return juce::MidiMessage::noteOff (channel, note, value);
        case 4:  return juce::MidiMessage::pitchWheel (channel, random.nextInt (16384));
        case 5:  return juce::MidiMessage::controllerEvent (channel, 1, value);
        case 6:  return juce::MidiMessage::controllerEvent (channel, random.nextInt (128), value);
        case 7:  return juce::MidiMessage::aftertouchChange (channel, note, value);
        case 8:  return juce::MidiMessage::channelPressureChange (channel, value);
        default: return juce::MidiMessage::programChange (channel, random.nextInt (128));
    }
}

//==============================================================================
// Blocks of every length from 0 to the maximum, each with its own MIDI and one parameter change.
struct ScriptedBlock
{
    int Length;
    juce::MidiBuffer Midi;
    int ParameterIndex;
    float ParameterValue;
};

juce::MidiBuffer ScriptedMidi (int block, int length)
{
    juce::MidiBuffer midi;
    const int last = std::max (0, length - 1);
    const int root = 40 + (block * 5) % 36;

    if (block % 4 == 0)
        for (int key = 0; key < 3; ++key)
            midi.addEvent (juce::MidiMessage::noteOn (1, root + 4 * key, (juce::uint8) (30 + block % 90)), (last * key) / 3);

    if (block % 4 == 2)
    {
        const int previousRoot = 40 + ((block - 2) * 5) % 36;
        for (int key = 0; key < 3; ++key)
            midi.addEvent (juce::MidiMessage::noteOff (1, previousRoot + 4 * key), last / 2);
        midi.addEvent (juce::MidiMessage::noteOn (1, root, (juce::uint8) 0), last);
    }

    midi.addEvent (juce::MidiMessage::pitchWheel (1, (block * 997) % 16384), last / 4);
    if (block % 3 == 0)
        midi.addEvent (juce::MidiMessage::controllerEvent (1, 1, block % 128), last / 3);

    return midi;
}

std::vector<ScriptedBlock> ScriptEveryLength (int maximumBlock)
{
    const float values[] = { 0.0f, 0.5f, 1.0f, 0.25f, 0.75f };
    std::vector<ScriptedBlock> script;

    for (int length = 0; length <= maximumBlock; ++length)
        script.push_back ({ length, ScriptedMidi (length, length), length % 9, values[(length / 9) % 5] });

    return script;
}

TEST (ReliabilityRealTime, BlocksAllocateAndFreeNothingFromTheFirstOnAtEveryLengthUpToTheMaximum)
{
    constexpr int maximumBlock = 512;
    auto processor = MakePrepared (48000, maximumBlock);
    auto script = ScriptEveryLength (maximumBlock);

    juce::AudioBuffer<float> storage (2, maximumBlock);
    storage.clear();
    std::vector<juce::AudioBuffer<float>> buffers;
    buffers.reserve (script.size());
    for (const auto& block : script)
        buffers.emplace_back (storage.getArrayOfWritePointers(), 2, block.Length);

    for (size_t i = 0; i < script.size(); ++i)
    {
        std::size_t allocations = 0, deallocations = 0;
        {
            AllocationCounter::Scope scope;
            SetFromHost (*processor, script[i].ParameterIndex, script[i].ParameterValue);
            processor->processBlock (buffers[i], script[i].Midi);
            allocations = scope.GetAllocations();
            deallocations = scope.GetDeallocations();
        }
        ASSERT_EQ (allocations, 0u) << "block " << i << " of " << script[i].Length << " samples";
        ASSERT_EQ (deallocations, 0u) << "block " << i << " of " << script[i].Length << " samples";
    }

    EXPECT_GT (Peak (storage), 0.0f) << "the script must have made some sound";
}

//==============================================================================
void ExpectFiniteBlocks (GorlanAudioProcessor& processor, const std::vector<int>& lengths, const std::string& where)
{
    juce::Random random (3);
    float peak = 0;
    int block = 0;

    for (const int length : lengths)
    {
        juce::MidiBuffer midi;
        if (block % 2 == 0)
        {
            midi.addEvent (juce::MidiMessage::noteOn (1, 48 + block, (juce::uint8) 100), 0);
            midi.addEvent (juce::MidiMessage::noteOn (1, 55 + block, (juce::uint8) 90), 0);
        }
        else
        {
            midi.addEvent (juce::MidiMessage::noteOff (1, 47 + block), 0);
            midi.addEvent (juce::MidiMessage::pitchWheel (1, 12000), 0);
        }

        juce::AudioBuffer<float> buffer (BufferChannels (processor), length);
        FillWithNoise (buffer, random);
        processor.processBlock (buffer, midi);

        ASSERT_EQ (FirstNonFinite (buffer), -1) << where << ", block of " << length << " samples";
        peak = std::max (peak, Peak (buffer));
        ++block;
    }

    EXPECT_GT (peak, 1e-4f) << where << ": the notes must be heard";
}

TEST (ReliabilitySweep, EveryRateAndLayoutWithShortAndOddBlocks)
{
    const std::vector<int> lengths { 0, 1, 2, 3, 17, 64, 511, 4096 };

    for (const double rate : hostRates)
        for (const auto& layout : SweepLayouts())
        {
            auto processor = MakePrepared (rate, 512, layout.BusLayout);
            SetFromHost (*processor, 7, ChoiceValue (PolyChord, ChordSteps));
            ExpectFiniteBlocks (*processor, lengths, juce::String (rate).toStdString() + " Hz, " + layout.Name);
            if (testing::Test::HasFatalFailure())
                return;
        }
}

// Blocks beyond what the oversampler takes at once, both announced by the host and not.
TEST (ReliabilitySweep, LongBlocksAtEveryRate)
{
    const std::vector<int> lengths { 32768, 32769, 100000 };
    const auto layouts = SweepLayouts();

    for (size_t i = 0; i < std::size (hostRates); ++i)
    {
        const auto& layout = layouts[i % layouts.size()];
        const int announced = i % 2 == 0 ? 512 : 100000;
        auto processor = MakePrepared (hostRates[i], announced, layout.BusLayout);
        SetFromHost (*processor, 7, ChoiceValue (PolyChord, ChordSteps));
        ExpectFiniteBlocks (*processor, lengths, juce::String (hostRates[i]).toStdString() + " Hz, " + layout.Name);
        if (testing::Test::HasFatalFailure())
            return;
    }
}

//==============================================================================
// Every waveform position and chord row, with the seven other parameters at 0, 0.5 and 1:
// all three levels together, plus two mixed patterns that between them pair every level of
// every parameter with every level of every other across the grid.
std::vector<std::vector<float>> ContinuousPatterns (int waveform, int chord)
{
    const float levels[] = { 0.0f, 0.5f, 1.0f };
    std::vector<std::vector<float>> patterns;

    for (const float level : levels)
        patterns.push_back (std::vector<float> (7, level));

    for (const int stride : { 1, 2 })
    {
        std::vector<float> mixed;
        for (int k = 0; k < 7; ++k)
            mixed.push_back (levels[(waveform + stride * chord + stride * k) % 3]);
        patterns.push_back (mixed);
    }

    return patterns;
}

void ApplyPattern (GorlanAudioProcessor& processor, const std::vector<float>& continuous, int waveform, int chord)
{
    const int continuousIndices[] = { 0, 1, 2, 3, 4, 5, 8 };

    for (size_t k = 0; k < continuous.size(); ++k)
        SetFromHost (processor, continuousIndices[k], continuous[k]);

    SetFromHost (processor, 6, ChoiceValue (waveform, WaveformSteps));
    SetFromHost (processor, 7, ChoiceValue (chord, ChordSteps));
}

TEST (ReliabilitySweep, ParameterGridWithEveryWaveformAndChordRow)
{
    constexpr int blockLength = 128;

    for (int waveform = 0; waveform < WaveformSteps; ++waveform)
        for (int chord = 0; chord < ChordSteps; ++chord)
        {
            auto processor = MakePrepared (48000, blockLength);
            int note = 36;

            for (const auto& pattern : ContinuousPatterns (waveform, chord))
            {
                ApplyPattern (*processor, pattern, waveform, chord);

                juce::MidiBuffer start, hold;
                start.addEvent (juce::MidiMessage::noteOff (1, note - 7), 0);
                start.addEvent (juce::MidiMessage::noteOn (1, note, (juce::uint8) 127), 0);
                hold.addEvent (juce::MidiMessage::controllerEvent (1, 1, 100), 0);
                hold.addEvent (juce::MidiMessage::pitchWheel (1, 0), 0);

                for (auto* midi : { &start, &hold })
                {
                    juce::AudioBuffer<float> buffer (2, blockLength);
                    buffer.clear();
                    processor->processBlock (buffer, *midi);
                    ASSERT_EQ (FirstNonFinite (buffer), -1) << "waveform " << waveform << ", chord " << chord
                                                            << ", levels " << pattern[0] << " " << pattern[1] << " "
                                                            << pattern[2] << " " << pattern[3] << " " << pattern[4]
                                                            << " " << pattern[5] << " " << pattern[6];
                }
                note += 7;
            }
        }
}

//==============================================================================
// Hosts hand over whatever they have; a NaN caught in a filter would silence the instrument for good,
// so each parameter gets its own instance.
TEST (ReliabilityHostile, NonFiniteAndOutOfRangeParameterValuesKeepTheSoundFinite)
{
    const float hostile[] = { NaN, Infinity, -Infinity, -1.0f, 2.0f, 1e30f, -1e30f,
                              std::numeric_limits<float>::denorm_min() };

    for (int index = 0; index < 9; ++index)
    {
        auto processor = MakePrepared (48000, 256);
        SetFromHost (*processor, 7, ChoiceValue (PolyChord, ChordSteps));

        for (const float value : hostile)
        {
            SetFromHost (*processor, index, value);

            juce::MidiBuffer midi;
            midi.addEvent (juce::MidiMessage::noteOn (1, 40 + index, (juce::uint8) 100), 0);
            midi.addEvent (juce::MidiMessage::noteOff (1, 39 + index), 0);
            juce::AudioBuffer<float> buffer (2, 256);
            buffer.clear();
            processor->processBlock (buffer, midi);

            const int nonFinite = FirstNonFinite (buffer);
            EXPECT_EQ (nonFinite, -1) << "parameter " << index << " at " << value;
            if (nonFinite >= 0)
                break;

            SetFromHost (*processor, index, processor->getParameters()[index]->getDefaultValue());
        }
    }
}

TEST (ReliabilityHostile, OddRatesAndBlockSizesFromThePreparationStillGiveFiniteSound)
{
    const double rates[] = { 0.0, -48000.0, std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                             1.0, 999.0, 1e10, 1e12, std::numeric_limits<double>::max() };

    for (const double rate : rates)
        for (const int announced : { 0, 1, 512 })
        {
            auto processor = MakePrepared (rate, announced);
            juce::MidiBuffer midi;
            midi.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), 0);
            juce::AudioBuffer<float> buffer (2, 300);
            buffer.clear();
            processor->processBlock (buffer, midi);
            ASSERT_EQ (FirstNonFinite (buffer), -1) << rate << " Hz, " << announced << " samples announced";
        }
}

// The framework's blob: marker, little-endian length of the text with its zero byte, text, zero byte.
juce::MemoryBlock StateBlob (const std::string& text)
{
    const auto length = (juce::uint32) text.size() + 1;
    const char header[] = { 'V', 'C', '2', '!', (char) (length & 0xff), (char) ((length >> 8) & 0xff),
                            (char) ((length >> 16) & 0xff), (char) (length >> 24) };
    juce::MemoryBlock blob (header, sizeof (header));
    blob.append (text.c_str(), text.size() + 1);
    return blob;
}

// Loads in a child process, so that a load that never returns, or crashes, fails the test instead
// of stalling or ending the suite. True when the load returned in time and left "volume" as it was.
bool LoadReturnsAndChangesNothing (const juce::MemoryBlock& blob, int seconds)
{
    GorlanAudioProcessor processor;
    const float volume = processor.VolumeParameter->getValue();

   #if JUCE_LINUX || JUCE_MAC || JUCE_BSD
    const pid_t child = fork();
    if (child == 0)
    {
        processor.setStateInformation (blob.getData(), (int) blob.getSize());
        _exit (processor.VolumeParameter->getValue() == volume ? 0 : 1);
    }

    int status = 0;
    for (int waited = 0; waitpid (child, &status, WNOHANG) == 0; waited += 10)
    {
        if (waited >= seconds * 1000)
        {
            kill (child, SIGKILL);
            waitpid (child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for (std::chrono::milliseconds (10));
    }
    return WIFEXITED (status) && WEXITSTATUS (status) == 0;
   #else
    juce::ignoreUnused (seconds);
    processor.setStateInformation (blob.getData(), (int) blob.getSize());
    return processor.VolumeParameter->getValue() == volume;
   #endif
}

struct HostileState
{
    std::string Name;
    std::string Text;
};

// Texts on which the framework's XML reader walks past the end of its input, never returns,
// recurses without bound or turns entities into markup. Every one sets "volume" if it loads.
std::vector<HostileState> StatesTheXmlReaderMishandles()
{
    std::vector<HostileState> states;

    // UTF-8 cut short at the very end, whatever padding the string's allocation has.
    for (const char* tail : { "\xE0", "\xF0\x9F", "\xC3\"/>", "\xF4\x80\x80\"/>" })
        for (int padding = 0; padding < 8; ++padding)
            states.push_back ({ "cut-short UTF-8, padding " + std::to_string (padding),
                                "<settings volume=\"0.9" + std::string ((size_t) padding, '0') + tail });

    states.push_back ({ "lead bytes without continuation bytes", "<settings volume=\"0.9\" username=\"\xC3\x41\xC3\x41\"/>" });
    states.push_back ({ "instruction inside the element", "<settings volume=\"0.9\"><?x?>a</settings>" });
    states.push_back ({ "instruction between lines", "<?xml version=\"1.0\"?>\n<settings volume=\"0.9\">\n  <?style sheet?>\n  text\n</settings>" });
    states.push_back ({ "reference without semicolon in text", "<settings volume=\"0.9\">&#65" });
    states.push_back ({ "reference without semicolon in a value", "<settings volume=\"0.9\" username=\"&#x41" });
    states.push_back ({ "unknown entity made markup", "<settings volume=\"0.1\">&<settings volume=\"0.9\"/>;</settings>" });
    states.push_back ({ "document-type entity", "<!DOCTYPE settings [<!ENTITY v \"0.9\">]><settings volume=\"&v;\"/>" });
    std::string nested = "<settings volume=\"0.9\">";
    for (int depth = 0; depth < 100000; ++depth)
        nested += "<a>";
    states.push_back ({ "elements nested a hundred thousand deep", nested });

    // Found by the state fuzzer.
    states.push_back ({ "fuzzer: bytes no UTF-8 sequence starts with",
                        "<?xml version=\"1.0\"?><!-- saved --><settings volume=\"0.9\"><child a=\"1\">"
                        "<![CDATA[x]]></child\xff\xff\xff\xffp;</setti\xeegs>" });
    states.push_back ({ "fuzzer: lead bytes in a closing tag",
                        "<?xml version=\"1.0\"?><!-- saved --><settings volume=\"0.9\"><child a=\"1\">"
                        "<![CDATA[x]]></child>&amp;</settings" + std::string (28, '\xcb') + ">" });
    states.push_back ({ "fuzzer: instruction after text",
                        "<?xml version=\"1.0\"?><!-- saved<!-- saved --><settings volume=\"0.9\"><child a=\"1\"><![CDAgs "
                        "volume=\"0.9\"><ch\x01<?xml versild a=\"ion=\"1.0\"?>1\"><![CDATA[x]<]" });
    states.push_back ({ "fuzzer: unterminated reference inside an entity made markup",
                        "<settings volume=\"0.9\"><i>&<i>l/dch&ai&#x41;</i></settings>" });
    return states;
}

TEST (ReliabilityHostile, StatesTheXmlReaderMishandlesReturnAndLoadNothing)
{
    for (const auto& state : StatesTheXmlReaderMishandles())
        EXPECT_TRUE (LoadReturnsAndChangesNothing (StateBlob (state.Text), 10)) << state.Name;
}

TEST (ReliabilityHostile, PlainStatesWithReferencesCommentsAndAnyCharacterStillLoad)
{
    const std::string texts[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?> <!-- saved --> <settings volume=\"0.9\" "
        "username=\"Jos\xC3\xA9 &amp; &#xE9;&#233; &lt;&gt;&quot;&apos; \xF0\x9F\x8E\xB9\"/>",
        "<settings volume=\"0.9\"><![CDATA[x]]><!-- note --></settings>"
    };

    for (const auto& text : texts)
    {
        GorlanAudioProcessor processor;
        const auto blob = StateBlob (text);
        processor.setStateInformation (blob.getData(), (int) blob.getSize());
        EXPECT_NEAR (processor.VolumeParameter->getValue(), 0.9f, 1e-6f) << text;
    }
}

// The framework's number reader overflows an int on an exponent of ten or more digits
// (found by the state fuzzer).
TEST (ReliabilityHostile, ValuesWithHugeExponentsLoadAsTheNearestEnd)
{
    const std::pair<const char*, float> cases[] = {
        { "1e99999999999", 1.0f },     { "1e-99999999999", 0.0f },   { "-1e99999999999", 0.0f },
        { "0.5e0000000000000", 0.5f }, { "5e-0000000000001", 0.5f }, { "0.25E+77777777777777777777", 1.0f },
        { "07777777777777777777777777777777777771e99977777777777777777777777Contents", 1.0f }
    };

    for (const auto& [text, expected] : cases)
    {
        GorlanAudioProcessor processor;
        const auto blob = StateBlob (std::string ("<settings cutoff=\"") + text + "\"/>");
        processor.setStateInformation (blob.getData(), (int) blob.getSize());
        EXPECT_NEAR (processor.CutoffParameter->getValue(), expected, 1e-6f) << text;
    }
}

//==============================================================================
TEST (ReliabilityFloods, HundredAndTwentyEightNoteOnsInOneBlockAdmitOnlyTheHeldKeyLimit)
{
    for (const int chord : { MonoChord, PolyChord })
    {
        auto processor = MakePrepared (48000, 512);
        SetFromHost (*processor, 7, ChoiceValue (chord, ChordSteps));
        const int limit = chord == MonoChord ? 1 : NumVoices;

        juce::MidiBuffer ons, offs;
        for (int note = 0; note < 128; ++note)
        {
            ons.addEvent (juce::MidiMessage::noteOn (1, note, (juce::uint8) 100), note * 4);
            offs.addEvent (juce::MidiMessage::noteOff (1, note), note * 4);
        }

        juce::AudioBuffer<float> buffer (2, 512);
        buffer.clear();
        processor->processBlock (buffer, ons);
        EXPECT_EQ (CountNoteOns (ons), limit) << "chord " << chord;
        EXPECT_EQ (CountHeldKeys (*processor), limit) << "chord " << chord;
        EXPECT_EQ (FirstNonFinite (buffer), -1) << "chord " << chord;
        EXPECT_GT (Peak (buffer), 0.0f) << "chord " << chord;

        processor->processBlock (buffer, offs);
        EXPECT_EQ (offs.getNumEvents(), 128) << "every note-off passes";
        EXPECT_EQ (CountHeldKeys (*processor), 0) << "chord " << chord;
        EXPECT_EQ (FirstNonFinite (buffer), -1) << "chord " << chord;
    }
}

TEST (ReliabilityFloods, TenThousandRandomEventsInOneBlockAndSpreadOverMany)
{
    juce::Random random (2024);
    auto processor = MakePrepared (44100, 1024);
    SetFromHost (*processor, 7, ChoiceValue (PolyChord, ChordSteps));

    const auto processRandom = [&] (int events, int length)
    {
        juce::MidiBuffer midi;
        for (int i = 0; i < events; ++i)
            midi.addEvent (RandomEvent (random), random.nextInt (std::max (1, length)));

        const int eventsIn = midi.getNumEvents();
        juce::AudioBuffer<float> buffer (2, length);
        FillWithNoise (buffer, random);
        processor->processBlock (buffer, midi);

        EXPECT_LE (midi.getNumEvents(), eventsIn);
        EXPECT_LE (CountHeldKeys (*processor), NumVoices);
        EXPECT_EQ (FirstNonFinite (buffer), -1) << events << " events in " << length << " samples";
    };

    processRandom (10000, 512);
    for (int block = 0; block < 40 && ! testing::Test::HasFailure(); ++block)
        processRandom (250, random.nextInt (1025));
}

} // namespace
