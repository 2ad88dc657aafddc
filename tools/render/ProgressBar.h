#pragma once

#include <juce_core/juce_core.h>

namespace gorlan::render
{
// A one-line bar on the terminal's error stream, redrawn at most ten times a second;
// silent when the stream is not a terminal or the render is short.
class ProgressBar
{
public:
    explicit ProgressBar (double expectedSeconds);
    ~ProgressBar();

    void update (double renderedSeconds);

    ProgressBar (const ProgressBar&) = delete;
    ProgressBar& operator= (const ProgressBar&) = delete;

private:
    void draw (double renderedSeconds);
    void clear();

    const double expected;
    const bool shown;
    juce::uint32 lastDrawn = 0;
    bool drawnOnce = false;
};
} // namespace gorlan::render
