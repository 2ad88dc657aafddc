#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace gorlan::render
{
// One instance of a VST3 or LV2 bundle, loaded through JUCE's hosting as a host would,
// with a stereo main output and no inputs.
class HostedPlugin
{
public:
    // Throws RenderError when the bundle is missing, does not load or is no instrument.
    HostedPlugin (const juce::File& bundle, double sampleRate, int blockSize);
    ~HostedPlugin();

    juce::AudioPluginInstance& processor() noexcept { return *instance; }
    bool isLv2() const noexcept { return lv2; }
    const juce::File& bundle() const noexcept { return bundleFile; }

private:
    juce::AudioPluginFormatManager formatManager;
    std::unique_ptr<juce::AudioPluginInstance> instance;
    juce::File bundleFile;
    bool lv2 = false;
};
} // namespace gorlan::render
