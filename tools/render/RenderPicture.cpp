#include "RenderPicture.h"

#include "RenderError.h"
#include "Spectrogram.h"

#include <cmath>

namespace gorlan::render
{
namespace
{
constexpr int pictureWidth = 1200;
constexpr int pictureHeight = 640;
constexpr int waveformHeight = 150;
constexpr int panelGap = 12;

const juce::Colour background (0xff15171c);
const juce::Colour textColour (0xffc8ccd4);
const juce::Colour gridColour (0x30ffffff);
const juce::Colour waveColour (0xff5ec8c0);
const juce::Colour waveRmsColour (0xff2f7f7a);

struct Layout
{
    juce::Rectangle<int> title, waveform, spectrogram, timeAxis;
};

Layout layoutFor (juce::Rectangle<int> area)
{
    Layout layout;
    area = area.withTrimmedLeft (64).withTrimmedRight (24);
    layout.title = area.removeFromTop (34);
    layout.timeAxis = area.removeFromBottom (40);
    layout.waveform = area.removeFromTop (waveformHeight);
    area.removeFromTop (panelGap);
    layout.spectrogram = area;
    return layout;
}

juce::Range<float> columnRange (const juce::AudioBuffer<float>& audio, int start, int end, float& rms)
{
    juce::Range<float> range;
    double sum = 0.0;

    for (int i = start; i < end; ++i)
    {
        const float mono = 0.5f * (audio.getSample (0, i) + audio.getSample (1, i));
        range = range.getUnionWith (mono);
        sum += (double) mono * mono;
    }

    rms = end > start ? (float) std::sqrt (sum / (end - start)) : 0.0f;
    return range;
}

void drawWaveform (juce::Graphics& g, const juce::AudioBuffer<float>& audio, juce::Rectangle<int> area)
{
    const float middle = (float) area.getCentreY();
    const float halfHeight = (float) area.getHeight() * 0.5f;

    g.setColour (gridColour);
    for (const auto level : { -0.5f, 0.0f, 0.5f })
        g.drawHorizontalLine (juce::roundToInt (middle - level * halfHeight), (float) area.getX(), (float) area.getRight());

    for (int x = 0; x < area.getWidth(); ++x)
    {
        const auto start = (int) ((juce::int64) x * audio.getNumSamples() / area.getWidth());
        const auto end = juce::jmax (start + 1, (int) ((juce::int64) (x + 1) * audio.getNumSamples() / area.getWidth()));
        float rms = 0.0f;
        const auto range = columnRange (audio, start, juce::jmin (end, audio.getNumSamples()), rms);
        const auto column = (float) (area.getX() + x);

        g.setColour (waveColour);
        g.drawVerticalLine ((int) column, middle - juce::jmin (1.0f, range.getEnd()) * halfHeight,
                            middle - juce::jmax (-1.0f, range.getStart()) * halfHeight + 1.0f);
        g.setColour (waveRmsColour);
        g.drawVerticalLine ((int) column, middle - rms * halfHeight, middle + rms * halfHeight + 1.0f);
    }

    g.setColour (textColour);
    g.setFont (juce::FontOptions (12.0f));
    g.drawText ("+1", area.getX() - 40, area.getY() - 6, 34, 12, juce::Justification::centredRight);
    g.drawText ("-1", area.getX() - 40, area.getBottom() - 6, 34, 12, juce::Justification::centredRight);
}

void drawFrequencyAxis (juce::Graphics& g, FrequencyRange frequencies, juce::Rectangle<int> area)
{
    g.setFont (juce::FontOptions (12.0f));

    for (const double frequency : { 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0 })
    {
        if (frequency < frequencies.lowest || frequency > frequencies.highest)
            continue;

        const auto y = area.getY() + juce::roundToInt (frequencyToY (frequency, frequencies, area.getHeight()));
        const auto label = frequency >= 1000.0 ? juce::String (frequency / 1000.0) + "k" : juce::String (frequency);
        g.setColour (gridColour);
        g.drawHorizontalLine (y, (float) area.getX(), (float) area.getRight());
        g.setColour (textColour);
        g.drawText (label, area.getX() - 44, y - 6, 38, 12, juce::Justification::centredRight);
    }

    g.drawText ("Hz", area.getX() - 44, area.getBottom() - 12, 38, 12, juce::Justification::centredRight);
}

double tickSpacing (double seconds)
{
    for (const double step : { 0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 20.0, 30.0, 60.0, 120.0, 300.0 })
        if (seconds / step <= 12.0)
            return step;

    return 600.0;
}

void drawTimeAxis (juce::Graphics& g, double seconds, const Layout& layout)
{
    const auto plot = layout.waveform.getUnion (layout.spectrogram);
    const double step = tickSpacing (seconds);
    g.setFont (juce::FontOptions (12.0f));

    for (int tick = 0; tick * step <= seconds + 1.0e-9; ++tick)
    {
        const double time = tick * step;
        const int x = plot.getX() + juce::roundToInt (seconds > 0.0 ? time / seconds * plot.getWidth() : 0.0);
        g.setColour (gridColour);
        g.drawVerticalLine (x, (float) plot.getY(), (float) plot.getBottom() + 5.0f);
        g.setColour (textColour);
        g.drawText (juce::String (time, step < 1.0 ? 1 : 0) + " s", x - 30, layout.timeAxis.getY() + 8, 60, 14,
                    juce::Justification::centred);
    }
}
} // namespace

juce::Image drawRenderPicture (const juce::AudioBuffer<float>& audio, double sampleRate, const juce::String& title)
{
    juce::Image picture (juce::Image::RGB, pictureWidth, pictureHeight, true);
    juce::Graphics g (picture);
    const auto layout = layoutFor (picture.getBounds());
    const FrequencyRange frequencies { 20.0, juce::jmin (20000.0, sampleRate / 2.0) };

    g.fillAll (background);
    g.setColour (textColour);
    g.setFont (juce::FontOptions (15.0f));
    g.drawText (title, layout.title, juce::Justification::centredLeft);

    drawWaveform (g, audio, layout.waveform);
    g.drawImageAt (drawSpectrogram (audio, sampleRate, frequencies, layout.spectrogram.getWidth(),
                                    layout.spectrogram.getHeight()),
                   layout.spectrogram.getX(), layout.spectrogram.getY());
    drawFrequencyAxis (g, frequencies, layout.spectrogram);
    drawTimeAxis (g, audio.getNumSamples() / sampleRate, layout);
    return picture;
}

void writePng (const juce::Image& image, const juce::File& file)
{
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat png;

    if (stream.failedToOpen() || ! png.writeImageToStream (image, stream) || ! stream.getStatus().wasOk())
        throw RenderError ("cannot write '" + file.getFullPathName() + "'");

    stream.flush();

    if (! stream.getStatus().wasOk())
        throw RenderError ("cannot write '" + file.getFullPathName() + "'");
}
} // namespace gorlan::render
