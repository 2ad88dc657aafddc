#include "Spectrogram.h"

#include <juce_dsp/juce_dsp.h>

#include <cmath>
#include <vector>

namespace gorlan::render
{
namespace
{
constexpr int fftOrder = 12;
constexpr int fftSize = 1 << fftOrder;
constexpr float floorDecibels = -120.0f;

juce::Colour levelColour (float decibels)
{
    const float level = juce::jlimit (0.0f, 1.0f, 1.0f - decibels / floorDecibels);
    const juce::Colour stops[] = { juce::Colour (0xff000004), juce::Colour (0xff2c115f), juce::Colour (0xff721f81),
                                   juce::Colour (0xffb73779), juce::Colour (0xfff1605d), juce::Colour (0xfffeb078),
                                   juce::Colour (0xfffcfdbf) };
    const float position = level * (float) (std::size (stops) - 1);
    const auto index = juce::jmin ((size_t) position, std::size (stops) - 2);
    return stops[index].interpolatedWith (stops[index + 1], position - (float) index);
}

std::vector<float> monoMix (const juce::AudioBuffer<float>& audio)
{
    std::vector<float> mix ((size_t) audio.getNumSamples(), 0.0f);
    const float gain = 1.0f / (float) juce::jmax (1, audio.getNumChannels());

    for (int c = 0; c < audio.getNumChannels(); ++c)
        for (int i = 0; i < audio.getNumSamples(); ++i)
            mix[(size_t) i] += audio.getSample (c, i) * gain;

    return mix;
}

class SpectrumAnalyser
{
public:
    SpectrumAnalyser()
    {
        juce::dsp::WindowingFunction<float>::fillWindowingTables (window.data(), fftSize,
                                                                  juce::dsp::WindowingFunction<float>::hann, false);
        float windowSum = 0.0f;

        for (auto w : window)
            windowSum += w;

        fullScaleSine = windowSum * 0.5f;
    }

    // Level in dBFS of each bin for the window centred on the given sample.
    const std::vector<float>& analyse (const std::vector<float>& signal, juce::int64 centre)
    {
        std::fill (data.begin(), data.end(), 0.0f);

        for (int i = 0; i < fftSize; ++i)
        {
            const auto index = centre - fftSize / 2 + i;

            if (index >= 0 && index < (juce::int64) signal.size())
                data[(size_t) i] = signal[(size_t) index] * window[(size_t) i];
        }

        fft.performFrequencyOnlyForwardTransform (data.data(), true);

        for (size_t bin = 0; bin < levels.size(); ++bin)
            levels[bin] = juce::Decibels::gainToDecibels (data[bin] / fullScaleSine, floorDecibels);

        return levels;
    }

private:
    juce::dsp::FFT fft { fftOrder };
    std::vector<float> window = std::vector<float> ((size_t) fftSize);
    std::vector<float> data = std::vector<float> ((size_t) fftSize * 2);
    std::vector<float> levels = std::vector<float> ((size_t) fftSize / 2 + 1);
    float fullScaleSine = 1.0f;
};

// Frequency at a row edge: edge 0 is the top of the picture, edge height its bottom.
double edgeFrequency (int edge, FrequencyRange frequencies, int height)
{
    const double position = 1.0 - (double) edge / height;
    return frequencies.lowest * std::pow (frequencies.highest / frequencies.lowest, position);
}

// The loudest bin that a pixel row covers.
float rowLevel (const std::vector<float>& levels, double lowFrequency, double highFrequency, double binWidth)
{
    const auto lastBin = (int) levels.size() - 1;
    const int first = juce::jlimit (0, lastBin, (int) std::lround (lowFrequency / binWidth));
    const int last = juce::jlimit (first, lastBin, (int) std::lround (highFrequency / binWidth));
    float loudest = floorDecibels;

    for (int bin = first; bin <= last; ++bin)
        loudest = juce::jmax (loudest, levels[(size_t) bin]);

    return loudest;
}
} // namespace

float frequencyToY (double frequency, FrequencyRange frequencies, int height)
{
    const double position = std::log (frequency / frequencies.lowest) / std::log (frequencies.highest / frequencies.lowest);
    return (float) ((1.0 - position) * height);
}

juce::Image drawSpectrogram (const juce::AudioBuffer<float>& audio, double sampleRate,
                             FrequencyRange frequencies, int width, int height)
{
    juce::Image image (juce::Image::RGB, width, height, true);
    const auto mix = monoMix (audio);
    const double binWidth = sampleRate / fftSize;
    SpectrumAnalyser analyser;

    for (int x = 0; x < width; ++x)
    {
        const auto centre = (juce::int64) (((double) x + 0.5) / width * (double) mix.size());
        const auto& levels = analyser.analyse (mix, centre);

        for (int y = 0; y < height; ++y)
        {
            const auto level = rowLevel (levels, edgeFrequency (y + 1, frequencies, height),
                                         edgeFrequency (y, frequencies, height), binWidth);
            image.setPixelAt (x, y, levelColour (level));
        }
    }

    return image;
}
} // namespace gorlan::render
