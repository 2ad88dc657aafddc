#include "WavOutput.h"

#include "RenderError.h"

#include <juce_audio_formats/juce_audio_formats.h>

namespace gorlan::render
{
void writeWav (const juce::File& file, const juce::AudioBuffer<float>& audio, double sampleRate, int bitsPerSample)
{
    const auto failed = [&] { return RenderError ("cannot write '" + file.getFullPathName() + "'"); };
    auto stream = file.createOutputStream();

    if (stream == nullptr || stream->failedToOpen())
        throw failed();

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), sampleRate,
                                                                          (unsigned int) audio.getNumChannels(),
                                                                          bitsPerSample, {}, 0));
    if (writer == nullptr)
        throw failed();

    stream.release(); // the writer owns it now

    if (! writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples()) || ! writer->flush())
        throw failed();
}
} // namespace gorlan::render
