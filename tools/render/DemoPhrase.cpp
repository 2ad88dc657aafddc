#include "DemoPhrase.h"

#include <array>
#include <cmath>

namespace gorlan::render
{
namespace
{
constexpr int ticksPerBeat = 960;
constexpr int ticksPerBar = 4 * ticksPerBeat;
constexpr double beatsPerMinute = 112.0;

constexpr int bassChannel = 1;
constexpr int chordChannel = 2;
constexpr int leadChannel = 3;

void addNote (juce::MidiMessageSequence& track, int channel, int note, int startTick, int lengthTicks, int velocity)
{
    track.addEvent (juce::MidiMessage::noteOn (channel, note, (juce::uint8) velocity), startTick);
    track.addEvent (juce::MidiMessage::noteOff (channel, note), startTick + lengthTicks);
}

juce::MidiMessageSequence conductorTrack (int lengthTicks)
{
    juce::MidiMessageSequence track;
    track.addEvent (juce::MidiMessage::textMetaEvent (3, "Gorlan demo"), 0);
    track.addEvent (juce::MidiMessage::tempoMetaEvent ((int) std::lround (60.0e6 / beatsPerMinute)), 0);
    track.addEvent (juce::MidiMessage::timeSignatureMetaEvent (4, 4), 0);
    track.addEvent (juce::MidiMessage::endOfTrack(), lengthTicks);
    return track;
}

// Roots of Am, F, C, G, then Am again for the closing bar.
constexpr std::array<int, 5> bassRoots { 33, 29, 36, 31, 33 };

juce::MidiMessageSequence bassTrack()
{
    // Eighth notes over each bar's root: root, root, octave, root, fifth, root, octave, fifth.
    constexpr std::array<int, 8> pattern { 0, 0, 12, 0, 7, 0, 12, 7 };
    juce::MidiMessageSequence track;
    const int eighth = ticksPerBeat / 2;

    for (int bar = 0; bar < 4; ++bar)
        for (int step = 0; step < 8; ++step)
            addNote (track, bassChannel, bassRoots[(size_t) bar] + pattern[(size_t) step],
                     bar * ticksPerBar + step * eighth, eighth * 3 / 4, step % 2 == 0 ? 104 : 84);

    addNote (track, bassChannel, bassRoots[4], 4 * ticksPerBar, ticksPerBar, 100);
    return track;
}

juce::MidiMessageSequence chordTrack()
{
    constexpr std::array<std::array<int, 3>, 5> chords {{ { 57, 60, 64 }, { 57, 60, 65 }, { 55, 60, 64 },
                                                          { 55, 59, 62 }, { 57, 60, 64 } }};
    juce::MidiMessageSequence track;

    for (int bar = 0; bar < 4; ++bar)
        for (int half = 0; half < 2; ++half)
            for (auto note : chords[(size_t) bar])
                addNote (track, chordChannel, note, bar * ticksPerBar + half * 2 * ticksPerBeat,
                         ticksPerBeat * 3 / 2, 72);

    for (auto note : chords[4])
        addNote (track, chordChannel, note, 4 * ticksPerBar, ticksPerBar, 80);

    return track;
}

// A smooth 0 … 1 … 0 or 0 … 1 shape sampled every 32nd of a beat.
template <typename MakeEvent>
void addRamp (juce::MidiMessageSequence& track, int startTick, int lengthTicks, bool backDown, MakeEvent makeEvent)
{
    const int step = ticksPerBeat / 32;

    for (int tick = 0; tick <= lengthTicks; tick += step)
    {
        const double position = (double) tick / lengthTicks;
        const double shape = backDown ? std::sin (juce::MathConstants<double>::pi * position)
                                      : 0.5 - 0.5 * std::cos (juce::MathConstants<double>::pi * position);
        track.addEvent (makeEvent (shape), startTick + tick);
    }
}

juce::MidiMessageSequence leadTrack()
{
    juce::MidiMessageSequence track;
    const int bendStart = 2 * ticksPerBar;
    const int swellStart = 3 * ticksPerBar;

    // Bar 3: D5, bent up a whole tone to E5 and back.
    addNote (track, leadChannel, 74, bendStart, ticksPerBar - ticksPerBeat / 4, 96);
    addRamp (track, bendStart + ticksPerBeat, 2 * ticksPerBeat, true, [] (double shape)
    {
        return juce::MidiMessage::pitchWheel (leadChannel, 8192 + (int) std::lround (shape * 8191.0));
    });

    // Bar 4: B4 with the modulation wheel swelling in, released at the bar's end.
    addNote (track, leadChannel, 71, swellStart, ticksPerBar - ticksPerBeat / 4, 96);
    addRamp (track, swellStart, 3 * ticksPerBeat, false, [] (double shape)
    {
        return juce::MidiMessage::controllerEvent (leadChannel, 1, (int) std::lround (shape * 127.0));
    });
    track.addEvent (juce::MidiMessage::controllerEvent (leadChannel, 1, 0), 4 * ticksPerBar);
    return track;
}
} // namespace

juce::MidiFile createDemoPhrase()
{
    juce::MidiFile file;
    file.setTicksPerQuarterNote (ticksPerBeat);
    file.addTrack (conductorTrack (5 * ticksPerBar));
    file.addTrack (bassTrack());
    file.addTrack (chordTrack());
    file.addTrack (leadTrack());
    return file;
}

juce::MemoryBlock demoPhraseFileData()
{
    juce::MemoryOutputStream stream;
    createDemoPhrase().writeTo (stream, 1);
    return stream.getMemoryBlock();
}
} // namespace gorlan::render
