#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace gorlan::render
{
// 16 or 24-bit integer or 32-bit floating-point WAV. Throws RenderError on failure.
void writeWav (const juce::File& file, const juce::AudioBuffer<float>& audio, double sampleRate, int bitsPerSample);
} // namespace gorlan::render
