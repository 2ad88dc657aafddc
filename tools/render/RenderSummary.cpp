#include "RenderSummary.h"

#include <cmath>

namespace gorlan::render
{
namespace
{
juce::String decibels (float gain)
{
    return gain > 0.0f ? juce::String (juce::Decibels::gainToDecibels (gain), 1) + " dBFS" : juce::String ("-inf dBFS");
}

float rmsLevel (const juce::AudioBuffer<float>& audio)
{
    double sum = 0.0;

    for (int c = 0; c < audio.getNumChannels(); ++c)
        for (int i = 0; i < audio.getNumSamples(); ++i)
            sum += (double) audio.getSample (c, i) * audio.getSample (c, i);

    const auto count = (double) audio.getNumChannels() * audio.getNumSamples();
    return count > 0.0 ? (float) std::sqrt (sum / count) : 0.0f;
}
} // namespace

juce::String renderSummary (const RenderOptions& options, const juce::AudioBuffer<float>& audio, double secondsTaken)
{
    const double seconds = audio.getNumSamples() / options.sampleRate;
    const auto format = options.bitsPerSample == 32 ? juce::String ("32-bit float")
                                                    : juce::String (options.bitsPerSample) + "-bit";
    return options.wavFile.getFileName() + ": " + juce::String (seconds, 2) + " s stereo, "
           + juce::String ((int) options.sampleRate) + " Hz " + format
           + ", peak " + decibels (audio.getMagnitude (0, audio.getNumSamples()))
           + ", RMS " + decibels (rmsLevel (audio))
           + "; rendered in " + juce::String (secondsTaken, 2) + " s ("
           + juce::String (seconds / juce::jmax (secondsTaken, 1.0e-3), 1) + "x real time)";
}
} // namespace gorlan::render
