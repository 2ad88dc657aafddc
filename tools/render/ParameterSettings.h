#pragma once

#include "RenderOptions.h"

#include <juce_audio_processors/juce_audio_processors.h>

namespace gorlan::render
{
// The parameter the plug-in knows by this identifier (VST3 hosts see a hash of it,
// LV2 hosts a URI ending in it), or nullptr.
juce::HostedAudioProcessorParameter* findParameter (juce::AudioPluginInstance& plugin, const juce::String& identifier);

// The host value 0 … 1 that a --set text asks for: a number from 0 to 1 is taken as it is;
// anything else must match what the parameter displays (a choice name, "2 kHz", "-6 dB").
// Throws RenderError when the text matches nothing the parameter can show.
float hostValueFor (const juce::AudioProcessorParameter& parameter, const juce::String& identifier,
                    const juce::String& text);

// Checks every assignment before changing anything; throws RenderError naming the first bad one.
void applyAssignments (juce::AudioPluginInstance& plugin, const std::vector<ParameterAssignment>& assignments);

// One line per instrument parameter: identifier, name, value and display text. The values
// come from the plug-in's own state where it has them: LV2 hosts do not see a loaded state.
juce::String describeParameters (juce::AudioPluginInstance& plugin, const juce::MemoryBlock& pluginState);
} // namespace gorlan::render
