#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_graphics/juce_graphics.h>

namespace gorlan::render
{
// The waveform above its spectrogram, sharing one time axis in seconds.
juce::Image drawRenderPicture (const juce::AudioBuffer<float>& audio, double sampleRate, const juce::String& title);

// Throws RenderError when the file cannot be written.
void writePng (const juce::Image& image, const juce::File& file);
} // namespace gorlan::render
