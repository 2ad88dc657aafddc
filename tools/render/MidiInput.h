#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace gorlan::render
{
// Every track of a MIDI file merged into one time-ordered list, in seconds.
struct MidiTimeline
{
    juce::MidiMessageSequence events; // no meta events; every note ends by endSeconds
    double endSeconds = 0.0;          // the last event of the file, meta events included
};

// Throws RenderError when the data is not a type 0 or 1 Standard MIDI File with notes.
MidiTimeline readMidiTimeline (const juce::MemoryBlock& fileData, const juce::String& sourceName);

MidiTimeline loadMidiFile (const juce::File& file);
} // namespace gorlan::render
