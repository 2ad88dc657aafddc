#include "MidiInput.h"

#include "RenderError.h"

#include <array>

namespace gorlan::render
{
namespace
{
juce::MidiFile parseMidiFile (const juce::MemoryBlock& fileData, const juce::String& sourceName)
{
    juce::MidiFile midiFile;
    juce::MemoryInputStream stream (fileData, false);
    int fileType = -1;

    if (fileData.isEmpty() || ! midiFile.readFrom (stream, true, &fileType) || midiFile.getNumTracks() == 0)
        throw RenderError (sourceName + ": not a Standard MIDI File");

    if (fileType != 0 && fileType != 1)
        throw RenderError (sourceName + ": MIDI file type " + juce::String (fileType)
                           + " is not supported (only types 0 and 1)");

    midiFile.convertTimestampTicksToSeconds();
    return midiFile;
}

// Notes and pedals still down when the file ends would otherwise ring until the tail limit.
class HeldNotes
{
public:
    void track (const juce::MidiMessage& message)
    {
        const auto channel = message.getChannel() - 1;

        if (message.isNoteOn())
            ++noteCounts[index (channel, message.getNoteNumber())];
        else if (message.isNoteOff() && noteCounts[index (channel, message.getNoteNumber())] > 0)
            --noteCounts[index (channel, message.getNoteNumber())];
        else if (message.isSustainPedalOn() || message.isSustainPedalOff())
            pedalDown[(size_t) channel] = message.isSustainPedalOn();
    }

    void releaseAll (juce::MidiMessageSequence& events, double time) const
    {
        for (int channel = 0; channel < 16; ++channel)
        {
            for (int note = 0; note < 128; ++note)
                for (int i = 0; i < noteCounts[index (channel, note)]; ++i)
                    events.addEvent (juce::MidiMessage::noteOff (channel + 1, note).withTimeStamp (time));

            if (pedalDown[(size_t) channel])
                events.addEvent (juce::MidiMessage::controllerEvent (channel + 1, 64, 0).withTimeStamp (time));
        }
    }

private:
    static size_t index (int channel, int note) { return (size_t) (channel * 128 + note); }

    std::array<int, 16 * 128> noteCounts {};
    std::array<bool, 16> pedalDown {};
};

bool hasNotes (const juce::MidiMessageSequence& events)
{
    for (const auto* holder : events)
        if (holder->message.isNoteOn())
            return true;

    return false;
}
} // namespace

MidiTimeline readMidiTimeline (const juce::MemoryBlock& fileData, const juce::String& sourceName)
{
    const auto midiFile = parseMidiFile (fileData, sourceName);
    MidiTimeline timeline;
    HeldNotes heldNotes;

    for (int t = 0; t < midiFile.getNumTracks(); ++t)
    {
        for (const auto* holder : *midiFile.getTrack (t))
        {
            timeline.endSeconds = juce::jmax (timeline.endSeconds, holder->message.getTimeStamp());

            if (! holder->message.isMetaEvent())
                timeline.events.addEvent (holder->message);
        }
    }

    for (const auto* holder : timeline.events)
        heldNotes.track (holder->message);

    heldNotes.releaseAll (timeline.events, timeline.endSeconds);

    if (! hasNotes (timeline.events))
        throw RenderError (sourceName + ": the MIDI file has no notes");

    return timeline;
}

MidiTimeline loadMidiFile (const juce::File& file)
{
    juce::MemoryBlock data;

    if (! file.existsAsFile() || ! file.loadFileAsData (data))
        throw RenderError ("cannot read MIDI file '" + file.getFullPathName() + "'");

    return readMidiTimeline (data, file.getFileName());
}
} // namespace gorlan::render
