#include "AudioProcessorVelmora.h"
#include "InstrumentParameters.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <limits>
#include <locale>
#include <string>
#include <utility>
#include <vector>

#if JUCE_LINUX
 #include <pwd.h>
 #include <unistd.h>
#endif

namespace
{
using Attributes = std::vector<std::pair<juce::String, juce::String>>;

constexpr juce::uint32 Marker = 0x21324356;
constexpr int TestRate = 48000;

// AudioParameterFloat hides the host-facing value calls; hosts reach them through the base class.
float HostValue (const juce::AudioProcessorParameter* parameter) { return parameter->getValue(); }
void SetHostValue (juce::AudioProcessorParameter* parameter, float value) { parameter->setValue (value); }

// The smallest instrument on the base: the nine parameters and nothing else.
class TestProcessor : public juce::AudioProcessorVelmora
{
public:
    TestProcessor()
        : Parameters (AddInstrumentParameters (*this, MakeWaveformNames(), MakeChordNames()))
    {
        setRateAndBufferSizeDetails (TestRate, 512);
    }

    const juce::String getName() const override { return "Test"; }
    double getTailLengthSeconds() const override { return 0.0; }
    bool acceptsMidi() const override { return true; }
    bool producesMidi() const override { return false; }
    juce::AudioProcessorEditor* createEditor() override { return nullptr; }
    bool hasEditor() const override { return false; }
    void PreCalculate() override {}
    juce::StereoSample ProcessPerSample (juce::StereoSample sample) override { return sample; }

    void RequestFactor (int factor) { OversamplingFactor = factor; }
    void SetMaxBlock (juce::int64 samples) { MaxOversamplingBlock = samples; }

    std::vector<juce::AudioParameterFloatVelmora*> All() const
    {
        const auto& p = Parameters;
        return { p.VolumeParameter, p.CutoffParameter, p.ResonanceParameter, p.DecayParameter, p.LengthParameter,
                 p.PulseWidthParameter, p.WaveformParameter, p.ChordParameter, p.TuningParameter };
    }

    std::vector<float> Values() const
    {
        std::vector<float> values;
        for (auto* parameter : All())
            values.push_back (HostValue (parameter));
        return values;
    }

    InstrumentParameterSet Parameters;
};

// Records everything a host would hear about.
class HostNotifications : public juce::AudioProcessorListener,
                          public juce::AudioProcessorParameter::Listener
{
public:
    explicit HostNotifications (TestProcessor& p) : processor (p)
    {
        processor.addListener (this);
        for (auto* parameter : processor.All())
            parameter->addListener (this);
    }

    ~HostNotifications() override
    {
        for (auto* parameter : processor.All())
            parameter->removeListener (this);
        processor.removeListener (this);
    }

    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override { ++ParameterChanges; }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& details) override
    {
        ++ProcessorChanges;
        if (details.latencyChanged)
            ++LatencyChanges;
    }
    void parameterValueChanged (int, float) override { ++ParameterChanges; }
    void parameterGestureChanged (int, bool) override {}

    int ParameterChanges = 0, ProcessorChanges = 0, LatencyChanges = 0;

private:
    TestProcessor& processor;
};

juce::MemoryBlock Save (TestProcessor& processor)
{
    juce::MemoryBlock blob;
    processor.getStateInformation (blob);
    return blob;
}

void Load (TestProcessor& processor, const juce::MemoryBlock& blob)
{
    processor.setStateInformation (blob.getData(), static_cast<int> (blob.getSize()));
}

// The blob layout built by hand, so that any text (or a wrong length) can be wrapped.
juce::MemoryBlock Wrap (const juce::String& text, juce::uint32 marker = Marker, int lengthAdjust = 0)
{
    juce::MemoryBlock blob;
    {
        juce::MemoryOutputStream out (blob, false);
        out.writeInt (static_cast<int> (marker));
        out.writeInt (static_cast<int> (text.getNumBytesAsUTF8()) + lengthAdjust);
        out.write (text.toRawUTF8(), text.getNumBytesAsUTF8());
        out.writeByte (0);
    }
    return blob;
}

juce::MemoryBlock Encode (const juce::XmlElement& element)
{
    juce::MemoryBlock blob;
    juce::AudioProcessor::copyXmlToBinary (element, blob);
    return blob;
}

std::unique_ptr<juce::XmlElement> Decode (const juce::MemoryBlock& blob)
{
    return juce::AudioProcessor::getXmlFromBinary (blob.getData(), static_cast<int> (blob.getSize()));
}

Attributes AttributesOf (const juce::MemoryBlock& blob)
{
    Attributes attributes;
    if (auto element = Decode (blob))
        for (int i = 0; i < element->getNumAttributes(); ++i)
            attributes.emplace_back (element->getAttributeName (i), element->getAttributeValue (i));
    return attributes;
}

juce::String AttributeOf (const juce::MemoryBlock& blob, const char* name)
{
    auto element = Decode (blob);
    return element != nullptr ? element->getStringAttribute (name) : juce::String();
}

juce::String UtcStamp (std::time_t when)
{
    std::tm utc {};
    gmtime_r (&when, &utc);
    char text[30] = {};
    std::strftime (text, sizeof (text), "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

juce::String FormattedLikePrintf (float value)
{
    char text[32] = {};
    std::snprintf (text, sizeof (text), "%.4f", static_cast<double> (value));
    return text;
}

juce::String HostDaw()
{
    return juce::AudioProcessorVelmora::DawFromPath (
        juce::File::getSpecialLocation (juce::File::hostApplicationPath).getFullPathName());
}

std::vector<std::pair<juce::String, juce::String>> DefaultParameterAttributes()
{
    return { { "volume", "0.5000" }, { "cutoff", "0.3333" }, { "reso", "0.2000" },
             { "decay", "0.3333" }, { "length", "1.0000" }, { "pwidth", "0.5000" },
             { "waveform", "0.0000" }, { "chord", "0.0526" }, { "tuning", "0.5000" } };
}

void ExpectAllWithinUnitRange (const TestProcessor& processor)
{
    for (auto value : processor.Values())
    {
        ASSERT_FALSE (std::isnan (value));
        ASSERT_GE (value, 0.0f);
        ASSERT_LE (value, 1.0f);
    }
}

//==============================================================================
// Oversampling stage

void RunBlock (juce::dsp::Oversampling<float>& oversampler, juce::AudioBuffer<float>& buffer)
{
    juce::dsp::AudioBlock<float> block (buffer);
    auto up = oversampler.processSamplesUp (block);
    EXPECT_EQ (up.getNumSamples(), buffer.getNumSamples() * oversampler.getOversamplingFactor());
    EXPECT_GE (up.getNumChannels(), buffer.getNumChannels());
    oversampler.processSamplesDown (block);
}

bool RunSilenceAndHearAnything (juce::dsp::Oversampling<float>& oversampler, int channels)
{
    juce::AudioBuffer<float> silence (channels, 256);
    silence.clear();
    RunBlock (oversampler, silence);
    for (int channel = 0; channel < channels; ++channel)
        if (silence.getMagnitude (channel, 0, 256) > 0.0f)
            return true;
    return false;
}

void FeedOnes (juce::dsp::Oversampling<float>& oversampler, int channels)
{
    juce::AudioBuffer<float> ones (channels, 64);
    for (int channel = 0; channel < channels; ++channel)
        juce::FloatVectorOperations::fill (ones.getWritePointer (channel), 1.0f, 64);
    RunBlock (oversampler, ones);
}

TEST (ProcessorBaseOversampling, FreshProcessorBuildsNothing)
{
    TestProcessor processor;
    HostNotifications host (processor);

    processor.InitOversampling (2);

    EXPECT_EQ (processor.GetOversampler(), nullptr);
    EXPECT_EQ (processor.GetOversamplingFactor(), 1);
    EXPECT_EQ (processor.GetActiveOversamplingFactor(), 1.0f);
    EXPECT_EQ (processor.GetMaxOversamplingBlock(), 32768);
    EXPECT_EQ (processor.getLatencySamples(), 0);
    EXPECT_EQ (host.LatencyChanges, 0);
}

TEST (ProcessorBaseOversampling, BuildsOnceAndKeepsItUntilMoreChannelsArrive)
{
    TestProcessor processor;
    processor.RequestFactor (8);
    processor.InitOversampling (2);

    auto* first = processor.GetOversampler();
    ASSERT_NE (first, nullptr);
    EXPECT_EQ (first->getOversamplingFactor(), 8u);
    EXPECT_EQ (first->numChannels, 2u);
    EXPECT_EQ (processor.GetActiveOversamplingFactor(), 8.0f);
    EXPECT_EQ (processor.GetOversamplerBlockSize(), 32768);

    // Filter state left by earlier audio shows the oversampler was neither rebuilt nor reset.
    FeedOnes (*first, 2);
    processor.InitOversampling (2);
    processor.InitOversampling (1);
    ASSERT_EQ (processor.GetOversampler(), first);
    EXPECT_TRUE (RunSilenceAndHearAnything (*first, 2));

    FeedOnes (*first, 2);
    processor.InitOversampling (3);
    auto* rebuilt = processor.GetOversampler();
    ASSERT_NE (rebuilt, nullptr);
    ASSERT_EQ (rebuilt->numChannels, 3u);
    EXPECT_EQ (rebuilt->getOversamplingFactor(), 8u);
    EXPECT_EQ (processor.GetOversamplerChannels(), 3);
    EXPECT_FALSE (RunSilenceAndHearAnything (*rebuilt, 3));
}

TEST (ProcessorBaseOversampling, ReportsTruncatedLatencyOnceAndKeepsIt)
{
    TestProcessor processor;
    HostNotifications host (processor);
    processor.RequestFactor (8);
    processor.InitOversampling (2);

    auto* oversampler = processor.GetOversampler();
    ASSERT_NE (oversampler, nullptr);
    const float exact = oversampler->getLatencyInSamples();
    EXPECT_GT (exact, 1.0f);
    EXPECT_EQ (processor.getLatencySamples(), static_cast<int> (exact));
    EXPECT_EQ (host.LatencyChanges, 1);

    juce::AudioBuffer<float> buffer (2, 512);
    for (int block = 0; block < 20; ++block)
    {
        processor.InitOversampling (2);
        buffer.clear();
        buffer.setSample (0, 0, 1.0f);
        RunBlock (*processor.GetOversampler(), buffer);
    }

    // A rebuild for more channels keeps the latency, so the host hears nothing new.
    processor.InitOversampling (4);
    EXPECT_EQ (processor.getLatencySamples(), static_cast<int> (exact));
    EXPECT_EQ (host.LatencyChanges, 1);
    EXPECT_EQ (host.ParameterChanges, 0);
}

TEST (ProcessorBaseOversampling, NewFactorRebuildsWithItsStagesAndLatency)
{
    struct Case { int Factor; size_t ExpectedFactor; };
    const Case cases[] = { { 8, 8 }, { 2, 2 }, { 4, 4 }, { 1, 1 }, { 16, 16 } };

    TestProcessor processor;
    HostNotifications host (processor);
    int lastLatency = 0, expectedNotifications = 0;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.Factor);
        processor.RequestFactor (c.Factor);
        processor.InitOversampling (2);

        auto* oversampler = processor.GetOversampler();
        ASSERT_NE (oversampler, nullptr);
        EXPECT_EQ (oversampler->getOversamplingFactor(), c.ExpectedFactor);
        EXPECT_EQ (processor.GetActiveOversamplingFactor(), static_cast<float> (c.Factor));

        const int latency = static_cast<int> (oversampler->getLatencyInSamples());
        EXPECT_EQ (processor.getLatencySamples(), latency);
        expectedNotifications += latency != lastLatency ? 1 : 0;
        EXPECT_EQ (host.LatencyChanges, expectedNotifications);
        lastLatency = latency;

        juce::AudioBuffer<float> buffer (2, 128);
        buffer.clear();
        RunBlock (*oversampler, buffer);
    }
    EXPECT_EQ (processor.getLatencySamples(), static_cast<int> (processor.GetOversampler()->getLatencyInSamples()));
}

TEST (ProcessorBaseOversampling, LargerMaximumBlockRebuildsForIt)
{
    TestProcessor processor;
    processor.SetMaxBlock (256);
    processor.RequestFactor (8);
    processor.InitOversampling (2);
    auto* small = processor.GetOversampler();
    ASSERT_NE (small, nullptr);
    EXPECT_EQ (processor.GetOversamplerBlockSize(), 256);

    processor.prepareToPlay (48000.0, 128);
    processor.InitOversampling (2);
    EXPECT_EQ (processor.GetOversampler(), small);
    EXPECT_EQ (processor.GetOversamplerBlockSize(), 256);

    processor.prepareToPlay (48000.0, 1024);
    EXPECT_EQ (processor.GetMaxOversamplingBlock(), 1024);
    processor.InitOversampling (2);
    EXPECT_EQ (processor.GetOversamplerBlockSize(), 1024);

    juce::AudioBuffer<float> buffer (2, 1024);
    buffer.clear();
    RunBlock (*processor.GetOversampler(), buffer);
}

TEST (ProcessorBaseLifecycle, DeclaresAnInactiveStereoInputAndAnActiveStereoOutput)
{
    TestProcessor processor;

    for (bool isInput : { true, false })
    {
        ASSERT_EQ (processor.getBusCount (isInput), 1);
        auto* bus = processor.getBus (isInput, 0);
        EXPECT_EQ (bus->getName(), isInput ? "Input" : "Output");
        EXPECT_EQ (bus->getDefaultLayout(), juce::AudioChannelSet::stereo());
        EXPECT_EQ (bus->isEnabledByDefault(), ! isInput);
    }
    EXPECT_EQ (processor.getTotalNumInputChannels(), 0);
    EXPECT_EQ (processor.getTotalNumOutputChannels(), 2);
}

TEST (ProcessorBaseLifecycle, LoadedAsLv2DeclaresNoInput)
{
    auto& wrapper = juce::PluginHostType::jucePlugInClientCurrentWrapperType;
    const auto previous = wrapper;
    wrapper = juce::AudioProcessor::wrapperType_LV2;
    TestProcessor processor;
    wrapper = previous;

    EXPECT_EQ (processor.getBusCount (true), 0);
    ASSERT_EQ (processor.getBusCount (false), 1);
    EXPECT_TRUE (processor.getBus (false, 0)->isEnabledByDefault());
    EXPECT_EQ (processor.getTotalNumOutputChannels(), 2);
}

TEST (ProcessorBaseLifecycle, BaseProcessingIsSafe)
{
    TestProcessor processor;
    EXPECT_DOUBLE_EQ (processor.GetLastSampleRate(), 96000.0);

    processor.prepareToPlay (44100.0, 512);
    EXPECT_DOUBLE_EQ (processor.GetLastSampleRate(), 44100.0);
    processor.prepareToPlay (500.0, 0);
    EXPECT_DOUBLE_EQ (processor.GetLastSampleRate(), 44100.0);
    EXPECT_EQ (processor.GetMaxOversamplingBlock(), 512);

    // With no active input every output channel is cleared.
    juce::AudioBuffer<float> buffer (2, 512);
    for (int channel = 0; channel < 2; ++channel)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (channel), 0.5f, 512);
    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::noteOn (1, 60, 0.5f), 0);
    processor.processBlock (buffer, midi);
    EXPECT_EQ (buffer.getMagnitude (0, 512), 0.0f);

    // With the input active the block passes through.
    ASSERT_TRUE (processor.enableAllBuses());
    buffer.setSample (1, 7, 0.25f);
    processor.processBlock (buffer, midi);
    EXPECT_EQ (buffer.getSample (1, 7), 0.25f);

    processor.RequestFactor (8);
    processor.InitOversampling (2);
    FeedOnes (*processor.GetOversampler(), 2);
    processor.releaseResources();
    EXPECT_FALSE (RunSilenceAndHearAnything (*processor.GetOversampler(), 2));
}

//==============================================================================
// Programs

TEST (ProcessorBasePrograms, OneDefaultProgramThatNothingRenames)
{
    TestProcessor processor;
    const auto before = processor.Values();

    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getProgramName (0), "Default");
    EXPECT_EQ (processor.getCurrentProgram(), 0);

    processor.changeProgramName (0, "Renamed");
    EXPECT_EQ (processor.getProgramName (0), "Default");
    EXPECT_EQ (processor.getNumPrograms(), 1);

    processor.setCurrentProgram (3);
    EXPECT_EQ (processor.getCurrentProgram(), 3);
    EXPECT_EQ (processor.Values(), before);

    // The host asks for the current program's name: an index past the list yields no name.
    for (int index : { 3, 1, -1, std::numeric_limits<int>::max() })
        EXPECT_EQ (processor.getProgramName (index), juce::String()) << index;
}

TEST (ProcessorBasePrograms, DefaultIsAddedOnceByWhicheverOperationComesFirst)
{
    using Operation = std::function<void (TestProcessor&)>;
    const std::vector<Operation> firstCalls {
        [] (TestProcessor& p) { p.getNumPrograms(); },
        [] (TestProcessor& p) { p.getProgramName (0); },
        [] (TestProcessor& p) { p.changeProgramName (0, "x"); },
    };

    for (const auto& first : firstCalls)
    {
        TestProcessor processor;
        first (processor);
        first (processor);
        EXPECT_EQ (processor.getNumPrograms(), 1);
        EXPECT_EQ (processor.getProgramName (0), "Default");
    }

    TestProcessor withPreset;
    withPreset.AddPreset ("Bass", "volume=\"0.3\"");
    EXPECT_EQ (withPreset.getNumPrograms(), 1);
    EXPECT_EQ (withPreset.getProgramName (0), "Bass");
    withPreset.AddPreset ("Lead", "");
    EXPECT_EQ (withPreset.getNumPrograms(), 2);
    EXPECT_EQ (withPreset.getProgramName (1), "Lead");
}

//==============================================================================
// Saved state: layout and content

TEST (ProcessorBaseState, BlobHasMarkerLengthSingleLineTextAndZeroByte)
{
    TestProcessor processor;
    const auto blob = Save (processor);
    const auto* bytes = static_cast<const char*> (blob.getData());

    ASSERT_GT (blob.getSize(), 9u);
    EXPECT_EQ (std::memcmp (bytes, "VC2!", 4), 0);
    const auto length = juce::ByteOrder::littleEndianInt (bytes + 4);
    EXPECT_EQ (length, blob.getSize() - 9);
    EXPECT_EQ (bytes[blob.getSize() - 1], 0);
    EXPECT_EQ (std::strlen (bytes + 8), length);

    const auto text = juce::String::fromUTF8 (bytes + 8, static_cast<int> (length));
    EXPECT_TRUE (text.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?> <settings ")) << text;
    EXPECT_TRUE (text.endsWith ("/>")) << text;
    EXPECT_FALSE (text.containsAnyOf ("\r\n"));
}

TEST (ProcessorBaseState, FreshStateHasEveryAttributeInOrder)
{
    TestProcessor processor;
    const auto before = UtcStamp (std::time (nullptr));
    const auto attributes = AttributesOf (Save (processor));
    const auto after = UtcStamp (std::time (nullptr));

    auto expected = DefaultParameterAttributes();
    expected.emplace_back ("date_modified", "");
    expected.emplace_back ("daw", HostDaw());
    expected.emplace_back ("plugin", "Gorlan");
    expected.emplace_back ("pluginversion", "284");
    expected.emplace_back ("samplerate", "48000");
    expected.emplace_back ("username", juce::AudioProcessorVelmora::CurrentUserName());

    ASSERT_EQ (attributes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ (attributes[i].first, expected[i].first) << i;
        if (expected[i].first != "date_modified")
        {
            EXPECT_EQ (attributes[i].second, expected[i].second) << expected[i].first;
        }
    }

    const auto date = attributes[9].second;
    EXPECT_TRUE (date.length() == 20 && date.matchesWildcard ("*-*-*T*:*:*Z", false)
                 && date.removeCharacters ("-T:Z").containsOnly ("0123456789")) << date;
    EXPECT_GE (date, before);
    EXPECT_LE (date, after);
    EXPECT_TRUE (HostDaw().isNotEmpty());
    EXPECT_TRUE (juce::AudioProcessorVelmora::CurrentUserName().isNotEmpty());

    const auto store = processor.GetStateAttributes();
    EXPECT_EQ (store.size(), 6u);
    EXPECT_EQ (store.count ("volume"), 0u);
}

TEST (ProcessorBaseState, ParameterValuesAreWrittenWithFourDecimals)
{
    const float values[] = { 0.0f, 1.0f, 0.12345f, 1.0f / 3.0f, 0.99996f, 0.00004f, 0.03125f, 0.96875f, 0.5f };

    TestProcessor processor;
    for (float value : values)
    {
        SetHostValue (processor.Parameters.VolumeParameter, value);
        const auto written = AttributeOf (Save (processor), "volume");
        EXPECT_EQ (written, FormattedLikePrintf (HostValue (processor.Parameters.VolumeParameter))) << value;
    }
    SetHostValue (processor.Parameters.VolumeParameter, 0.12345f);
    EXPECT_EQ (AttributeOf (Save (processor), "volume"), "0.1235");
}

// Hosts may run with a locale whose decimal separator is a comma.
class CommaLocale
{
public:
    CommaLocale()
    {
        for (const char* name : { "de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE", "fr_FR" })
        {
            try
            {
                std::locale::global (std::locale (name));
            }
            catch (const std::runtime_error&)
            {
                continue;
            }
            if (std::string (std::localeconv()->decimal_point) == ",")
            {
                Active = true;
                return;
            }
        }
        std::locale::global (previous);
    }

    ~CommaLocale() { std::locale::global (previous); }

    bool Active = false;

private:
    std::locale previous { std::locale() };
};

TEST (ProcessorBaseState, CommaLocaleOfTheHostChangesNothing)
{
    juce::MemoryBlock blob;
    float loaded = 0.0f;
    {
        CommaLocale locale;
        if (! locale.Active)
            GTEST_SKIP() << "no locale with a decimal comma installed";

        TestProcessor writer;
        SetHostValue (writer.Parameters.VolumeParameter, 0.25f);
        blob = Save (writer);

        TestProcessor reader;
        Load (reader, blob);
        loaded = HostValue (reader.Parameters.VolumeParameter);
    }
    EXPECT_EQ (AttributeOf (blob, "volume"), "0.2500");
    EXPECT_EQ (AttributeOf (blob, "pwidth"), "0.5000");
    EXPECT_FLOAT_EQ (loaded, 0.25f);
}

TEST (ProcessorBaseState, SampleRateIsTruncated)
{
    struct Case { double Rate; const char* Expected; };
    const Case cases[] = { { 44100.0, "44100" }, { 88199.99, "88199" }, { 0.0, "0" }, { 96000.5, "96000" } };

    for (const auto& c : cases)
    {
        TestProcessor processor;
        processor.setRateAndBufferSizeDetails (c.Rate, 256);
        EXPECT_EQ (AttributeOf (Save (processor), "samplerate"), c.Expected) << c.Rate;
    }
}

#if JUCE_LINUX
TEST (ProcessorBaseState, UserNameIsThePasswdFullNameElseTheLoginName)
{
    auto* entry = getpwuid (getuid());
    ASSERT_NE (entry, nullptr);
    const auto gecos = juce::String::fromUTF8 (entry->pw_gecos).upToFirstOccurrenceOf (",", false, false).trim();
    const auto expected = gecos.isNotEmpty() ? gecos : juce::String::fromUTF8 (entry->pw_name);

    TestProcessor processor;
    EXPECT_EQ (AttributeOf (Save (processor), "username"), expected);
}
#endif

TEST (ProcessorBaseState, DawIsTheTailOfTheExecutablePath)
{
    struct Case { const char* Path; const char* Expected; };
    const Case cases[] = {
        { "/Applications/Host.app/Contents/MacOS/Host", "Contents/MacOS/Host" },
        { "C:\\Apps\\Host\\host.exe", "Host/host.exe" },
        { "host", "" },
        { "", "" },
        { "/", "" },
        { "//", "" },
        { "/host", "host" },
        { "/usr/bin/reaper", "bin/reaper" },
        { "/opt/Bitwig Studio/bin/BitwigStudio", "Bitwig Studio/bin/BitwigStudio" },
        { "C:/Program Files/Steinberg/Cubase 13/Cubase13.exe", "Steinberg/Cubase 13/Cubase13.exe" },
        { "C:\\Apps/Mixed\\Host/host.exe", "Mixed/Host/host.exe" },
        { "/a/b/", "a/b" },
        { "a//b", "/b" },
        { "relative/host", "host" },
        { "/Applications/Ableton Live 12 Suite.app/Contents/MacOS/Live", "Contents/MacOS/Live" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (juce::AudioProcessorVelmora::DawFromPath (c.Path), juce::String (c.Expected)) << c.Path;
}

//==============================================================================
// Saved state: loading

TEST (ProcessorBaseState, RoundTripRestoresEveryParameterSilently)
{
    juce::Random random (20250131);
    TestProcessor writer;
    for (auto* parameter : writer.All())
        SetHostValue (parameter, random.nextFloat());
    const auto written = writer.Values();
    const auto blob = Save (writer);

    TestProcessor reader;
    HostNotifications host (reader);
    Load (reader, blob);

    const auto read = reader.Values();
    ASSERT_EQ (read.size(), written.size());
    for (size_t i = 0; i < read.size(); ++i)
        EXPECT_NEAR (read[i], written[i], 0.00005f) << reader.All()[i]->getParameterID();

    EXPECT_EQ (host.ParameterChanges, 0);
    EXPECT_EQ (host.ProcessorChanges, 0);

    // A host that dropped the closing zero byte still hands over the whole text.
    TestProcessor withoutZero;
    Load (withoutZero, juce::MemoryBlock (blob.getData(), blob.getSize() - 1));
    EXPECT_EQ (withoutZero.Values(), reader.Values());
}

TEST (ProcessorBaseState, LoadRules)
{
    struct Case { const char* Xml; float Volume; float Cutoff; };
    constexpr float keptVolume = 0.7f, keptCutoff = 0.6f;
    const Case cases[] = {
        { "<settings volume=\"0.25\"/>", 0.25f, keptCutoff },
        { "<SETTINGS volume=\"0.25\" cutoff=\"0.1\"/>", 0.25f, 0.1f },
        { "<Settings volume=\"0.25\"/>", 0.25f, keptCutoff },
        { "<settings Volume=\"0.25\" CUTOFF=\"0.1\"/>", keptVolume, keptCutoff },
        { "<settings volume=\"1.5\" cutoff=\"-3\"/>", 1.0f, 0.0f },
        { "<settings volume=\"abc\" cutoff=\"0.123456\"/>", 0.0f, 0.123456f },
        { "<settings volume=\"nan\" cutoff=\"1e999\"/>", 0.0f, 1.0f },
        { "<settings volume=\"-1e999\" cutoff=\"\"/>", 0.0f, 0.0f },
        { "<settings volume=\"0.25\"><settings volume=\"0.9\"/></settings>", 0.25f, keptCutoff },
        { "<settings/>", keptVolume, keptCutoff },
        { "<SETTINGS volume=\"0.25\"></SETTINGS>", 0.25f, keptCutoff },
        { "<settings volume=\"0.25\">\n  <child a=\"1\"/>\n</settings >\n", 0.25f, keptCutoff },
    };

    for (const auto& c : cases)
    {
        TestProcessor processor;
        HostNotifications host (processor);
        SetHostValue (processor.Parameters.VolumeParameter, keptVolume);
        SetHostValue (processor.Parameters.CutoffParameter, keptCutoff);
        const auto others = HostValue (processor.Parameters.TuningParameter);

        Load (processor, Wrap (juce::String ("<?xml version=\"1.0\" encoding=\"UTF-8\"?> ") + c.Xml));

        EXPECT_NEAR (HostValue (processor.Parameters.VolumeParameter), c.Volume, 1.0e-6f) << c.Xml;
        EXPECT_NEAR (HostValue (processor.Parameters.CutoffParameter), c.Cutoff, 1.0e-6f) << c.Xml;
        EXPECT_EQ (HostValue (processor.Parameters.TuningParameter), others) << c.Xml;
        EXPECT_EQ (host.ParameterChanges, 0) << c.Xml;
    }
}

TEST (ProcessorBaseState, UnknownAttributesSurviveInNameOrderAndEmptyOnesDoNot)
{
    TestProcessor processor;
    Load (processor, Wrap ("<settings zebra=\"z\" volume=\"0.25\" aardvark=\"a\" empty=\"\" Mixed=\"M\" "
                           "plugin=\"Other\" pluginversion=\"1\" daw=\"Elsewhere\"/>"));

    const auto& loaded = processor.GetStateAttributes();
    EXPECT_EQ (loaded.at ("volume"), "0.25");
    EXPECT_EQ (loaded.at ("zebra"), "z");
    EXPECT_EQ (loaded.count ("empty"), 0u);

    const auto attributes = AttributesOf (Save (processor));
    std::vector<juce::String> names;
    for (const auto& attribute : attributes)
        names.push_back (attribute.first);

    const std::vector<juce::String> expected { "volume", "cutoff", "reso", "decay", "length", "pwidth", "waveform",
                                               "chord", "tuning", "Mixed", "aardvark", "date_modified", "daw",
                                               "plugin", "pluginversion", "samplerate", "username", "zebra" };
    EXPECT_EQ (names, expected);

    const auto blob = Save (processor);
    EXPECT_EQ (AttributeOf (blob, "volume"), "0.2500");
    EXPECT_EQ (AttributeOf (blob, "zebra"), "z");
    EXPECT_EQ (AttributeOf (blob, "Mixed"), "M");
    EXPECT_EQ (AttributeOf (blob, "plugin"), "Gorlan");
    EXPECT_EQ (AttributeOf (blob, "pluginversion"), "284");
    EXPECT_EQ (AttributeOf (blob, "daw"), HostDaw());
    EXPECT_EQ (processor.GetStateAttributes().count ("volume"), 0u);
}

TEST (ProcessorBaseState, BadBlobsChangeNothing)
{
    const juce::String goodText = "<?xml version=\"1.0\" encoding=\"UTF-8\"?> <settings volume=\"0.1\" cutoff=\"0.9\"/>";
    const auto good = Wrap (goodText);

    auto withByte = [] (juce::MemoryBlock blob, size_t index, char value) { blob[index] = value; return blob; };
    auto truncated = [] (const juce::MemoryBlock& blob, size_t size) { return juce::MemoryBlock (blob.getData(), size); };

    struct Case { const char* Name; juce::MemoryBlock Blob; };
    const std::vector<Case> cases {
        { "empty", {} },
        { "8 bytes", truncated (good, 8) },
        { "wrong marker", withByte (good, 0, 'X') },
        { "truncated text", truncated (good, good.getSize() / 2) },
        { "truncated after the attribute", truncated (good, 8 + static_cast<size_t> (goodText.indexOf ("/>"))) },
        { "cut inside a value", truncated (good, 8 + static_cast<size_t> (goodText.indexOf ("0.9") + 2)) },
        { "length shorter than the text", Wrap (goodText, Marker, -3) },
        { "children without the closing tag", Wrap ("<settings volume=\"0.1\"><child/>") },
        { "zero length", Wrap (goodText, Marker, -static_cast<int> (goodText.getNumBytesAsUTF8())) },
        { "negative length", Wrap (goodText, Marker, -static_cast<int> (goodText.getNumBytesAsUTF8()) - 5) },
        { "length with the top bit set", withByte (good, 7, '\x80') },
        { "unparsable", Wrap ("this is not xml <settings volume=\"0.1\"/>") },
        { "another root", Wrap ("<preset volume=\"0.1\" cutoff=\"0.9\"/>") },
        { "settings as a child", Wrap ("<root><settings volume=\"0.1\"/></root>") },
    };

    TestProcessor processor;
    Load (processor, Wrap ("<settings volume=\"0.3\" keepme=\"yes\"/>"));
    const auto values = processor.Values();
    const auto store = processor.GetStateAttributes();
    const auto saved = Save (processor);

    for (const auto& c : cases)
    {
        HostNotifications host (processor);
        Load (processor, c.Blob);
        processor.setStateInformation (nullptr, 100);
        processor.setStateInformation (c.Blob.getData(), -5);

        EXPECT_EQ (processor.Values(), values) << c.Name;
        EXPECT_EQ (Save (processor), saved) << c.Name;
        EXPECT_EQ (host.ProcessorChanges + host.ParameterChanges, 0) << c.Name;
    }
    EXPECT_EQ (processor.GetStateAttributes().at ("keepme"), store.at ("keepme"));
}

//==============================================================================
// Saved state: the time of saving

juce::MemoryBlock StampedAgo (TestProcessor& writer, std::time_t secondsAgo)
{
    auto element = Decode (Save (writer));
    element->setAttribute ("date_modified", UtcStamp (std::time (nullptr) - secondsAgo));
    return Encode (*element);
}

TEST (ProcessorBaseState, HourOldStateReadsBackIdenticalUntilSomethingChanges)
{
    TestProcessor writer;
    SetHostValue (writer.Parameters.VolumeParameter, 0.3f);
    SetHostValue (writer.Parameters.ChordParameter, 0.5f);
    const auto old = StampedAgo (writer, 3600);
    const auto oldDate = AttributeOf (old, "date_modified");

    TestProcessor host;
    Load (host, old);
    EXPECT_EQ (Save (host), old);
    EXPECT_EQ (Save (host), old);

    const auto before = UtcStamp (std::time (nullptr));
    host.Parameters.CutoffParameter->setValueNotifyingHost (0.9f);
    const auto changed = Save (host);
    const auto after = UtcStamp (std::time (nullptr));

    const auto date = AttributeOf (changed, "date_modified");
    EXPECT_NE (date, oldDate);
    EXPECT_GE (date, before);
    EXPECT_LE (date, after);
    EXPECT_EQ (AttributeOf (changed, "cutoff"), "0.9000");
    EXPECT_EQ (Save (host), changed);
}

TEST (ProcessorBaseState, OldDateIsKeptOnlyWhenNothingElseDiffers)
{
    TestProcessor writer;
    const auto old = StampedAgo (writer, 3600);
    const auto oldDate = AttributeOf (old, "date_modified");

    using Change = std::function<void (TestProcessor&)>;
    const std::vector<std::pair<const char*, Change>> changes {
        { "sample rate", [] (TestProcessor& p) { p.setRateAndBufferSizeDetails (44100.0, 512); } },
        { "parameter", [] (TestProcessor& p) { SetHostValue (p.Parameters.TuningParameter, 0.75f); } },
    };

    for (const auto& [name, change] : changes)
    {
        TestProcessor host;
        Load (host, old);
        change (host);
        EXPECT_NE (AttributeOf (Save (host), "date_modified"), oldDate) << name;
    }

    // A state that differs in its text (not in the values) is written anew as well.
    auto element = Decode (old);
    element->setAttribute ("volume", "0.5");
    TestProcessor host;
    Load (host, Encode (*element));
    EXPECT_NE (AttributeOf (Save (host), "date_modified"), oldDate);
}

//==============================================================================
// Saved state: hostile input

juce::MemoryBlock RandomBytes (juce::Random& random)
{
    juce::MemoryBlock blob (static_cast<size_t> (random.nextInt (80)));
    for (size_t i = 0; i < blob.getSize(); ++i)
        blob[i] = static_cast<char> (random.nextInt (256));
    if (blob.getSize() >= 4 && random.nextBool())
        blob.copyFrom ("VC2!", 0, 4);
    return blob;
}

juce::MemoryBlock Mutated (juce::Random& random, juce::MemoryBlock blob)
{
    const int edits = 1 + random.nextInt (4);
    for (int i = 0; i < edits; ++i)
    {
        const auto index = static_cast<size_t> (random.nextInt (static_cast<int> (blob.getSize())));
        switch (random.nextInt (3))
        {
            case 0:  blob[index] = static_cast<char> (random.nextInt (256)); break;
            case 1:  blob.setSize (index); break;
            default: blob[index] = "\"<>=/ 0.-e9nax&;"[random.nextInt (16)]; break;
        }
        if (blob.getSize() == 0)
            break;
    }
    return blob;
}

juce::String RandomValueText (juce::Random& random)
{
    const char* const specials[] = { "", "nan", "-nan", "inf", "-inf", "1e999", "-1e999", "abc", "0x10", "1,5", " 0.5",
                                     "0.5 ", "+0.5", "-0", "1e-45", "9e18", "  ", "&amp;", "1.00001" };
    switch (random.nextInt (3))
    {
        case 0:  return specials[random.nextInt (juce::numElementsInArray (specials))];
        case 1:  return juce::String (random.nextDouble() * 40.0 - 20.0, 6);
        default: return juce::String (random.nextFloat(), 4);
    }
}

juce::MemoryBlock RandomSettings (juce::Random& random, const TestProcessor& processor)
{
    juce::XmlElement element (random.nextInt (10) == 0 ? "SeTTings" : "settings");
    for (auto* parameter : processor.All())
        if (random.nextInt (4) != 0)
            element.setAttribute (parameter->getParameterID(), RandomValueText (random));
    for (int i = random.nextInt (4); --i >= 0;)
        element.setAttribute ("extra" + juce::String (random.nextInt (20)), RandomValueText (random));
    return Encode (element);
}

TEST (ProcessorBaseState, SeededHostileBlobsKeepEveryParameterInRange)
{
    juce::Random random (4242);
    TestProcessor processor;
    const auto valid = Save (processor);

    for (int round = 0; round < 4000; ++round)
    {
        juce::MemoryBlock blob;
        switch (round % 4)
        {
            case 0:  blob = RandomBytes (random); break;
            case 1:  blob = Mutated (random, valid); break;
            case 2:  blob = RandomSettings (random, processor); break;
            default: blob = Mutated (random, RandomSettings (random, processor)); break;
        }

        Load (processor, blob);
        ExpectAllWithinUnitRange (processor);

        if (round % 20 == 0)
        {
            // Whatever was accepted is written back as a state that loads again.
            const auto saved = Save (processor);
            auto element = Decode (saved);
            ASSERT_NE (element, nullptr) << round;
            EXPECT_EQ (element->getTagName(), "settings");
            EXPECT_EQ (element->getAttributeName (0), "volume");

            TestProcessor copy;
            Load (copy, saved);
            const auto copied = copy.Values(), original = processor.Values();
            for (size_t i = 0; i < copied.size(); ++i)
                EXPECT_NEAR (copied[i], original[i], 0.00005f) << round;
            EXPECT_EQ (Save (copy), saved) << round;
        }
        if (testing::Test::HasFatalFailure())
            return;
    }
}

} // namespace
