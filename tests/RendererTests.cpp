// Runs the built gorlan-render as a child process on MIDI files written here and checks
// the files it leaves behind.
#include <gtest/gtest.h>

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_dsp/juce_dsp.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

#ifndef GORLAN_RENDER_EXE
 #define GORLAN_RENDER_EXE ""
#endif
#ifndef GORLAN_VST3_BUNDLE
 #define GORLAN_VST3_BUNDLE ""
#endif
#ifndef GORLAN_LV2_BUNDLE
 #define GORLAN_LV2_BUNDLE ""
#endif

namespace
{
constexpr int ticksPerBeat = 480;

struct RenderRun
{
    int exitCode = -1;
    juce::String output;
};

bool pluginsBuilt()
{
    return juce::String (GORLAN_VST3_BUNDLE).isNotEmpty() && juce::String (GORLAN_LV2_BUNDLE).isNotEmpty();
}

RenderRun runRenderer (const juce::File& workingFolder, const juce::StringArray& arguments)
{
    juce::StringArray command { GORLAN_RENDER_EXE };
    command.addArray (arguments);

    // ChildProcess has no working-folder option: give every path absolute.
    juce::StringArray absolute;
    for (const auto& argument : command)
        absolute.add (argument.startsWith ("@") ? workingFolder.getChildFile (argument.substring (1)).getFullPathName()
                                                : argument);

    juce::ChildProcess process;
    RenderRun run;

    if (! process.start (absolute))
        return run;

    run.output = process.readAllProcessOutput();
    process.waitForProcessToFinish (120000);
    run.exitCode = (int) process.getExitCode();
    return run;
}

juce::MidiMessageSequence tempoTrack (std::initializer_list<std::pair<int, double>> tempoChanges)
{
    juce::MidiMessageSequence track;

    for (const auto& [tick, beatsPerMinute] : tempoChanges)
        track.addEvent (juce::MidiMessage::tempoMetaEvent ((int) std::lround (60.0e6 / beatsPerMinute)), tick);

    return track;
}

juce::MidiMessageSequence noteTrack (int note, int startTick, int endTick, int channel = 1)
{
    juce::MidiMessageSequence track;
    track.addEvent (juce::MidiMessage::noteOn (channel, note, (juce::uint8) 100), startTick);
    track.addEvent (juce::MidiMessage::noteOff (channel, note), endTick);
    return track;
}

void writeMidi (const juce::File& file, const std::vector<juce::MidiMessageSequence>& tracks, int type = 1)
{
    juce::MidiFile midi;
    midi.setTicksPerQuarterNote (ticksPerBeat);

    if (type == 0)
    {
        juce::MidiMessageSequence merged;
        for (const auto& track : tracks)
            merged.addSequence (track, 0.0);
        merged.updateMatchedPairs();
        midi.addTrack (merged);
    }
    else
    {
        for (const auto& track : tracks)
            midi.addTrack (track);
    }

    file.deleteFile();
    juce::FileOutputStream stream (file);
    ASSERT_TRUE (midi.writeTo (stream, type));
}

// One note at 120 beats per minute, ending after the given number of beats.
void writeSingleNote (const juce::File& file, int note, double beats, int pitchWheel = 8192)
{
    auto track = noteTrack (note, 0, (int) std::lround (beats * ticksPerBeat));
    track.addEvent (juce::MidiMessage::pitchWheel (1, pitchWheel), 0);
    track.sort();
    writeMidi (file, { tempoTrack ({ { 0, 120.0 } }), track });
}

struct WavFile
{
    double sampleRate = 0.0;
    int channels = 0;
    int bitsPerSample = 0;
    bool isFloat = false;
    juce::AudioBuffer<float> audio;
};

WavFile readWav (const juce::File& file)
{
    WavFile wav;
    juce::WavAudioFormat format;
    std::unique_ptr<juce::AudioFormatReader> reader (format.createReaderFor (file.createInputStream().release(), true));

    if (reader == nullptr)
        return wav;

    wav.sampleRate = reader->sampleRate;
    wav.channels = (int) reader->numChannels;
    wav.bitsPerSample = (int) reader->bitsPerSample;
    wav.isFloat = reader->usesFloatingPointData;
    wav.audio.setSize (wav.channels, (int) reader->lengthInSamples);
    reader->read (&wav.audio, 0, (int) reader->lengthInSamples, 0, true, true);
    return wav;
}

// The strongest frequency of the mono mix between two times, to a small fraction of a hertz.
double dominantFrequency (const WavFile& wav, double fromSeconds, double toSeconds)
{
    constexpr int order = 17;
    constexpr int size = 1 << order;
    const auto from = (int) (fromSeconds * wav.sampleRate);
    const auto length = juce::jmin ((int) ((toSeconds - fromSeconds) * wav.sampleRate), size, wav.audio.getNumSamples() - from);
    std::vector<float> data ((size_t) size * 2, 0.0f);

    for (int i = 0; i < length; ++i)
    {
        const auto window = 0.5f - 0.5f * std::cos (juce::MathConstants<float>::twoPi * (float) i / (float) (length - 1));
        data[(size_t) i] = window * 0.5f * (wav.audio.getSample (0, from + i) + wav.audio.getSample (1, from + i));
    }

    juce::dsp::FFT (order).performFrequencyOnlyForwardTransform (data.data(), true);
    const auto peak = (int) std::distance (data.begin(), std::max_element (data.begin() + 1, data.begin() + size / 2));
    const double left = std::log (data[(size_t) peak - 1]), centre = std::log (data[(size_t) peak]),
                 right = std::log (data[(size_t) peak + 1]);
    const double offset = 0.5 * (left - right) / (left - 2.0 * centre + right);
    return (peak + offset) * wav.sampleRate / size;
}

float peakBetween (const WavFile& wav, int fromSample, int toSample)
{
    float peak = 0.0f;
    for (int c = 0; c < wav.channels; ++c)
        peak = juce::jmax (peak, wav.audio.getMagnitude (c, fromSample, toSample - fromSample));
    return peak;
}

std::map<juce::String, double> savedParameters (const juce::File& stateFile)
{
    juce::MemoryBlock data;
    std::map<juce::String, double> values;
    stateFile.loadFileAsData (data);

    if (const auto xml = juce::AudioProcessor::getXmlFromBinary (data.getData(), (int) data.getSize()))
        for (int i = 0; i < xml->getNumAttributes(); ++i)
            values[xml->getAttributeName (i)] = xml->getAttributeValue (i).getDoubleValue();

    return values;
}

juce::StringArray filesIn (const juce::File& folder)
{
    juce::StringArray names;
    for (const auto& entry : juce::RangedDirectoryIterator (folder, false, "*", juce::File::findFilesAndDirectories))
        names.add (entry.getFile().getFileName());
    names.sort (false);
    return names;
}

class RendererTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (juce::String (GORLAN_RENDER_EXE).isEmpty())
            GTEST_SKIP() << "gorlan-render is not part of this build";

        ASSERT_TRUE (juce::File (GORLAN_RENDER_EXE).existsAsFile()) << "gorlan-render is not built";
        ASSERT_TRUE (folder.createDirectory());
    }

    void TearDown() override { folder.deleteRecursively(); }

    juce::File file (const juce::String& name) const { return folder.getChildFile (name); }

    RenderRun render (const juce::StringArray& arguments) const { return runRenderer (folder, arguments); }

    const juce::File folder { juce::File::createTempFile ("gorlan-render-test") };
};

enum class PluginFormat { vst3, lv2 };

class RendererFormatTest : public RendererTest, public ::testing::WithParamInterface<PluginFormat>
{
protected:
    void SetUp() override
    {
        RendererTest::SetUp();

        if (! pluginsBuilt())
            GTEST_SKIP() << "the plug-in bundles are not built";
    }

    // The VST3 is what the renderer hosts when no --plugin is given.
    juce::StringArray withPlugin (juce::StringArray arguments) const
    {
        if (GetParam() == PluginFormat::lv2)
            arguments.addArray ({ "--plugin", GORLAN_LV2_BUNDLE });

        return arguments;
    }

    RenderRun renderWithPlugin (const juce::StringArray& arguments) const { return render (withPlugin (arguments)); }
};

std::string formatName (const ::testing::TestParamInfo<PluginFormat>& info)
{
    return info.param == PluginFormat::vst3 ? "VST3" : "LV2";
}
} // namespace

// Tempo 120 for the first beat and 60 after it; the second note, on another track, ends at
// 0.5 + 1.0 s. Both file types give the same 1.5 s and play each note at its own time.
TEST_F (RendererTest, HonoursTempoMapAndMergesTracksOfBothFileTypes)
{
    if (! pluginsBuilt())
        GTEST_SKIP() << "the plug-in bundles are not built";

    for (const int type : { 0, 1 })
    {
        SCOPED_TRACE ("MIDI file type " + std::to_string (type));
        writeMidi (file ("tempo.mid"), { tempoTrack ({ { 0, 120.0 }, { ticksPerBeat, 60.0 } }),
                                         noteTrack (57, 0, ticksPerBeat),
                                         noteTrack (69, ticksPerBeat, 2 * ticksPerBeat) }, type);

        const auto run = render ({ "@tempo.mid", "-o", "@tempo.wav", "--rate", "44100", "--block", "256",
                                   "--max-tail", "0", "--set", "waveform=Sine1" });
        ASSERT_EQ (run.exitCode, 0) << run.output;

        const auto wav = readWav (file ("tempo.wav"));
        EXPECT_EQ (wav.sampleRate, 44100.0);
        EXPECT_EQ (wav.channels, 2);
        EXPECT_TRUE (wav.isFloat);
        EXPECT_EQ (wav.bitsPerSample, 32);
        EXPECT_EQ (wav.audio.getNumSamples(), 66150);
        EXPECT_NEAR (dominantFrequency (wav, 0.1, 0.45), 220.0, 220.0 * 0.003);
        EXPECT_NEAR (dominantFrequency (wav, 0.65, 1.45), 440.0, 440.0 * 0.003);
    }
}

TEST_F (RendererTest, WritesTheRequestedSampleFormat)
{
    if (! pluginsBuilt())
        GTEST_SKIP() << "the plug-in bundles are not built";

    writeSingleNote (file ("note.mid"), 60, 1.0);
    const struct { const char* bits; int expectedBits; bool isFloat; } cases[] = {
        { "16", 16, false }, { "24", 24, false }, { "32", 32, true } };

    for (const auto& format : cases)
    {
        SCOPED_TRACE (format.bits);
        const auto run = render ({ "@note.mid", "-o", "@note.wav", "--bits", format.bits, "--max-tail", "0" });
        ASSERT_EQ (run.exitCode, 0) << run.output;

        const auto wav = readWav (file ("note.wav"));
        EXPECT_EQ (wav.bitsPerSample, format.expectedBits);
        EXPECT_EQ (wav.isFloat, format.isFloat);
        EXPECT_EQ (wav.sampleRate, 48000.0);
        EXPECT_EQ (wav.audio.getNumSamples(), 24000);
        EXPECT_GT (peakBetween (wav, 0, 24000), 0.01f);
    }
}

TEST_P (RendererFormatTest, NotesSoundAtTheirPitch)
{
    const struct { int note; int pitchWheel; double hertz; } cases[] = {
        { 45, 8192, 110.0 }, { 69, 8192, 440.0 }, { 81, 8192, 880.0 },
        { 69, 16383, 440.0 * std::pow (2.0, 2.0 / 12.0) }, { 69, 0, 440.0 * std::pow (2.0, -2.0 / 12.0) } };

    for (const auto& note : cases)
    {
        SCOPED_TRACE ("note " + std::to_string (note.note) + ", wheel " + std::to_string (note.pitchWheel));
        writeSingleNote (file ("pitch.mid"), note.note, 2.0, note.pitchWheel);

        const auto run = renderWithPlugin ({ "@pitch.mid", "-o", "@pitch.wav", "--max-tail", "0",
                                             "--set", "waveform=0.4444", "--set", "cutoff=1", "--set", "chord=0.05" });
        ASSERT_EQ (run.exitCode, 0) << run.output;

        const auto wav = readWav (file ("pitch.wav"));
        ASSERT_EQ (wav.audio.getNumSamples(), 48000);
        EXPECT_NEAR (dominantFrequency (wav, 0.2, 0.9), note.hertz, note.hertz * 0.003);
    }
}

// Frequencies of successive cycles of the left channel, from interpolated upward zero crossings.
std::vector<double> cycleFrequencies (const WavFile& wav, double fromSeconds, double toSeconds)
{
    std::vector<double> crossings, frequencies;

    for (auto i = (int) (fromSeconds * wav.sampleRate); i < (int) (toSeconds * wav.sampleRate); ++i)
    {
        const auto before = wav.audio.getSample (0, i - 1), after = wav.audio.getSample (0, i);
        if (before < 0.0f && after >= 0.0f)
            crossings.push_back ((double) (i - 1) + (double) (before / (before - after)));
    }

    for (size_t i = 1; i < crossings.size(); ++i)
        frequencies.push_back (wav.sampleRate / (crossings[i] - crossings[i - 1]));

    return frequencies;
}

// The modulation wheel reaches the plug-in (a VST3 host sends it through parameters) and
// its vibrato bends the default saw by about two percent.
TEST_P (RendererFormatTest, ModulationWheelBringsVibrato)
{
    for (const int wheel : { 0, 127 })
    {
        SCOPED_TRACE ("wheel " + std::to_string (wheel));
        auto track = noteTrack (57, 0, 2 * ticksPerBeat);
        track.addEvent (juce::MidiMessage::controllerEvent (1, 1, wheel), ticksPerBeat / 5);
        track.sort();
        writeMidi (file ("wheel.mid"), { tempoTrack ({ { 0, 120.0 } }), track });

        const auto run = renderWithPlugin ({ "@wheel.mid", "-o", "@wheel.wav", "--max-tail", "0", "--set", "cutoff=0.1" });
        ASSERT_EQ (run.exitCode, 0) << run.output;

        const auto frequencies = cycleFrequencies (readWav (file ("wheel.wav")), 0.2, 0.95);
        ASSERT_FALSE (frequencies.empty());
        const auto [lowest, highest] = std::minmax_element (frequencies.begin(), frequencies.end());
        EXPECT_NEAR (*lowest, 220.0, 0.5);
        EXPECT_NEAR (*highest, wheel == 0 ? 220.0 : 224.4, 0.5);
    }
}

// The tail runs on after the last note until the output has died away to -120 dBFS,
// unless --max-tail cuts it shorter.
TEST_P (RendererFormatTest, RendersTheReleaseTailUntilSilence)
{
    writeSingleNote (file ("tail.mid"), 57, 1.0);
    const int noteEnd = 24000;

    const auto run = renderWithPlugin ({ "@tail.mid", "-o", "@tail.wav" });
    ASSERT_EQ (run.exitCode, 0) << run.output;
    const auto wav = readWav (file ("tail.wav"));
    const int length = wav.audio.getNumSamples();
    ASSERT_GT (length, noteEnd + 480);
    EXPECT_LT (length, noteEnd + 30 * 48000);
    EXPECT_GT (peakBetween (wav, noteEnd, noteEnd + 480), 1.0e-3f) << "the release is heard";
    EXPECT_LT (peakBetween (wav, length - 48, length), 3.2e-6f) << "the last millisecond is below -110 dBFS";

    const auto cut = renderWithPlugin ({ "@tail.mid", "-o", "@cut.wav", "--max-tail", "0.005" });
    ASSERT_EQ (cut.exitCode, 0) << cut.output;
    EXPECT_EQ (readWav (file ("cut.wav")).audio.getNumSamples(), noteEnd + 240);
}

TEST_P (RendererFormatTest, SetsParametersAndSavesTheState)
{
    writeSingleNote (file ("set.mid"), 57, 0.5);
    const auto textsShown = GetParam() == PluginFormat::vst3;
    const auto run = renderWithPlugin ({ "@set.mid", "-o", "@set.wav", "--max-tail", "0", "--save-state", "@state.bin",
                                         "--set", "cutoff=0.6", "--set", "tuning=0",
                                         "--set", textsShown ? "chord=Fat Moog" : "chord=0.6316",
                                         "--set", textsShown ? "waveform=sine1" : "waveform=0.4444",
                                         "--set", textsShown ? "volume=-6 dB" : "volume=0.4",
                                         "--set", textsShown ? "length=2.0 s" : "length=0.8" });
    ASSERT_EQ (run.exitCode, 0) << run.output;

    auto saved = savedParameters (file ("state.bin"));
    EXPECT_NEAR (saved["cutoff"], 0.6, 5.0e-5);
    EXPECT_NEAR (saved["tuning"], 0.0, 5.0e-5);
    EXPECT_EQ (std::lround (saved["chord"] * 19.0), 12);
    EXPECT_EQ (std::lround (saved["waveform"] * 9.0), 4);

    if (textsShown)
    {
        EXPECT_NEAR (20.0 * std::log10 (8.0 * std::pow (saved["volume"], 3.0)), -6.0, 0.05);
        EXPECT_NEAR (0.03 * std::pow (5.0 / 0.03, saved["length"]), 2.0, 0.01);
    }
    else
    {
        // JUCE's LV2 hosting sees no value texts, so a text cannot be matched there.
        const auto text = renderWithPlugin ({ "@set.mid", "-o", "@text.wav", "--set", "chord=Fat Moog" });
        EXPECT_NE (text.exitCode, 0);
        EXPECT_TRUE (text.output.contains ("'chord' shows no value texts")) << text.output;
        EXPECT_FALSE (file ("text.wav").exists());
    }

    // The saved blob loads back and is saved again with the same values.
    const auto reload = renderWithPlugin ({ "@set.mid", "-o", "@again.wav", "--max-tail", "0",
                                            "--state", "@state.bin", "--save-state", "@again.bin" });
    ASSERT_EQ (reload.exitCode, 0) << reload.output;
    auto again = savedParameters (file ("again.bin"));

    for (const auto* identifier : { "volume", "cutoff", "reso", "decay", "length", "pwidth", "waveform", "chord", "tuning" })
        EXPECT_NEAR (again[identifier], saved[identifier], 5.0e-5) << identifier;
}

TEST_P (RendererFormatTest, LoadsASettingsDocument)
{
    writeSingleNote (file ("doc.mid"), 57, 0.5);
    file ("settings.xml").replaceWithText ("<?xml version=\"1.0\"?>\n"
                                           "<settings cutoff=\"0.25\" reso=\"0.7\" chord=\"0.0\" waveform=\"0.3333\"/>\n");

    const auto run = renderWithPlugin ({ "@doc.mid", "-o", "@doc.wav", "--max-tail", "0",
                                         "--state", "@settings.xml", "--save-state", "@doc.bin" });
    ASSERT_EQ (run.exitCode, 0) << run.output;

    auto saved = savedParameters (file ("doc.bin"));
    EXPECT_NEAR (saved["cutoff"], 0.25, 5.0e-5);
    EXPECT_NEAR (saved["reso"], 0.7, 5.0e-5);
    EXPECT_NEAR (saved["chord"], 0.0, 5.0e-5);
    EXPECT_NEAR (saved["waveform"], 0.3333, 5.0e-5);
    EXPECT_NEAR (saved["volume"], 0.5, 5.0e-5) << "a parameter the document leaves out keeps its default";
}

TEST_P (RendererFormatTest, DrawsAPicture)
{
    writeSingleNote (file ("picture.mid"), 45, 2.0);
    const auto run = renderWithPlugin ({ "@picture.mid", "-o", "@picture.wav", "--png", "@picture.png", "--max-tail", "0" });
    ASSERT_EQ (run.exitCode, 0) << run.output;

    const auto image = juce::ImageFileFormat::loadFrom (file ("picture.png"));
    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getWidth(), 1200);
    EXPECT_EQ (image.getHeight(), 640);

    std::set<juce::uint32> colours;
    for (int y = 0; y < image.getHeight(); y += 7)
        for (int x = 0; x < image.getWidth(); x += 7)
            colours.insert (image.getPixelAt (x, y).getARGB());
    EXPECT_GT (colours.size(), 50u) << "a spectrogram has many shades";
}

INSTANTIATE_TEST_SUITE_P (Renderer, RendererFormatTest, ::testing::Values (PluginFormat::vst3, PluginFormat::lv2), formatName);

// JUCE's LV2 hosting also scans ~/.lv2; an installed copy of the plug-in must not hide
// the bundle asked for.
TEST_F (RendererTest, LoadsTheLv2BundleAskedForWithACopyInstalled)
{
    if (! pluginsBuilt())
        GTEST_SKIP() << "the plug-in bundles are not built";

    const juce::File bundle (GORLAN_LV2_BUNDLE);
    const auto home = file ("home");
    ASSERT_TRUE (bundle.copyDirectoryTo (home.getChildFile (".lv2").getChildFile (bundle.getFileName())));
    writeSingleNote (file ("note.mid"), 57, 0.5);

    const char* previousHome = std::getenv ("HOME");
    const std::string savedHome (previousHome != nullptr ? previousHome : "");
    ::setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    const auto run = render ({ "@note.mid", "-o", "@note.wav", "--max-tail", "0", "--plugin", bundle.getFullPathName() });

    if (previousHome != nullptr)
        ::setenv ("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv ("HOME");

    ASSERT_EQ (run.exitCode, 0) << run.output;
    EXPECT_EQ (readWav (file ("note.wav")).audio.getNumSamples(), 12000);
}

// Each failure is one line naming the problem, a non-zero exit, and no output file.
TEST_F (RendererTest, FailuresLeaveNoOutputBehind)
{
    writeSingleNote (file ("good.mid"), 57, 0.5);
    file ("garbage.mid").replaceWithText ("this is not MIDI");
    writeMidi (file ("silent.mid"), { tempoTrack ({ { 0, 120.0 } }) });
    file ("garbage.state").replaceWithText ("\x01\x02 not a state");
    file ("other.xml").replaceWithText ("<preset cutoff=\"0.5\"/>");

    const struct { juce::StringArray arguments; const char* message; bool needsPlugin; } cases[] = {
        { { "@missing.mid" }, "cannot read MIDI file", false },
        { { "@garbage.mid" }, "not a Standard MIDI File", false },
        { { "@silent.mid" }, "has no notes", false },
        { { "@good.mid", "--rate", "10" }, "--rate expects a number from 8000 to 384000", false },
        { { "@good.mid", "--bits", "8" }, "--bits expects 16, 24 or 32", false },
        { { "@good.mid", "--frobnicate" }, "unknown option '--frobnicate'", false },
        { { "@good.mid", "--set", "cutoff" }, "--set expects ID=VALUE", false },
        { { "@good.mid", "-o", "@no-such-folder/out.wav" }, "the folder does not exist", false },
        { { "@good.mid", "--plugin", "@missing.vst3" }, "plug-in not found", false },
        { { "@good.mid", "--plugin", "@good.mid" }, "is not a VST3 or LV2 bundle", false },
        { { "@good.mid", "--set", "bogus=0.5" }, "unknown parameter 'bogus'", true },
        { { "@good.mid", "--set", "cutoff=loud" }, "'cutoff' cannot be 'loud'", true },
        { { "@good.mid", "--set", "cutoff=50 kHz" }, "'cutoff' cannot be '50 kHz'", true },
        { { "@good.mid", "--set", "chord=Fat Mog" }, "'chord' cannot be 'Fat Mog'", true },
        { { "@good.mid", "--state", "@missing.state" }, "cannot read state file", true },
        { { "@good.mid", "--state", "@garbage.state" }, "neither a state blob nor an XML document", true },
        { { "@good.mid", "--state", "@other.xml" }, "not a <settings> state", true },
    };

    const auto inputs = filesIn (folder);

    for (const auto& failure : cases)
    {
        if (failure.needsPlugin && ! pluginsBuilt())
            continue;

        SCOPED_TRACE (failure.arguments.joinIntoString (" "));
        auto arguments = failure.arguments;
        if (! arguments.contains ("-o"))
            arguments.addArray ({ "-o", "@out.wav", "--png", "@out.png", "--save-state", "@out.state" });

        const auto run = render (arguments);
        EXPECT_NE (run.exitCode, 0);
        EXPECT_TRUE (run.output.startsWith ("gorlan-render: ")) << run.output;
        EXPECT_TRUE (run.output.contains (failure.message)) << run.output;
        EXPECT_EQ (juce::StringArray::fromLines (run.output.trimEnd()).size(), 1) << run.output;
        EXPECT_EQ (filesIn (folder), inputs);
    }
}

// The demo phrase shows a bass line, chords and both wheels.
TEST_F (RendererTest, WritesTheDemoPhrase)
{
    const auto run = render ({ "--write-demo-midi", "@demo.mid" });
    ASSERT_EQ (run.exitCode, 0) << run.output;

    juce::FileInputStream stream (file ("demo.mid"));
    juce::MidiFile midi;
    int type = -1;
    ASSERT_TRUE (midi.readFrom (stream, true, &type));
    EXPECT_EQ (type, 1);
    midi.convertTimestampTicksToSeconds();

    juce::MidiMessageSequence all;
    for (int t = 0; t < midi.getNumTracks(); ++t)
        all.addSequence (*midi.getTrack (t), 0.0);
    all.updateMatchedPairs();

    int lowNotes = 0, pitchWheels = 0, modWheels = 0, mostHeld = 0, held = 0;
    for (const auto* holder : all)
    {
        const auto& message = holder->message;
        lowNotes += message.isNoteOn() && message.getNoteNumber() < 48 ? 1 : 0;
        pitchWheels += message.isPitchWheel() && message.getPitchWheelValue() != 8192 ? 1 : 0;
        modWheels += message.isControllerOfType (1) && message.getControllerValue() > 0 ? 1 : 0;
        held += message.isNoteOn() ? 1 : message.isNoteOff() ? -1 : 0;
        mostHeld = juce::jmax (mostHeld, held);
    }

    EXPECT_GE (lowNotes, 16) << "bass line";
    EXPECT_GE (mostHeld, 4) << "chords over the bass";
    EXPECT_GT (pitchWheels, 10);
    EXPECT_GT (modWheels, 10);
    EXPECT_GT (midi.getLastTimestamp(), 5.0);
}
