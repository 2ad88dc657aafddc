#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_graphics/juce_graphics.h>

namespace gorlan::render
{
struct FrequencyRange
{
    double lowest = 20.0;
    double highest = 20000.0;
};

// The mono mix's spectrum over time: one column per pixel, frequency rising upwards on a
// logarithmic scale, level from -120 dBFS (black) to 0 dBFS (white).
juce::Image drawSpectrogram (const juce::AudioBuffer<float>& audio, double sampleRate,
                             FrequencyRange frequencies, int width, int height);

// Height in the picture (0 at the top) of a frequency on the same scale.
float frequencyToY (double frequency, FrequencyRange frequencies, int height);
} // namespace gorlan::render
