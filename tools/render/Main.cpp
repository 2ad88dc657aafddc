#include "DemoPhrase.h"
#include "MidiInput.h"
#include "OfflineRender.h"
#include "OutputFiles.h"
#include "ParameterSettings.h"
#include "PluginLoader.h"
#include "PluginState.h"
#include "ProgressBar.h"
#include "RenderError.h"
#include "RenderOptions.h"
#include "RenderPicture.h"
#include "RenderSummary.h"
#include "WavOutput.h"

#include <juce_events/juce_events.h>
#include <iostream>
#include <optional>

namespace gorlan::render
{
namespace
{
void writeDemoMidi (const juce::File& destination)
{
    OutputFiles::checkDestination (destination);
    OutputFiles outputs;
    const auto midi = demoPhraseFileData();

    if (! outputs.stage (destination).replaceWithData (midi.getData(), midi.getSize()))
        throw RenderError ("cannot write '" + destination.getFullPathName() + "'");

    outputs.commit();
    std::cout << "wrote " << destination.getFullPathName() << std::endl;
}

void checkDestinations (const RenderOptions& options)
{
    for (const auto& file : { options.wavFile, options.pngFile, options.saveStateFile })
        if (file != juce::File())
            OutputFiles::checkDestination (file);
}

MidiTimeline loadInput (const RenderOptions& options)
{
    if (options.midiFile == juce::File())
        return readMidiTimeline (demoPhraseFileData(), "demo phrase");

    return loadMidiFile (options.midiFile);
}

void configure (HostedPlugin& plugin, const RenderOptions& options)
{
    if (options.stateFile != juce::File())
        applyState (plugin, readStateFile (options.stateFile));

    applyAssignments (plugin.processor(), options.assignments);
}

juce::String pictureTitle (const RenderOptions& options, const juce::AudioBuffer<float>& audio)
{
    const auto input = options.midiFile == juce::File() ? juce::String ("demo phrase") : options.midiFile.getFileName();
    return options.wavFile.getFileName() + "   (" + input + " through " + options.pluginBundle.getFileName() + ", "
           + juce::String (audio.getNumSamples() / options.sampleRate, 2) + " s, "
           + juce::String ((int) options.sampleRate) + " Hz)";
}

void writeOutputs (HostedPlugin& plugin, const RenderOptions& options, const juce::AudioBuffer<float>& audio)
{
    OutputFiles outputs;
    writeWav (outputs.stage (options.wavFile), audio, options.sampleRate, options.bitsPerSample);

    if (options.pngFile != juce::File())
        writePng (drawRenderPicture (audio, options.sampleRate, pictureTitle (options, audio)),
                  outputs.stage (options.pngFile));

    if (options.saveStateFile != juce::File())
    {
        const auto state = captureState (plugin);

        if (! outputs.stage (options.saveStateFile).replaceWithData (state.getData(), state.getSize()))
            throw RenderError ("cannot write '" + options.saveStateFile.getFullPathName() + "'");
    }

    outputs.commit();
}

int render (const RenderOptions& options)
{
    checkDestinations (options);
    const auto timeline = loadInput (options);
    HostedPlugin plugin (options.pluginBundle, options.sampleRate, options.blockSize);
    configure (plugin, options);

    const auto started = juce::Time::getMillisecondCounterHiRes();
    std::optional<ProgressBar> progressBar (std::in_place, timeline.endSeconds);
    const auto audio = renderTimeline (plugin.processor(), timeline,
                                       { options.sampleRate, options.blockSize, options.maxTailSeconds },
                                       [&] (double seconds) { progressBar->update (seconds); });
    progressBar.reset();
    const auto secondsTaken = (juce::Time::getMillisecondCounterHiRes() - started) / 1000.0;

    writeOutputs (plugin, options, audio);
    std::cout << renderSummary (options, audio, secondsTaken) << std::endl;
    return 0;
}

int listParameters (const RenderOptions& options)
{
    HostedPlugin plugin (options.pluginBundle, options.sampleRate, options.blockSize);
    configure (plugin, options);
    playSilentBlock (plugin.processor(), { options.sampleRate, options.blockSize, options.maxTailSeconds });
    std::cout << describeParameters (plugin.processor(), captureState (plugin));
    return 0;
}

int run (const juce::StringArray& arguments)
{
    const auto options = parseArguments (arguments);

    if (options.showHelp)
    {
        std::cout << usageText();
        return 0;
    }

    if (options.demoMidiFile != juce::File())
    {
        writeDemoMidi (options.demoMidiFile);
        return 0;
    }

    return options.listParameters ? listParameters (options) : render (options);
}
} // namespace
} // namespace gorlan::render

int main (int argc, char* argv[])
{
    const juce::ScopedJuceInitialiser_GUI juceRuntime;
    juce::StringArray arguments;

    for (int i = 1; i < argc; ++i)
        arguments.add (juce::String::fromUTF8 (argv[i]));

    juce::String failure;

    try
    {
        return gorlan::render::run (arguments);
    }
    catch (const gorlan::render::RenderError& error)
    {
        failure = error.what();
    }
    catch (const std::exception& error)
    {
        failure = "unexpected failure: " + juce::String (error.what());
    }

    std::cerr << "gorlan-render: " << failure.replaceCharacters ("\r\n", "  ").trim() << std::endl;
    return 1;
}
