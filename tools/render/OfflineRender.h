#pragma once

#include "MidiInput.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <functional>

namespace gorlan::render
{
struct RenderSettings
{
    double sampleRate = 48000.0;
    int blockSize = 512;
    double maxTailSeconds = 30.0;
};

// Called after every block with the seconds rendered so far.
using RenderProgress = std::function<void (double renderedSeconds)>;

// Prepares the plug-in, plays one silent block and releases it, so that parameter
// changes a host holds back until the next block have reached the plug-in.
void playSilentBlock (juce::AudioPluginInstance& plugin, const RenderSettings& settings);

// Plays the timeline through the plug-in block by block, each event at its own sample
// position, then the release tail until the output stays below -120 dBFS (at most
// maxTailSeconds). The result is aligned with the MIDI: the plug-in's latency is removed.
// Throws RenderError when the plug-in produces samples that are not finite.
juce::AudioBuffer<float> renderTimeline (juce::AudioPluginInstance& plugin, const MidiTimeline& timeline,
                                         const RenderSettings& settings, const RenderProgress& progress);
} // namespace gorlan::render
