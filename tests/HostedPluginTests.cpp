// Loads the built VST3 and LV2 bundles through JUCE's own plug-in hosting, as a host does.
#include <gtest/gtest.h>

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_dsp/juce_dsp.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr double HostRate = 48000.0;
constexpr int BlockSize = 512;

struct BundleCase
{
    const char* Format;
    const char* Path;   // empty when the plug-in was not built
};

const BundleCase bundleCases[] = {
#ifdef GORLAN_VST3_BUNDLE
    { "VST3", GORLAN_VST3_BUNDLE },
#else
    { "VST3", "" },
#endif
#ifdef GORLAN_LV2_BUNDLE
    { "LV2", GORLAN_LV2_BUNDLE },
#else
    { "LV2", "" },
#endif
};

struct ExpectedParameter
{
    const char* Id;
    const char* Name;
    const char* DefaultText;
};

const ExpectedParameter expectedParameters[] = {
    { "volume", "Volume", "+0.0 dB" },  { "cutoff", "Cutoff", "200 Hz" },    { "reso", "Resonance", "20 %" },
    { "decay", "Decay", "0.10 s" },     { "length", "Length", "5.0 s" },     { "pwidth", "Pulsewidth", "50 %" },
    { "waveform", "Waveform", "Saw1" }, { "chord", "Chord", "Poly" },        { "tuning", "Tuning", "  0 %" },
};

// JUCE's LV2 hosting also scans ~/.lv2, where an installed copy with the same URI would hide
// the bundle under test; the format is created with HOME pointing at an empty folder.
std::unique_ptr<juce::AudioPluginFormat> MakeFormat (const juce::String& name)
{
    if (name == "VST3")
        return std::make_unique<juce::VST3PluginFormat>();

   #if JUCE_WINDOWS
    return std::make_unique<juce::LV2PluginFormat>();
   #else
    const juce::TemporaryFile emptyHome;
    emptyHome.getFile().createDirectory();
    const juce::String home = juce::SystemStats::getEnvironmentVariable ("HOME", {});
    setenv ("HOME", emptyHome.getFile().getFullPathName().toRawUTF8(), 1);
    auto format = std::make_unique<juce::LV2PluginFormat>();
    setenv ("HOME", home.toRawUTF8(), 1);
    emptyHome.getFile().deleteRecursively();
    return format;
   #endif
}

class HostedPlugin : public ::testing::TestWithParam<BundleCase>
{
protected:
    void SetUp() override
    {
        const auto& bundle = GetParam();

        if (juce::String (bundle.Path).isEmpty())
            GTEST_SKIP() << bundle.Format << " plug-in not built (configure with -DGORLAN_BUILD_PLUGIN=ON)";

        ASSERT_TRUE (juce::File (bundle.Path).exists()) << bundle.Path;

        Formats.addFormat (MakeFormat (bundle.Format).release());
        Formats.getFormat (0)->findAllTypesForFile (Types, bundle.Path);
        ASSERT_EQ (Types.size(), 1) << "no plug-in found in " << bundle.Path;
    }

    std::unique_ptr<juce::AudioPluginInstance> Instantiate()
    {
        juce::String error;
        auto instance = Formats.createPluginInstance (*Types[0], HostRate, BlockSize, error);
        EXPECT_NE (instance, nullptr) << error;
        return instance;
    }

    static void Prepare (juce::AudioPluginInstance& instance)
    {
        instance.setRateAndBufferSizeDetails (HostRate, BlockSize);
        instance.prepareToPlay (HostRate, BlockSize);
    }

    // Renders blocks of silence, the first carrying the given MIDI, and returns channel 0.
    static std::vector<float> Render (juce::AudioPluginInstance& instance, juce::MidiBuffer firstMidi, int numBlocks)
    {
        const int channels = std::max (instance.getTotalNumInputChannels(), instance.getTotalNumOutputChannels());
        juce::AudioBuffer<float> buffer (channels, BlockSize);
        std::vector<float> output;

        for (int block = 0; block < numBlocks; ++block)
        {
            buffer.clear();
            juce::MidiBuffer midi;
            if (block == 0)
                midi.swapWith (firstMidi);

            instance.processBlock (buffer, midi);
            output.insert (output.end(), buffer.getReadPointer (0), buffer.getReadPointer (0) + BlockSize);
        }

        return output;
    }

    static bool IsVst3() { return juce::String (GetParam().Format) == "VST3"; }

    juce::AudioPluginFormatManager Formats;
    juce::OwnedArray<juce::PluginDescription> Types;
};

juce::String ParameterIdentifier (juce::AudioProcessorParameter& parameter)
{
    if (auto* hosted = dynamic_cast<juce::HostedAudioProcessorParameter*> (&parameter))
        return hosted->getParameterID();

    return {};
}

// The instrument's nine parameters as a host sees them, in the instrument's order (null where
// missing). VST3 keeps the plug-in's order and appends the wrapper's bypass and MIDI controller
// parameters; JUCE's LV2 hosting sorts parameters by URI, so those are found by identifier.
std::vector<juce::AudioProcessorParameter*> InstrumentParameters (juce::AudioPluginInstance& instance, bool isVst3)
{
    const auto& all = instance.getParameters();

    if (isVst3)
        return { all.begin(), all.begin() + std::min (all.size(), 9) };

    std::vector<juce::AudioProcessorParameter*> found;

    for (const auto& expected : expectedParameters)
    {
        const auto match = std::find_if (all.begin(), all.end(), [&] (auto* parameter)
                                         { return ParameterIdentifier (*parameter).endsWith (juce::String (":") + expected.Id); });
        found.push_back (match != all.end() ? *match : nullptr);
    }

    return found;
}

// Where an LV2 host reads the parameter order: the bundle's description.
bool Lv2DescriptionListsParametersInOrder (const juce::File& bundle)
{
    const auto description = bundle.getChildFile ("dsp.ttl").loadFileAsString();
    const auto writable = description.fromFirstOccurrenceOf ("patch:writable", false, false)
                              .upToFirstOccurrenceOf (";", false, false);
    int previous = -1;

    for (const auto& expected : expectedParameters)
    {
        const int position = writable.indexOf (juce::String ("plug:") + expected.Id + " ");
        if (position <= previous)
            return false;
        previous = position;
    }

    return true;
}

// The instrument's own saved settings inside a hosted instance's state: VST3 wraps the plug-in's
// blob in base64 text inside an XML element, LV2 in base64 text inside a Turtle preset.
std::unique_ptr<juce::XmlElement> InstrumentSettings (const juce::MemoryBlock& hostState, bool isVst3)
{
    juce::MemoryBlock blob;

    if (isVst3)
    {
        const auto wrapper = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize());

        if (wrapper == nullptr || wrapper->getChildByName ("IComponent") == nullptr)
            return {};

        blob.fromBase64Encoding (wrapper->getChildByName ("IComponent")->getAllSubText());
    }
    else
    {
        const auto text = hostState.toString();
        blob.fromBase64Encoding (text.fromFirstOccurrenceOf ("StateString> \"", false, false)
                                     .upToFirstOccurrenceOf ("\"", false, false));
    }

    return juce::AudioProcessor::getXmlFromBinary (blob.getData(), (int) blob.getSize());
}

// Frequency of the strongest component, from a windowed FFT.
double StrongestFrequency (const std::vector<float>& signal, double sampleRate)
{
    constexpr int order = 15;
    constexpr int size = 1 << order;
    std::vector<float> data (2 * size, 0.0f);
    std::copy (signal.end() - size, signal.end(), data.begin());

    juce::dsp::WindowingFunction<float> window (size, juce::dsp::WindowingFunction<float>::hann, false);
    window.multiplyWithWindowingTable (data.data(), size);
    juce::dsp::FFT (order).performFrequencyOnlyForwardTransform (data.data(), true);

    const auto peak = std::max_element (data.begin() + 1, data.begin() + size / 2);
    return (double) std::distance (data.begin(), peak) * sampleRate / size;
}
} // namespace

TEST_P (HostedPlugin, ShowsItsNameAndNineParametersWithTheirDefaults)
{
    auto instance = Instantiate();
    ASSERT_NE (instance, nullptr);

    EXPECT_EQ (instance->getName(), "Gorlan");
    EXPECT_EQ (Types[0]->manufacturerName, "Velmora");

    const auto parameters = InstrumentParameters (*instance, IsVst3());
    ASSERT_EQ (parameters.size(), 9u);

    for (size_t i = 0; i < parameters.size(); ++i)
    {
        const auto& expected = expectedParameters[i];
        SCOPED_TRACE (expected.Id);
        ASSERT_NE (parameters[i], nullptr);
        EXPECT_EQ (parameters[i]->getName (100), expected.Name);

        // VST3 carries parameters as numbers and shows the plug-in's texts; LV2 carries
        // identifiers and leaves the texts to the host.
        if (IsVst3())
        {
            EXPECT_EQ (parameters[i]->getCurrentValueAsText(), expected.DefaultText);
        }
    }

    if (IsVst3())
    {
        // JUCE's LV2 hosting only learns this from the LV2 core ontology, which may not be installed.
        EXPECT_TRUE (Types[0]->isInstrument);
    }
    else
    {
        EXPECT_TRUE (Lv2DescriptionListsParametersInOrder (juce::File (GetParam().Path)));
    }
}

TEST_P (HostedPlugin, DefaultLayoutHasTwoOutputsAndTheOversamplersLatency)
{
    auto instance = Instantiate();
    ASSERT_NE (instance, nullptr);

    EXPECT_EQ (instance->getTotalNumOutputChannels(), 2);
    EXPECT_EQ (instance->getTotalNumInputChannels(), 0);

    if (! IsVst3())
    {
        EXPECT_EQ (instance->getBusCount (true), 0);
    }

    Prepare (*instance);
    juce::dsp::Oversampling<float> reference (2, 3, juce::dsp::Oversampling<float>::filterHalfBandFIREquiripple, true, false);
    const int expectedLatency = (int) reference.getLatencyInSamples();

    // LV2 reports latency through an output port, which the host reads after a block has run.
    if (IsVst3())
    {
        EXPECT_EQ (instance->getLatencySamples(), expectedLatency);
    }

    Render (*instance, {}, 2);
    EXPECT_EQ (instance->getLatencySamples(), expectedLatency);
    instance->releaseResources();
}

TEST_P (HostedPlugin, NoteSoundsAtItsPitch)
{
    auto instance = Instantiate();
    ASSERT_NE (instance, nullptr);
    Prepare (*instance);

    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::noteOn (1, 45, (juce::uint8) 110), 0);
    const auto sound = Render (*instance, midi, 80);
    instance->releaseResources();

    const float peak = std::abs (*std::max_element (sound.begin(), sound.end(), [] (float a, float b)
                                                    { return std::abs (a) < std::abs (b); }));
    EXPECT_GT (peak, 0.05f);
    EXPECT_LE (peak, 4.0f);
    EXPECT_NEAR (StrongestFrequency (sound, HostRate), 110.0, 2.0);
}

TEST_P (HostedPlugin, StateSavedFromOneInstanceRestoresAnother)
{
    auto source = Instantiate();
    auto target = Instantiate();
    ASSERT_TRUE (source != nullptr && target != nullptr);
    Prepare (*source);
    Prepare (*target);

    const float values[] = { 0.8f, 0.6f, 0.45f, 0.7f, 0.25f, 0.1f, 2.0f / 9.0f, 9.0f / 19.0f, 0.75f };
    const auto sourceParameters = InstrumentParameters (*source, IsVst3());
    ASSERT_EQ (std::count (sourceParameters.begin(), sourceParameters.end(), nullptr), 0);

    for (size_t i = 0; i < 9; ++i)
        sourceParameters[i]->setValueNotifyingHost (values[i]);

    Render (*source, {}, 1);
    juce::MemoryBlock savedState;
    source->getStateInformation (savedState);
    target->setStateInformation (savedState.getData(), (int) savedState.getSize());
    Render (*target, {}, 1);

    // What the restored instance saves in turn shows what it took over.
    juce::MemoryBlock restoredState;
    target->getStateInformation (restoredState);
    const auto settings = InstrumentSettings (restoredState, IsVst3());
    ASSERT_NE (settings, nullptr);
    EXPECT_TRUE (settings->hasTagName ("settings"));

    const auto targetParameters = InstrumentParameters (*target, IsVst3());

    for (size_t i = 0; i < 9; ++i)
    {
        const auto* id = expectedParameters[i].Id;
        EXPECT_NEAR (settings->getDoubleAttribute (id, -1.0), values[i], 5e-5) << id;

        // The base applies a loaded state without notifying the host; the VST3 wrapper reads the
        // values back itself, JUCE's LV2 hosting only hears of notified changes.
        if (IsVst3())
        {
            EXPECT_NEAR (targetParameters[i]->getValue(), values[i], 5e-5f) << id;
        }
    }
}

INSTANTIATE_TEST_SUITE_P (Bundles, HostedPlugin, ::testing::ValuesIn (bundleCases),
                          [] (const auto& testInfo) { return std::string (testInfo.param.Format); });
