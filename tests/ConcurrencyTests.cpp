// The threads a host runs at once, for ThreadSanitizer to watch: audio blocks with notes and
// wheels (two instances, which share the modulation wheel), parameter automation, state saves
// and loads, and the open editor polling and moving its knobs on the message thread.

#include "AudioChecks.h"
#include "PluginEditor.h"
#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace juce::detail
{
// The framework's own message pump step, as its plug-in wrappers use it on Linux.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

namespace
{
using Clock = std::chrono::steady_clock;

constexpr double HostRate = 48000.0;
constexpr int MaximumBlock = 256;
constexpr auto RunTime = std::chrono::milliseconds (2500);

void Prepare (GorlanAudioProcessor& processor)
{
    processor.setRateAndBufferSizeDetails (HostRate, MaximumBlock);
    processor.prepareToPlay (HostRate, MaximumBlock);
}

void PumpMessagesUntil (Clock::time_point end, const std::function<void()>& betweenMessages)
{
    while (Clock::now() < end)
    {
        if (! juce::detail::dispatchNextMessageOnSystemQueue (true))
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
        betweenMessages();
    }
}

juce::MidiBuffer PlayingMidi (juce::Random& random, int length)
{
    juce::MidiBuffer midi;
    const int note = 36 + random.nextInt (48);
    midi.addEvent (juce::MidiMessage::noteOn (1, note, (juce::uint8) (1 + random.nextInt (127))), 0);
    midi.addEvent (juce::MidiMessage::noteOff (1, 36 + random.nextInt (48)), random.nextInt (length));
    midi.addEvent (juce::MidiMessage::pitchWheel (1, random.nextInt (16384)), random.nextInt (length));
    midi.addEvent (juce::MidiMessage::controllerEvent (1, 1, random.nextInt (128)), random.nextInt (length));
    return midi;
}

struct Counters
{
    std::atomic<bool> Running { true };
    std::atomic<int> Blocks { 0 };
    std::atomic<int> NonFiniteBlocks { 0 };
    std::atomic<int> Automations { 0 };
    std::atomic<int> StateRoundTrips { 0 };
};

void PlayBlocks (GorlanAudioProcessor& processor, Counters& counters, juce::int64 seed)
{
    juce::Random random (seed);
    juce::AudioBuffer<float> buffer (2, MaximumBlock);

    while (counters.Running.load())
    {
        const int length = 1 + random.nextInt (MaximumBlock);
        buffer.setSize (2, length, false, false, true);
        buffer.clear();
        auto midi = PlayingMidi (random, length);
        processor.processBlock (buffer, midi);

        if (! AllFinite (buffer))
            ++counters.NonFiniteBlocks;
        ++counters.Blocks;
    }
}

void Automate (GorlanAudioProcessor& processor, Counters& counters)
{
    juce::Random random (5);
    const auto& parameters = processor.getParameters();

    while (counters.Running.load())
    {
        auto* parameter = parameters[random.nextInt (parameters.size())];
        parameter->beginChangeGesture();
        parameter->setValueNotifyingHost (random.nextFloat());
        parameter->endChangeGesture();
        ++counters.Automations;
    }
}

void SaveAndLoad (GorlanAudioProcessor& processor, Counters& counters)
{
    while (counters.Running.load())
    {
        juce::MemoryBlock state;
        processor.getStateInformation (state);
        processor.setStateInformation (state.getData(), (int) state.getSize());
        ++counters.StateRoundTrips;
        std::this_thread::sleep_for (std::chrono::milliseconds (2));
    }
}
} // namespace

TEST (Concurrency, AudioAutomationStateAndTheEditorRunTogether)
{
    GorlanAudioProcessor processor, secondInstance;
    processor.SeedVoices (1);
    secondInstance.SeedVoices (2);
    Prepare (processor);
    Prepare (secondInstance);

    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());
    auto* gorlanEditor = dynamic_cast<GorlanAudioProcessorEditor*> (editor.get());
    ASSERT_NE (gorlanEditor, nullptr);

    Counters counters, secondCounters;
    std::vector<std::thread> threads;
    threads.emplace_back (PlayBlocks, std::ref (processor), std::ref (counters), 10);
    threads.emplace_back (PlayBlocks, std::ref (secondInstance), std::ref (secondCounters), 20);
    threads.emplace_back (Automate, std::ref (processor), std::ref (counters));
    threads.emplace_back (SaveAndLoad, std::ref (processor), std::ref (counters));

    // The user turns a knob now and then while the editor's timer polls.
    juce::Random random (9);
    int knobMoves = 0;
    PumpMessagesUntil (Clock::now() + RunTime, [&]
    {
        if (random.nextInt (20) == 0)
        {
            gorlanEditor->GetKnob (random.nextInt (GorlanAudioProcessorEditor::NumKnobs))
                .setValue (random.nextDouble(), juce::sendNotificationSync);
            ++knobMoves;
        }
    });

    counters.Running = false;
    secondCounters.Running = false;
    for (auto& thread : threads)
        thread.join();

    const int ticks = gorlanEditor->GetTickCount();
    editor.reset();

    EXPECT_EQ (counters.NonFiniteBlocks.load(), 0);
    EXPECT_EQ (secondCounters.NonFiniteBlocks.load(), 0);
    EXPECT_GT (counters.Blocks.load(), 0);
    EXPECT_GT (secondCounters.Blocks.load(), 0);
    EXPECT_GT (counters.Automations.load(), 0);
    EXPECT_GT (counters.StateRoundTrips.load(), 0);
    EXPECT_GT (knobMoves, 0);
    EXPECT_GT (ticks, 0) << "the editor's timer must have run";
}
