#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cmath>

// Index (channel-major) of the first sample that is NaN or infinite, or -1 when all are finite.
inline int FirstNonFinite (const juce::AudioBuffer<float>& buffer)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (! std::isfinite (buffer.getSample (channel, i)))
                return channel * buffer.getNumSamples() + i;

    return -1;
}

inline bool AllFinite (const juce::AudioBuffer<float>& buffer)
{
    return FirstNonFinite (buffer) < 0;
}
