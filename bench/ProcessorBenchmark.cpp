// processBlock at 48000 Hz in 512-sample stereo blocks, as a host drives it.
// The counter cpu_per_audio_second is CPU seconds spent per second of audio (1.0 = one core's worth).
#include "PluginProcessor.h"

#include <benchmark/benchmark.h>
#include <juce_events/juce_events.h>

#include <utility>
#include <vector>

namespace
{
constexpr double HostRate = 48000.0;
constexpr int BlockSize = 512;
constexpr int Major4711Chord = 9;
// Held notes fade out over their Length; play them again before that, outside the timing.
constexpr int BlocksBetweenRetriggers = 1024;

class Session
{
public:
    Session (int chord, int waveform, std::vector<int> keys) : Keys (std::move (keys))
    {
        Processor.SeedVoices (1);
        Processor.ChordParameter->setValueNotifyingHost ((float) chord / 19.0f);
        Processor.WaveformParameter->setValueNotifyingHost ((float) waveform / 9.0f);
        Processor.setRateAndBufferSizeDetails (HostRate, BlockSize);
        Processor.prepareToPlay (HostRate, BlockSize);
        Midi.ensureSize (4096);
        PressKeys();
    }

    void ProcessBlock()
    {
        Buffer.clear();
        Processor.processBlock (Buffer, Midi);
        Midi.clear();
    }

    void PressKeys()
    {
        for (const int key : Keys)
            Midi.addEvent (juce::MidiMessage::noteOff (1, key), 0);

        for (const int key : Keys)
            Midi.addEvent (juce::MidiMessage::noteOn (1, key, (juce::uint8) 100), 0);

        ProcessBlock();
    }

    bool HasKeys() const noexcept { return ! Keys.empty(); }

private:
    GorlanAudioProcessor Processor;
    juce::AudioBuffer<float> Buffer { 2, BlockSize };
    juce::MidiBuffer Midi;
    std::vector<int> Keys;
};

void RunBlocks (benchmark::State& state, Session& session)
{
    int blocks = 0;

    for (auto _ : state)
    {
        session.ProcessBlock();

        if (session.HasKeys() && ++blocks % BlocksBetweenRetriggers == 0)
        {
            state.PauseTiming();
            session.PressKeys();
            state.ResumeTiming();
        }
    }

    const double audioSeconds = (double) state.iterations() * BlockSize / HostRate;
    state.counters["cpu_per_audio_second"] =
        benchmark::Counter (audioSeconds, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void NoKeysHeld (benchmark::State& state)
{
    Session session (1, 0, {});
    RunBlocks (state, session);
}

void OneDefaultNote (benchmark::State& state)
{
    Session session (1, 0, { 57 });
    RunBlocks (state, session);
}

void EightKeysMa4711 (benchmark::State& state)
{
    const int waveform = (int) state.range (0);
    Session session (Major4711Chord, waveform, { 36, 40, 43, 47, 48, 52, 55, 59 });
    state.SetLabel (MakeWaveformNames()[(size_t) waveform]);
    RunBlocks (state, session);
}
} // namespace

BENCHMARK (NoKeysHeld)->Unit (benchmark::kMicrosecond);
BENCHMARK (OneDefaultNote)->Unit (benchmark::kMicrosecond);
BENCHMARK (EightKeysMa4711)->DenseRange (0, 5)->ArgName ("waveform")->Unit (benchmark::kMicrosecond);

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    benchmark::Initialize (&argc, argv);

    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
