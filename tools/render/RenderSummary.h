#pragma once

#include "RenderOptions.h"

#include <juce_audio_basics/juce_audio_basics.h>

namespace gorlan::render
{
// One line: file, length, format, peak and RMS level, time taken and real-time factor.
juce::String renderSummary (const RenderOptions& options, const juce::AudioBuffer<float>& audio, double secondsTaken);
} // namespace gorlan::render
