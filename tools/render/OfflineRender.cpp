#include "OfflineRender.h"

#include "RenderError.h"

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace gorlan::render
{
namespace
{
constexpr float silenceThreshold = 1.0e-6f; // -120 dBFS
constexpr double quietSecondsToStop = 1.0;
constexpr double warmUpSeconds = 0.1;

struct TimedEvent
{
    juce::int64 sample;
    juce::MidiMessage message;
};

std::vector<TimedEvent> eventsAtSamples (const MidiTimeline& timeline, double sampleRate)
{
    std::vector<TimedEvent> events;

    for (const auto* holder : timeline.events)
        events.push_back ({ (juce::int64) std::llround (holder->message.getTimeStamp() * sampleRate), holder->message });

    return events;
}

class BlockRenderer
{
public:
    BlockRenderer (juce::AudioPluginInstance& pluginToUse, const RenderSettings& settingsToUse)
        : plugin (pluginToUse), settings (settingsToUse),
          buffer (juce::jmax (2, plugin.getTotalNumInputChannels(), plugin.getTotalNumOutputChannels()),
                  settings.blockSize)
    {
    }

    // The plug-in builds its oversampler in its first block and only then knows its latency,
    // which a host reads when it prepares; so prepare, play one block, prepare again. The
    // silent blocks afterwards let parameter changes settle before the first note.
    void start()
    {
        plugin.setNonRealtime (true);
        plugin.prepareToPlay (settings.sampleRate, settings.blockSize);
        process ({});
        plugin.releaseResources();
        plugin.prepareToPlay (settings.sampleRate, settings.blockSize);

        const auto warmUpBlocks = (int) std::ceil (warmUpSeconds * settings.sampleRate / settings.blockSize);

        for (int i = 0; i < warmUpBlocks; ++i)
            process ({});
    }

    void stop() { plugin.releaseResources(); }

    const juce::AudioBuffer<float>& process (const juce::MidiBuffer& events)
    {
        juce::MidiBuffer midi (events);
        buffer.clear();
        plugin.processBlock (buffer, midi);
        return buffer;
    }

private:
    juce::AudioPluginInstance& plugin;
    const RenderSettings& settings;
    juce::AudioBuffer<float> buffer;
};

class OutputCollector
{
public:
    OutputCollector (int samplesToSkip, juce::int64 expectedLength)
        : skip (samplesToSkip)
    {
        for (auto& channel : channels)
            channel.reserve ((size_t) expectedLength);
    }

    void add (const juce::AudioBuffer<float>& block)
    {
        const int from = juce::jmin (skip, block.getNumSamples());
        skip -= from;

        for (int i = from; i < block.getNumSamples(); ++i)
        {
            for (int c = 0; c < 2; ++c)
            {
                const float sample = block.getSample (c, i);

                if (! std::isfinite (sample))
                    throw RenderError ("the plug-in produced a sample that is not a finite number");

                if (std::abs (sample) > silenceThreshold)
                    lastLoud = length();

                channels[(size_t) c].push_back (sample);
            }
        }
    }

    juce::int64 length() const { return (juce::int64) channels[0].size(); }
    juce::int64 lastLoudSample() const { return lastLoud; }

    juce::AudioBuffer<float> take (juce::int64 finalLength) const
    {
        juce::AudioBuffer<float> audio (2, (int) finalLength);

        for (int c = 0; c < 2; ++c)
            audio.copyFrom (c, 0, channels[(size_t) c].data(), (int) finalLength);

        return audio;
    }

private:
    int skip;
    juce::int64 lastLoud = -1;
    std::array<std::vector<float>, 2> channels;
};

juce::MidiBuffer eventsInBlock (const std::vector<TimedEvent>& events, size_t& next, juce::int64 blockStart, int blockSize)
{
    juce::MidiBuffer midi;

    for (; next < events.size() && events[next].sample < blockStart + blockSize; ++next)
        midi.addEvent (events[next].message, (int) juce::jmax ((juce::int64) 0, events[next].sample - blockStart));

    return midi;
}
} // namespace

void playSilentBlock (juce::AudioPluginInstance& plugin, const RenderSettings& settings)
{
    BlockRenderer renderer (plugin, settings);
    plugin.prepareToPlay (settings.sampleRate, settings.blockSize);
    renderer.process ({});
    renderer.stop();
}

juce::AudioBuffer<float> renderTimeline (juce::AudioPluginInstance& plugin, const MidiTimeline& timeline,
                                         const RenderSettings& settings, const RenderProgress& progress)
{
    const juce::ScopedNoDenormals noDenormals;
    const auto events = eventsAtSamples (timeline, settings.sampleRate);
    const auto endSample = (juce::int64) std::llround (timeline.endSeconds * settings.sampleRate);
    const auto lastAllowedSample = endSample + (juce::int64) std::llround (settings.maxTailSeconds * settings.sampleRate);
    const auto quietToStop = (juce::int64) std::llround (quietSecondsToStop * settings.sampleRate);

    if (lastAllowedSample + quietToStop + settings.blockSize >= std::numeric_limits<int>::max())
        throw RenderError ("the MIDI file lasts " + juce::String (timeline.endSeconds, 0)
                           + " s, longer than one render can hold at this sample rate");

    BlockRenderer renderer (plugin, settings);
    renderer.start();
    OutputCollector output (juce::jmax (0, plugin.getLatencySamples()), endSample + quietToStop);
    size_t nextEvent = 0;

    for (juce::int64 blockStart = 0;; blockStart += settings.blockSize)
    {
        output.add (renderer.process (eventsInBlock (events, nextEvent, blockStart, settings.blockSize)));
        progress ((double) output.length() / settings.sampleRate);

        const auto soundEnd = juce::jmax (endSample, output.lastLoudSample() + 1);

        if (output.length() >= endSample
            && (output.length() - soundEnd >= quietToStop || output.length() >= lastAllowedSample))
            break;
    }

    renderer.stop();
    const auto soundEnd = juce::jmax (endSample, output.lastLoudSample() + 1);
    return output.take (juce::jmin (soundEnd, lastAllowedSample));
}
} // namespace gorlan::render
