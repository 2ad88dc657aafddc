// Plays a byte stream to the processor as a host would: preparations at odd rates, layout
// changes, blocks of any size with MIDI, parameter values including NaN and infinities,
// releases and state round trips. Once prepared, every output sample must be finite.
//
// Stream: a sequence of steps, each an opcode byte (modulo the step count) and its operands.
// A "table or raw" operand is one byte indexing a table; an index past the table reads
// the raw little-endian value from the next bytes.

#include "FuzzSupport.h"

#include <algorithm>
#include <limits>

namespace
{
using gorlan_fuzz::ByteReader;
using gorlan_fuzz::Check;

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr float inff = std::numeric_limits<float>::infinity();

const double hostRates[] = { 44100, 48000, 8000, 22050, 96000, 192000, 11025, 88200, 384000, 705600,
                             0, -48000, std::numeric_limits<double>::quiet_NaN(), inf, -inf, 1, 500, 999,
                             999.5, 1000, 1e10, 10000000001.0, 2e10, std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::denorm_min() };

const int32_t blockSizes[] = { 512, 64, 0, 1, 2, 3, 17, 511, 4096, 32768, 32769, 100000, 256, 1024, 441 };

const float parameterValues[] = { 0.0f, 0.5f, 1.0f, 0.25f, 0.75f, -0.0f, -1.0f, 2.0f,
                                  std::numeric_limits<float>::quiet_NaN(), inff, -inff, 1e30f, -1e30f,
                                  std::numeric_limits<float>::denorm_min(), 0.99999994f, 1.00000012f };

const float inputFills[] = { 0.0f, 0.5f, -1.0f, 1e30f, std::numeric_limits<float>::quiet_NaN(), inff, -inff,
                             std::numeric_limits<float>::denorm_min() };

constexpr int32_t largestBlock = 100000;
constexpr int32_t largestPreparedBlock = 1 << 17;
constexpr int64_t samplesPerInput = 40000;
constexpr int stepsPerInput = 96;

enum Step : uint8_t { Prepare, ChangeLayout, Process, SetParameter, Release, SaveAndLoad, NumSteps };

juce::AudioProcessor::BusesLayout MakeLayout (uint8_t choice)
{
    const juce::AudioChannelSet inputs[] = { juce::AudioChannelSet::disabled(), juce::AudioChannelSet::stereo(),
                                             juce::AudioChannelSet::mono() };
    const juce::AudioChannelSet outputs[] = { juce::AudioChannelSet::stereo(), juce::AudioChannelSet::mono() };

    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (inputs[choice % 3]);
    layout.outputBuses.add (outputs[(choice / 3) % 2]);
    return layout;
}

juce::MidiMessage MakeEvent (ByteReader& reader)
{
    const uint8_t kind = reader.Byte();
    const int channel = 1 + (kind >> 4);
    const auto first = (juce::uint8) (reader.Byte() & 0x7f);
    const auto second = (juce::uint8) (reader.Byte() & 0x7f);

    switch (kind % 12)
    {
        case 0:  return juce::MidiMessage::noteOn (channel, first, second);
        case 1:  return juce::MidiMessage::noteOff (channel, first, second);
        case 2:  return juce::MidiMessage::pitchWheel (channel, first << 7 | second);
        case 3:  return juce::MidiMessage::controllerEvent (channel, 1, second);
        case 4:  return juce::MidiMessage::controllerEvent (channel, first, second);
        case 5:  return juce::MidiMessage::channelPressureChange (channel, second);
        case 6:  return juce::MidiMessage::aftertouchChange (channel, first, second);
        case 7:  return juce::MidiMessage::programChange (channel, first);
        case 8:  return juce::MidiMessage::allNotesOff (channel);
        case 9:  return juce::MidiMessage::allSoundOff (channel);
        case 10:
        {
            const juce::uint8 body[] = { first, second };
            return juce::MidiMessage::createSysExMessage (body, 2);
        }
        default:
        {
            const juce::uint8 bytes[] = { (juce::uint8) (0x80 | first), second, first };
            return juce::MidiMessage (bytes, 1 + second % 3);
        }
    }
}

class HostSession
{
public:
    HostSession() { Processor.SeedVoices (1); }

    void Run (ByteReader& reader)
    {
        for (int step = 0; step < stepsPerInput && ! reader.AtEnd() && SamplesLeft > 0; ++step)
        {
            switch (reader.Byte() % NumSteps)
            {
                case Prepare:      PrepareAt (reader.FromTableOrRaw (hostRates), ReadPreparedBlock (reader)); break;
                case ChangeLayout: ChangeLayoutTo (reader.Byte()); break;
                case Process:      ProcessBlock (reader); break;
                case SetParameter: SetParameterValue (reader); break;
                case Release:      Processor.releaseResources(); break;
                case SaveAndLoad:  SaveAndLoadState(); break;
                default:           break;
            }
        }
    }

private:
    static int32_t ReadPreparedBlock (ByteReader& reader)
    {
        return std::clamp (reader.FromTableOrRaw (blockSizes), -1, largestPreparedBlock);
    }

    void PrepareAt (double rate, int32_t maximumBlock)
    {
        Rate = rate;
        MaximumBlock = maximumBlock;
        Processor.setRateAndBufferSizeDetails (rate, maximumBlock);
        Processor.prepareToPlay (rate, maximumBlock);
        Prepared = true;
    }

    // What a host does around a layout change.
    void ChangeLayoutTo (uint8_t choice)
    {
        Processor.releaseResources();
        Check (Processor.setBusesLayout (MakeLayout (choice)), "a mono or stereo output layout was refused");
        if (Prepared)
            PrepareAt (Rate, MaximumBlock);
    }

    void SetParameterValue (ByteReader& reader)
    {
        const uint8_t choice = reader.Byte();
        const float value = reader.FromTableOrRaw (parameterValues);
        auto* parameter = Processor.getParameters()[(choice & 0x7f) % 9];

        if (choice & 0x80)
            parameter->setValueNotifyingHost (value);
        else
            parameter->setValue (value);
    }

    void SaveAndLoadState()
    {
        juce::MemoryBlock state;
        Processor.getStateInformation (state);
        Processor.setStateInformation (state.getData(), (int) state.getSize());
    }

    void ProcessBlock (ByteReader& reader)
    {
        const int numSamples = (int) std::clamp<int64_t> (std::abs ((int64_t) reader.FromTableOrRaw (blockSizes)) % (largestBlock + 1),
                                                          0, SamplesLeft);
        const uint8_t shape = reader.Byte();
        const int layoutChannels = std::max (Processor.getTotalNumInputChannels(), Processor.getTotalNumOutputChannels());
        const int channels = layoutChannels + ((shape & 3) == 3 ? 1 + (shape >> 7) : 0);
        const float fill = inputFills[(shape >> 2) % std::size (inputFills)];

        juce::AudioBuffer<float> buffer (channels, numSamples);
        for (int channel = 0; channel < channels; ++channel)
            juce::FloatVectorOperations::fill (buffer.getWritePointer (channel), fill, numSamples);

        juce::MidiBuffer midi;
        const int numEvents = reader.Byte();
        for (int i = 0; i < numEvents && ! reader.AtEnd(); ++i)
        {
            const auto message = MakeEvent (reader);
            const auto offset = reader.Raw<uint16_t>();
            const int position = numSamples > 0 ? (int) (offset % (uint32_t) numSamples) : 0;
            midi.addEvent (message, position);
        }

        const int eventsIn = midi.getNumEvents();
        Processor.processBlock (buffer, midi);
        SamplesLeft -= numSamples;

        Check (midi.getNumEvents() <= eventsIn, "the block's MIDI gained events");
        if (Prepared)
            CheckFinite (buffer);
    }

    static void CheckFinite (const juce::AudioBuffer<float>& buffer)
    {
        for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        {
            const auto* samples = buffer.getReadPointer (channel);
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                Check (std::isfinite (samples[i]), "a prepared processor wrote a NaN or an infinity");
        }
    }

    GorlanAudioProcessor Processor;
    bool Prepared = false;
    double Rate = 44100;
    int32_t MaximumBlock = 512;
    int64_t SamplesLeft = samplesPerInput;
};
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    gorlan_fuzz::StartJuce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    ByteReader reader (data, size);
    {
        HostSession session;
        session.Run (reader);
    }
    gorlan_fuzz::PumpMessages();
    return 0;
}
