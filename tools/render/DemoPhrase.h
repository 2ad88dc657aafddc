#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace gorlan::render
{
// Five bars in A minor: a bass line, chord stabs, then a lead note bent with the pitch
// wheel and one swelling with the modulation wheel. A type 1 file with a tempo track.
juce::MidiFile createDemoPhrase();

juce::MemoryBlock demoPhraseFileData();
} // namespace gorlan::render
