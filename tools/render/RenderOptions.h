#pragma once

#include <juce_core/juce_core.h>
#include <vector>

namespace gorlan::render
{
struct ParameterAssignment
{
    juce::String identifier;
    juce::String value;
};

struct RenderOptions
{
    juce::File midiFile;        // none: the built-in demo phrase
    juce::File wavFile;
    juce::File pngFile;         // none: no picture
    juce::File pluginBundle;
    juce::File stateFile;       // none: the plug-in's defaults
    juce::File saveStateFile;   // none: state not saved
    juce::File demoMidiFile;    // set: write the demo phrase there and stop
    std::vector<ParameterAssignment> assignments;
    double sampleRate = 48000.0;
    int blockSize = 512;
    int bitsPerSample = 32;
    double maxTailSeconds = 30.0;
    bool listParameters = false;
    bool showHelp = false;
};

// Throws RenderError naming the offending argument.
RenderOptions parseArguments (const juce::StringArray& arguments);

juce::String usageText();
} // namespace gorlan::render
